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

// What the program asked of SetLocalTime. Wine refuses any change of its clock of half a second
// or more and logs "err:sync:NtSetSystemTime not allowed: difference N ms" on stderr, which
// BRACKENHOLM_WINE_LOG names. N is (int)(diff / 10000), diff being the new time less Wine's time
// of the call in 100 ns: cut toward zero to whole ms, then to 32 bits. So the true difference is
// the one that N's 32 bits give nearest to the reading a scenario expects, and the new time,
// whole ms, is at most the time the line is read plus that difference, plus the ms that the cut
// took off a time ahead of the call. It is less by the log's lag, and that ms, at most.
static FILE* WineLog;
ULONGLONG ExpectedReading;
static void (*OnReading)(const LoggedReading& reading); // null: the readings are only counted
unsigned Readings;

void FollowSetLocalTime(ULONGLONG expected, void (*onReading)(const LoggedReading&)) {
    char path[MAX_PATH];
    const char* log = getenv("BRACKENHOLM_WINE_LOG");
    WindowsPath(log ? log : "", path, sizeof path);
    WineLog = fopen(path, "rb");
    Expect(WineLog != nullptr && fseek(WineLog, 0, SEEK_END) == 0, "Wine's log can be read");
    ExpectedReading = expected;
    OnReading = onReading;
}

// The next whole line, of which LINE keeps the start; false, with the log left where the line
// starts, while its end is still being written.
static bool NextLine(char (&line)[256]) {
    long start = ftell(WineLog);
    char rest[sizeof line];
    for (char* chunk = line; fgets(chunk, sizeof line, WineLog) != nullptr; chunk = rest) {
        if (strchr(chunk, '\n') != nullptr) {
            return true;
        }
    }
    fseek(WineLog, start, SEEK_SET);
    clearerr(WineLog);
    return false;
}

void ReadWineLog() {
    if (WineLog == nullptr) {
        return;
    }
    static const char REFUSAL[] = "NtSetSystemTime not allowed: difference ";
    char line[256];
    while (NextLine(line)) {
        ULONGLONG now = NowMs();
        if (const char* at = strstr(line, REFUSAL)) {
            uint32_t cut = static_cast<uint32_t>(atol(at + sizeof REFUSAL - 1));
            LONGLONG expected = static_cast<LONGLONG>(ExpectedReading - now);
            LONGLONG difference =
                expected + static_cast<int32_t>(cut - static_cast<uint32_t>(expected));
            ++Readings;
            if (OnReading != nullptr) {
                OnReading({now + static_cast<ULONGLONG>(difference) + (difference > 0), now});
            }
        }
    }
}
