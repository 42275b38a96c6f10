// The command tail: where it starts in the command line, and the period it asks for.
#pragma once

#include <stdint.h>

constexpr uint32_t MILLISECONDS_PER_MINUTE = 60000;

// Skips the program's name and the blanks after it. isLeadByte tells the first byte of a
// double-byte character in the system's ANSI code page.
const char* CommandTailFromLine(const char* line, bool (*isLeadByte)(uint8_t));

// Whole minutes from the tail's leading number, in milliseconds, wrapping modulo 2^32;
// an empty tail means one minute.
uint32_t PeriodFromCommandTail(const char* tail);
