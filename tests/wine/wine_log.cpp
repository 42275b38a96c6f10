#include "wine_log.h"

#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "program_process.h"

static ULONGLONG Ms(const FILETIME& time) {
    return (ULONGLONG{time.dwHighDateTime} << 32 | time.dwLowDateTime) / 10000;
}

ULONGLONG NowMs() {
    FILETIME now;
    GetSystemTimePreciseAsFileTime(&now);
    return Ms(now);
}

const char* TimeText(ULONGLONG utcMs) {
    static char text[32];
    ULONGLONG ticks = utcMs * 10000;
    FILETIME utc{static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
    FILETIME local;
    SYSTEMTIME time{};
    FileTimeToLocalFileTime(&utc, &local);
    FileTimeToSystemTime(&local, &time);
    snprintf(text, sizeof text, "%04u-%02u-%02u %02u:%02u:%02u.%03u", time.wYear, time.wMonth,
             time.wDay, time.wHour, time.wMinute, time.wSecond, time.wMilliseconds);
    return text;
}

ULONGLONG UtcMs(const SYSTEMTIME& local) {
    FILETIME localTime;
    FILETIME utc;
    SystemTimeToFileTime(&local, &localTime);
    LocalFileTimeToFileTime(&localTime, &utc);
    return Ms(utc);
}

// What the program asked of SetLocalTime. Wine refuses any change of its clock over half a second
// and logs "err:sync:NtSetSystemTime not allowed: difference N ms" on stderr, which
// BRACKENHOLM_WINE_LOG names: N is the new time less the time of the call, as a 32-bit int.
// The call came at most a step before the line is read, so the new time is N plus the time of
// reading, less that lag; N is unwrapped around the reading a scenario expects.
static FILE* WineLog;
ULONGLONG ExpectedReading;                          // UTC, in ms since 1601
static void (*OnReading)(ULONGLONG readingPlusLag); // null: the readings are only counted
unsigned Readings;

void FollowSetLocalTime(ULONGLONG expected, void (*onReading)(ULONGLONG)) {
    char path[MAX_PATH];
    const char* log = getenv("BRACKENHOLM_WINE_LOG");
    WindowsPath(log ? log : "", path, sizeof path);
    WineLog = fopen(path, "rb");
    Expect(WineLog != nullptr && fseek(WineLog, 0, SEEK_END) == 0, "Wine's log can be read");
    ExpectedReading = expected;
    OnReading = onReading;
}

void ReadWineLog() {
    if (WineLog == nullptr) {
        return;
    }
    static const char REFUSAL[] = "NtSetSystemTime not allowed: difference ";
    char line[256];
    for (long start = ftell(WineLog); fgets(line, sizeof line, WineLog); start = ftell(WineLog)) {
        if (strchr(line, '\n') == nullptr) {
            fseek(WineLog, start, SEEK_SET); // the rest of the line is still being written
            break;
        }
        ULONGLONG now = NowMs();
        if (const char* at = strstr(line, REFUSAL)) {
            uint32_t difference = static_cast<uint32_t>(atol(at + sizeof REFUSAL - 1));
            uint32_t wrapped = difference + static_cast<uint32_t>(now - ExpectedReading);
            ++Readings;
            if (OnReading != nullptr) {
                OnReading(ExpectedReading + static_cast<int32_t>(wrapped));
            }
        }
    }
    clearerr(WineLog);
}
