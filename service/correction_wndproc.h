// The hidden window's procedure: starts the correction timer and sets the time at each tick.
#pragma once

#define WIN32_LEAN_AND_MEAN
#include <windows.h>

UINT_PTR const CORRECTION_TIMER_ID = 1;

// Milliseconds between corrections; set before the window is created.
extern UINT CorrectionPeriod;

LRESULT CALLBACK CorrectionWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
