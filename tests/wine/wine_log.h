// What the program passed to SetLocalTime, read from Wine's log as the program runs, and the
// driver's times: UTC milliseconds since 1601, as a FILETIME counts them in 100 ns.
#pragma once

#include <windows.h>

ULONGLONG NowMs();
ULONGLONG UtcMs(const SYSTEMTIME& local);
// The time as local date and time text, to the millisecond.
const char* TimeText(ULONGLONG utcMs);

// One refused SetLocalTime: the new time plus the log's lag (never less than the new time, and
// at most a ms more than the lag), and when the driver read its line.
struct LoggedReading {
    ULONGLONG plusLag;
    ULONGLONG readAt;
};

extern ULONGLONG ExpectedReading;
extern unsigned Readings;

// From now on, each refused SetLocalTime in the log counts as a reading, and ONREADING (unless
// null) checks it. EXPECTED is a reading the scenario expects, within 24 days of each.
void FollowSetLocalTime(ULONGLONG expected, void (*onReading)(const LoggedReading& reading));
// Reads the lines written since the last call; does nothing unless the log is followed.
void ReadWineLog();
