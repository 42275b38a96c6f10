// A clock chip for the program under Wine, where the real ports are refused.
// BRACKENHOLM_TEST_CHIP chooses what it holds:
//   "now"            the current local time, in whole seconds (the default);
//   "stuck"          an update that never ends;
//   "YYYYMMDDhhmmss" that time, always.
// Its seconds turn over at each half second of the system clock, so a reading taken with the
// update flag clear is within half a second of the system time; the flag is raised for the
// last UPDATE_WARNING_MS of each of its seconds, as a real chip warns before it updates.
#include "clock_port_access.h"
#include "cpu_instructions.h"

#define WIN32_LEAN_AND_MEAN
#include <windows.h>

constexpr WORD UPDATE_WARNING_MS = 10;

static uint8_t Selected;
static bool InterruptsEnabled = true;

static uint8_t ToBcd(unsigned value) {
    return static_cast<uint8_t>((value / 10 % 10) << 4 | value % 10);
}

static uint8_t TwoDigits(const char* text) {
    return static_cast<uint8_t>((text[0] - '0') << 4 | (text[1] - '0'));
}

static uint8_t FixedRegister(const char* digits, uint8_t reg) {
    switch (reg) {
    case RTC_CENTURY:
        return TwoDigits(digits);
    case RTC_YEAR:
        return TwoDigits(digits + 2);
    case RTC_MONTH:
        return TwoDigits(digits + 4);
    case RTC_DAY_OF_MONTH:
        return TwoDigits(digits + 6);
    case RTC_HOURS:
        return TwoDigits(digits + 8);
    case RTC_MINUTES:
        return TwoDigits(digits + 10);
    case RTC_SECONDS:
        return TwoDigits(digits + 12);
    case RTC_DAY_OF_WEEK:
        return 6;
    }
    return 0;
}

static uint8_t CurrentRegister(uint8_t reg) {
    FILETIME fileTime;
    SYSTEMTIME now;
    GetLocalTime(&now);
    SystemTimeToFileTime(&now, &fileTime);
    ULARGE_INTEGER ticks{{fileTime.dwLowDateTime, fileTime.dwHighDateTime}};
    if (reg == RTC_STATUS_A) {
        return now.wMilliseconds >= 500 - UPDATE_WARNING_MS && now.wMilliseconds < 500 ? RTC_A_UIP
                                                                                       : 0x26;
    }
    ticks.QuadPart += 5000000; // half a second, in 100 ns units
    fileTime = FILETIME{ticks.LowPart, ticks.HighPart};
    FileTimeToSystemTime(&fileTime, &now);
    switch (reg) {
    case RTC_SECONDS:
        return ToBcd(now.wSecond);
    case RTC_MINUTES:
        return ToBcd(now.wMinute);
    case RTC_HOURS:
        return ToBcd(now.wHour);
    case RTC_DAY_OF_WEEK:
        return static_cast<uint8_t>(now.wDayOfWeek + 1);
    case RTC_DAY_OF_MONTH:
        return ToBcd(now.wDay);
    case RTC_MONTH:
        return ToBcd(now.wMonth);
    case RTC_YEAR:
        return ToBcd(now.wYear % 100);
    case RTC_CENTURY:
        return ToBcd(now.wYear / 100);
    }
    return 0;
}

static uint8_t ChipRegister(uint8_t reg) {
    char mode[32];
    DWORD length = GetEnvironmentVariableA("BRACKENHOLM_TEST_CHIP", mode, sizeof mode);
    if (length == 5 && lstrcmpA(mode, "stuck") == 0) {
        return reg == RTC_STATUS_A ? RTC_A_UIP : 0;
    }
    if (length == 14) {
        return reg == RTC_STATUS_A ? 0x26 : FixedRegister(mode, reg);
    }
    return CurrentRegister(reg);
}

void WritePortByte(uint8_t port, uint8_t value) {
    if (port == PORT_CMOS_INDEX) {
        Selected = value & ~NMI_DISABLE;
    }
}

uint8_t ReadPortByte(uint8_t port) {
    return port == PORT_CMOS_DATA ? ChipRegister(Selected) : 0xFF;
}

void DisableInterrupts() {
    InterruptsEnabled = false;
}

void EnableInterrupts() {
    InterruptsEnabled = true;
}

uint16_t SaveFlags() {
    return InterruptsEnabled ? FLAGS_IF : 0;
}

void RestoreFlags(uint16_t flags) {
    InterruptsEnabled = (flags & FLAGS_IF) != 0;
}
