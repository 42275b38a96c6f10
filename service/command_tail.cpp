#include "command_tail.h"

static uint8_t ByteAt(const char* text) {
    return static_cast<uint8_t>(*text);
}

const char* CommandTailFromLine(const char* line, bool (*isLeadByte)(uint8_t)) {
    const char* next = line;
    if (*next == '"') {
        ++next;
        while (*next != '\0' && *next != '"') {
            // A trail byte can look like a quote; it goes with its lead byte.
            next += isLeadByte(ByteAt(next)) && next[1] != '\0' ? 2 : 1;
        }
        if (*next == '"') {
            ++next;
        }
    } else {
        while (ByteAt(next) > 0x20) {
            ++next;
        }
    }
    while (ByteAt(next) >= 0x01 && ByteAt(next) <= 0x20) {
        ++next;
    }
    return next;
}

static bool IsWhiteSpace(char c) {
    return c == ' ' || (c >= '\t' && c <= '\r');
}

uint32_t PeriodFromCommandTail(const char* tail) {
    if (*tail == '\0') {
        return MILLISECONDS_PER_MINUTE;
    }
    while (IsWhiteSpace(*tail)) {
        ++tail;
    }
    bool negative = *tail == '-';
    if (*tail == '+' || *tail == '-') {
        ++tail;
    }
    uint32_t minutes = 0;
    for (; *tail >= '0' && *tail <= '9'; ++tail) {
        minutes = minutes * 10u + static_cast<uint32_t>(*tail - '0');
    }
    if (negative) {
        minutes = 0u - minutes;
    }
    return minutes * MILLISECONDS_PER_MINUTE;
}
