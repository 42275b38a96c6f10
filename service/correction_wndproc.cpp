#include "correction_wndproc.h"

#include "clock_access_guard.h"

UINT CorrectionPeriod = 60000;

static bool ClockAccessRefused;
static bool SetTimeBoxOpen;

static void CorrectLocalTime() {
    SYSTEMTIME time;
    switch (ReadClockTimeGuarded(&time)) {
    case CLOCK_READ:
        break;
    case CLOCK_UPDATE_TIMEOUT:
        return;
    case CLOCK_ACCESS_REFUSED:
        ClockAccessRefused = true;
        MessageBoxA(nullptr, "ReadClockTime(): access to the clock chip was refused", "Error",
                    MB_ICONWARNING);
        PostQuitMessage(1);
        return;
    }
    // Ticks go on while the box is open; they keep correcting but stack no further boxes.
    if (!SetLocalTime(&time) && !SetTimeBoxOpen) {
        SetTimeBoxOpen = true;
        MessageBoxA(nullptr, "SetLocalTime Error!!!", "Error", MB_ICONWARNING);
        SetTimeBoxOpen = false;
    }
}

LRESULT CALLBACK CorrectionWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_CREATE:
        SetTimer(window, CORRECTION_TIMER_ID, CorrectionPeriod, nullptr);
        return 0;
    case WM_TIMER:
        if (!ClockAccessRefused) {
            CorrectLocalTime();
        }
        return 0;
    case WM_DESTROY:
        KillTimer(window, CORRECTION_TIMER_ID);
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}
