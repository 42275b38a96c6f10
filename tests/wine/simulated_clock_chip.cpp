// A clock chip for the program under Wine, where the real ports are refused.
// BRACKENHOLM_TEST_CHIP chooses what it holds:
//   "now"            the current local time, in whole seconds (the default);
//   "stuck"          an update that never ends;
//   "fault"          an access violation at the first read, as a wild pointer would raise;
//   "YYYYMMDDhhmmss" that time, always.
// BRACKENHOLM_TICK_FILE, when set, names a file whose first four bytes count the snapshots that
// read the whole clock (one a tick, but for a rare retry), for the benchmark.
// Its seconds turn over at each half second of the system clock, so a reading taken with the
// update flag clear is within half a second of the system time; the flag is raised for the
// last UPDATE_WARNING_MS of each of its seconds, as a real chip warns before it updates.
#include "clock_port_access.h"
#include "cpu_instructions.h"

#define WIN32_LEAN_AND_MEAN
#include <windows.h>

constexpr WORD UPDATE_WARNING_MS = 10;
// Windows maps nothing in the first 64 KiB; volatile, so that the compiler does not see it.
static volatile uint8_t* volatile Unmapped = reinterpret_cast<volatile uint8_t*>(uintptr_t{16});
constexpr uint8_t STATUS_A_IDLE = 0x26; // 32.768 kHz time base, 1024 Hz rate

static uint8_t Selected;
static bool InterruptsEnabled = true;

// The count lives in a mapping of the file, so a tick costs one increment and no system call.
static void CountSnapshot() {
    static volatile LONG* count;
    static bool opened;
    if (!opened) {
        opened = true;
        char path[MAX_PATH];
        if (GetEnvironmentVariableA("BRACKENHOLM_TICK_FILE", path, sizeof path) != 0) {
            HANDLE file = CreateFileA(path, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                      CREATE_ALWAYS, 0, nullptr);
            HANDLE mapping = CreateFileMappingA(file, nullptr, PAGE_READWRITE, 0, 4, nullptr);
            count = static_cast<volatile LONG*>(MapViewOfFile(mapping, FILE_MAP_WRITE, 0, 0, 4));
        }
    }
    if (count != nullptr) {
        *count = *count + 1;
    }
}

static WORD Number(const char* digits, int count) {
    WORD value = 0;
    for (int i = 0; i < count; ++i) {
        value = static_cast<WORD>(value * 10 + (digits[i] - '0'));
    }
    return value;
}

// The chip's time now: the local time half a second ahead, in whole seconds.
// False while the chip warns of its update.
static bool TimeOnChip(SYSTEMTIME* time) {
    FILETIME fileTime;
    GetLocalTime(time);
    bool updating = time->wMilliseconds >= 500 - UPDATE_WARNING_MS && time->wMilliseconds < 500;
    SystemTimeToFileTime(time, &fileTime);
    ULARGE_INTEGER ticks{{fileTime.dwLowDateTime, fileTime.dwHighDateTime}};
    ticks.QuadPart += 5000000; // half a second, in 100 ns units
    fileTime = FILETIME{ticks.LowPart, ticks.HighPart};
    FileTimeToSystemTime(&fileTime, time);
    return !updating;
}

static uint8_t ToBcd(unsigned value) {
    return static_cast<uint8_t>((value / 10 % 10) << 4 | value % 10);
}

static uint8_t ChipRegister(uint8_t reg) {
    char mode[32] = "";
    DWORD length = GetEnvironmentVariableA("BRACKENHOLM_TEST_CHIP", mode, sizeof mode);
    SYSTEMTIME time{};
    bool idle = false;
    if (length == 5 && lstrcmpA(mode, "fault") == 0) {
        return *Unmapped;
    }
    if (length == 14) {
        time = SYSTEMTIME{
            Number(mode, 4),      Number(mode + 4, 2),  5, Number(mode + 6, 2), Number(mode + 8, 2),
            Number(mode + 10, 2), Number(mode + 12, 2), 0};
        idle = true;
    } else if (length != 5 || lstrcmpA(mode, "stuck") != 0) {
        idle = TimeOnChip(&time);
    }
    switch (reg) {
    case RTC_STATUS_A:
        return idle ? STATUS_A_IDLE : STATUS_A_IDLE | RTC_A_UIP;
    case RTC_SECONDS:
        return ToBcd(time.wSecond);
    case RTC_MINUTES:
        return ToBcd(time.wMinute);
    case RTC_HOURS:
        return ToBcd(time.wHour);
    case RTC_DAY_OF_WEEK:
        return static_cast<uint8_t>(time.wDayOfWeek + 1);
    case RTC_DAY_OF_MONTH:
        return ToBcd(time.wDay);
    case RTC_MONTH:
        return ToBcd(time.wMonth);
    case RTC_YEAR:
        return ToBcd(time.wYear % 100);
    case RTC_CENTURY:
        CountSnapshot();
        return ToBcd(time.wYear / 100);
    }
    return 0;
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
