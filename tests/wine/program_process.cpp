#include "program_process.h"

#include <stdio.h>
#include <string.h>

#include "wine_log.h"

static HANDLE Started[4];
static int StartedCount;

[[noreturn]] void Fail(const char* what) {
    printf("FAILED: %s\n", what);
    for (int i = 0; i < StartedCount; ++i) {
        TerminateProcess(Started[i], 99);
    }
    ExitProcess(1);
}

void Expect(bool holds, const char* what) {
    if (!holds) {
        Fail(what);
    }
    printf("ok: %s\n", what);
}

void WindowsPath(const char* path, char* out, size_t size) {
    snprintf(out, size, "%s%s", path[0] == '/' ? "Z:" : "", path);
    for (char* c = out; *c; ++c) {
        *c = *c == '/' ? '\\' : *c;
    }
}

void Step() {
    Sleep(STEP_MS);
    ReadWineLog();
}

PROCESS_INFORMATION Start(const char* path, const char* tail) {
    char line[2 * MAX_PATH];
    snprintf(line, sizeof line, "\"%s\"%s%s", path, *tail ? " " : "", tail);
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessA(path, line, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &process)) {
        Fail("the program could not be started");
    }
    Started[StartedCount++] = process.hProcess;
    // Each program runs with its PE's width: a 32-bit one as a WoW64 process.
    DWORD type = 0;
    BOOL wow64 = FALSE;
    GetBinaryTypeA(path, &type);
    IsWow64Process(process.hProcess, &wow64);
    Expect((type == SCS_32BIT_BINARY) == (wow64 != FALSE), type == SCS_32BIT_BINARY
                                                               ? "it runs as a 32-bit process"
                                                               : "it runs as a 64-bit process");
    return process;
}

DWORD ExitCodeWithin(const PROCESS_INFORMATION& process, DWORD ms) {
    if (WaitForSingleObject(process.hProcess, ms) != WAIT_OBJECT_0) {
        Fail("the program did not end in time");
    }
    DWORD code = 0;
    GetExitCodeProcess(process.hProcess, &code);
    return code;
}

bool StillRuns(const PROCESS_INFORMATION& process) {
    return WaitForSingleObject(process.hProcess, 0) == WAIT_TIMEOUT;
}

static bool HasBoxText(HWND box, const char* text) {
    char shown[256] = "";
    for (HWND child = GetWindow(box, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        char childClass[32];
        GetClassNameA(child, childClass, sizeof childClass);
        GetWindowTextA(child, shown, sizeof shown);
        if (lstrcmpiA(childClass, "Static") == 0 && strcmp(shown, text) == 0) {
            return true;
        }
    }
    return false;
}

static BOOL CALLBACK CountWindow(HWND window, LPARAM context) {
    WindowSearch* search = reinterpret_cast<WindowSearch*>(context);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    char className[64];
    GetClassNameA(window, className, sizeof className);
    if (owner != search->processId || strcmp(className, search->className) != 0) {
        return TRUE;
    }
    if (search->text) {
        char caption[64];
        GetWindowTextA(window, caption, sizeof caption);
        if (strcmp(caption, "Error") != 0 || !HasBoxText(window, search->text)) {
            return TRUE;
        }
    }
    search->found = window;
    ++search->count;
    return TRUE;
}

WindowSearch Find(const PROCESS_INFORMATION& process, const char* className, const char* text) {
    WindowSearch search{process.dwProcessId, className, text, nullptr, 0};
    EnumWindows(CountWindow, reinterpret_cast<LPARAM>(&search));
    return search;
}

HWND ProgramWindow(const PROCESS_INFORMATION& process) {
    return Find(process, PROGRAM_NAME, nullptr).found;
}

HWND BoxWithin(const PROCESS_INFORMATION& process, const char* text, DWORD ms) {
    for (DWORD waited = 0; waited <= ms; waited += STEP_MS) {
        if (HWND box = Find(process, "#32770", text).found) {
            return box;
        }
        Step();
    }
    return nullptr;
}

HWND WindowWithin(const PROCESS_INFORMATION& process, DWORD ms) {
    for (DWORD waited = 0; waited <= ms; waited += STEP_MS) {
        if (HWND window = ProgramWindow(process)) {
            return window;
        }
        Step();
    }
    Fail("the program's window did not appear");
}

int MostBoxesOver(const PROCESS_INFORMATION& process, const char* text, DWORD ms) {
    int most = 0;
    for (DWORD waited = 0; waited <= ms; waited += STEP_MS) {
        int open = Find(process, "#32770", text).count;
        most = open > most ? open : most;
        Step();
    }
    return most;
}

void PressOk(HWND box) {
    PostMessageA(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(box, IDOK)));
}

void CloseProgram(const PROCESS_INFORMATION& process, DWORD expectedCode) {
    HWND window = ProgramWindow(process);
    Expect(window != nullptr, "the program's window is still there");
    PostMessageA(window, WM_CLOSE, 0, 0);
    Expect(ExitCodeWithin(process, 10000) == expectedCode, "a close request ends it with its code");
}
