// The program as the driver sees it from outside: its process, its window and its boxes, and
// the checks, which end every process started when one fails.
#pragma once

#include <windows.h>

inline constexpr char PROGRAM_NAME[] = "Brackenholm";
inline constexpr char REFUSED[] = "ReadClockTime(): access to the clock chip was refused";
inline constexpr char SET_TIME_FAILED[] = "SetLocalTime Error!!!";
inline constexpr DWORD STEP_MS = 50;

[[noreturn]] void Fail(const char* what);
void Expect(bool holds, const char* what);

// One step of every wait; meanwhile the readings that the program logged are checked.
void Step();

// A Unix path as Wine shows it: on drive Z, with backslashes.
void WindowsPath(const char* path, char* out, size_t size);

PROCESS_INFORMATION Start(const char* path, const char* tail);
DWORD ExitCodeWithin(const PROCESS_INFORMATION& process, DWORD ms);
bool StillRuns(const PROCESS_INFORMATION& process);

struct WindowSearch {
    DWORD processId;
    const char* className;
    const char* text; // the box's message, or null for the program's window
    HWND found;
    int count;
};

// The process's windows of the class: its own, or ("#32770") its boxes "Error" with TEXT.
WindowSearch Find(const PROCESS_INFORMATION& process, const char* className, const char* text);
HWND ProgramWindow(const PROCESS_INFORMATION& process);
HWND BoxWithin(const PROCESS_INFORMATION& process, const char* text, DWORD ms);
HWND WindowWithin(const PROCESS_INFORMATION& process, DWORD ms);
// The most boxes with this text open at once over the given time.
int MostBoxesOver(const PROCESS_INFORMATION& process, const char* text, DWORD ms);
void PressOk(HWND box);
void CloseProgram(const PROCESS_INFORMATION& process, DWORD expectedCode);
