// One reading of the CMOS clock, turned into local calendar time.
#pragma once

#include <stdint.h>

#include "system_time.h"

// Raw bytes of one snapshot, in register-number order.
struct ClockRegisters {
    uint8_t seconds;
    uint8_t minutes;
    uint8_t hours;
    uint8_t dayOfWeek;
    uint8_t dayOfMonth;
    uint8_t month;
    uint8_t year;
    uint8_t century;
};

enum ClockReadResult {
    CLOCK_READ,           // the record holds the chip's time
    CLOCK_UPDATE_TIMEOUT, // the chip stayed busy updating; the record is untouched
    CLOCK_ACCESS_REFUSED, // the system refused the port instructions; the record is untouched
};

// Snapshots taken before giving up on readings that straddle an update.
constexpr unsigned CLOCK_SNAPSHOT_TRIES = 3;

uint8_t BcdToBinary(uint8_t bcd);
SYSTEMTIME DecodeClockRegisters(const ClockRegisters& registers);
ClockReadResult ReadClockTime(SYSTEMTIME* time);
