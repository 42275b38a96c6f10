// Reading the clock chip where the system may refuse the port instructions.
#pragma once

#include "clock_snapshot.h"

// Catches the privileged-instruction fault of the clock reader, and only that.
void InstallClockAccessGuard();

// ReadClockTime, or CLOCK_ACCESS_REFUSED if the system faulted its port access.
ClockReadResult ReadClockTimeGuarded(SYSTEMTIME* time);
