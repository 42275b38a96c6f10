// Register-level access to the AT-compatible CMOS real-time clock.
#pragma once

#include <stdint.h>

constexpr uint8_t PORT_CMOS_INDEX = 0x70;
constexpr uint8_t PORT_CMOS_DATA = 0x71;
constexpr uint8_t PORT_CMOS_INDEX_MIRROR = 0x4F; // receives a copy of every select byte

constexpr uint8_t NMI_DISABLE = 0x80; // in a select byte: non-maskable interrupt masked

constexpr uint8_t RTC_SECONDS = 0x00;
constexpr uint8_t RTC_MINUTES = 0x02;
constexpr uint8_t RTC_HOURS = 0x04;
constexpr uint8_t RTC_DAY_OF_WEEK = 0x06;
constexpr uint8_t RTC_DAY_OF_MONTH = 0x07;
constexpr uint8_t RTC_MONTH = 0x08;
constexpr uint8_t RTC_YEAR = 0x09;
constexpr uint8_t RTC_STATUS_A = 0x0A;
constexpr uint8_t RTC_A_UIP = 0x80;    // update in progress: time registers may be changing
constexpr uint8_t RTC_STATUS_D = 0x0D; // left selected between accesses
constexpr uint8_t RTC_CENTURY = 0x32;

constexpr unsigned CLOCK_UPDATE_POLLS = 800;

// Reads one register (number below 0x80). Keeps the caller's interrupt state.
uint8_t ReadCmosRegister(uint8_t reg);

// True once a poll finds no update in progress; false after CLOCK_UPDATE_POLLS polls that all did.
// Returns with maskable interrupts disabled either way.
bool WaitForClockUpdate();
