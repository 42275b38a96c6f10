// Drives the real program from outside, as a user's system would: starts it, finds its window
// and its boxes, presses OK, sends close requests, and checks its exit code.
// Usage: wine_driver SCENARIO PROGRAM.EXE   (exit code 0 when the scenario holds)
#include <windows.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

static const char PROGRAM_NAME[] = "Brackenholm";
static const DWORD STEP_MS = 50;

static HANDLE Started[4];
static int StartedCount;
static char ProgramPath[MAX_PATH];

[[noreturn]] static void Fail(const char* what) {
    printf("FAILED: %s\n", what);
    for (int i = 0; i < StartedCount; ++i) {
        TerminateProcess(Started[i], 99);
    }
    ExitProcess(1);
}

static void Expect(bool holds, const char* what) {
    if (!holds) {
        Fail(what);
    }
    printf("ok: %s\n", what);
}

static PROCESS_INFORMATION Start(const char* path, const char* tail) {
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

static DWORD ExitCodeWithin(const PROCESS_INFORMATION& process, DWORD ms) {
    if (WaitForSingleObject(process.hProcess, ms) != WAIT_OBJECT_0) {
        Fail("the program did not end in time");
    }
    DWORD code = 0;
    GetExitCodeProcess(process.hProcess, &code);
    return code;
}

static bool StillRuns(const PROCESS_INFORMATION& process) {
    return WaitForSingleObject(process.hProcess, 0) == WAIT_TIMEOUT;
}

struct WindowSearch {
    DWORD processId;
    const char* className;
    const char* text; // the box's message, or null for the program's window
    HWND found;
    int count;
};

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

static WindowSearch Find(const PROCESS_INFORMATION& process, const char* className,
                         const char* text) {
    WindowSearch search{process.dwProcessId, className, text, nullptr, 0};
    EnumWindows(CountWindow, reinterpret_cast<LPARAM>(&search));
    return search;
}

static HWND ProgramWindow(const PROCESS_INFORMATION& process) {
    return Find(process, PROGRAM_NAME, nullptr).found;
}

static HWND BoxWithin(const PROCESS_INFORMATION& process, const char* text, DWORD ms) {
    for (DWORD waited = 0; waited <= ms; waited += STEP_MS) {
        if (HWND box = Find(process, "#32770", text).found) {
            return box;
        }
        Sleep(STEP_MS);
    }
    return nullptr;
}

static HWND WindowWithin(const PROCESS_INFORMATION& process, DWORD ms) {
    for (DWORD waited = 0; waited <= ms; waited += STEP_MS) {
        if (HWND window = ProgramWindow(process)) {
            return window;
        }
        Sleep(STEP_MS);
    }
    Fail("the program's window did not appear");
}

// The most boxes with this text open at once over the given time.
static int MostBoxesOver(const PROCESS_INFORMATION& process, const char* text, DWORD ms) {
    int most = 0;
    for (DWORD waited = 0; waited <= ms; waited += STEP_MS) {
        int open = Find(process, "#32770", text).count;
        most = open > most ? open : most;
        Sleep(STEP_MS);
    }
    return most;
}

static void PressOk(HWND box) {
    PostMessageA(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(box, IDOK)));
}

static void CloseProgram(const PROCESS_INFORMATION& process, DWORD expectedCode) {
    HWND window = ProgramWindow(process);
    Expect(window != nullptr, "the program's window is still there");
    PostMessageA(window, WM_CLOSE, 0, 0);
    Expect(ExitCodeWithin(process, 10000) == expectedCode, "a close request ends it with its code");
}

static const char REFUSED[] = "ReadClockTime(): access to the clock chip was refused";
static const char SET_TIME_FAILED[] = "SetLocalTime Error!!!";

static void HiddenWindow() {
    PROCESS_INFORMATION program = Start(ProgramPath, "");
    HWND window = WindowWithin(program, 10000);
    char title[64] = "";
    GetWindowTextA(window, title, sizeof title);
    Expect(strcmp(title, PROGRAM_NAME) == 0, "the window is titled Brackenholm");
    Expect(GetParent(window) == nullptr && GetWindow(window, GW_OWNER) == nullptr,
           "the window is top-level");
    bool everVisible = false;
    for (int i = 0; i < 20; ++i, Sleep(STEP_MS)) {
        everVisible = everVisible || IsWindowVisible(window);
    }
    Expect(!everVisible, "the window is never visible");
    Expect(Find(program, PROGRAM_NAME, nullptr).count == 1, "the program has exactly one window");
    CloseProgram(program, 0);
}

static void SecondStart() {
    PROCESS_INFORMATION first = Start(ProgramPath, "");
    HWND window = WindowWithin(first, 10000);
    PROCESS_INFORMATION second = Start(ProgramPath, "");
    Expect(ExitCodeWithin(second, 10000) == 0, "a second start ends at once with 0");
    Expect(Find(second, PROGRAM_NAME, nullptr).count == 0, "the second start made no window");
    Expect(StillRuns(first) && ProgramWindow(first) == window, "the first runs on, untouched");
    CloseProgram(first, 0);
}

static void RefusedPorts(const char* path) {
    PROCESS_INFORMATION program = Start(path, "0");
    WindowWithin(program, 10000);
    HWND box = BoxWithin(program, REFUSED, 1000);
    Expect(box != nullptr, "the refusal box appears within a second of the window at the tail 0");
    Expect(MostBoxesOver(program, REFUSED, 3000) == 1, "no second refusal box over 3 s");
    Expect(Find(program, "#32770", SET_TIME_FAILED).count == 0, "no time was set");
    PressOk(box);
    Expect(ExitCodeWithin(program, 10000) == 1, "OK ends the program with exit code 1");
}

static void QuotedPath() {
    char folder[MAX_PATH];
    char copy[MAX_PATH];
    GetTempPathA(sizeof folder, folder);
    lstrcatA(folder, "brackenholm with blank");
    snprintf(copy, sizeof copy, "%s\\brackenholm.exe", folder);
    CreateDirectoryA(folder, nullptr);
    Expect(CopyFileA(ProgramPath, copy, FALSE) != 0,
           "the program is copied into a folder with a blank");
    RefusedPorts(copy);
    PROCESS_INFORMATION slow = Start(copy, "1");
    WindowWithin(slow, 10000);
    Expect(BoxWithin(slow, REFUSED, 5000) == nullptr, "with the tail 1 no tick comes within 5 s");
    CloseProgram(slow, 0);
    DeleteFileA(copy);
    RemoveDirectoryA(folder);
}

static void ChipAgrees() {
    SetEnvironmentVariableA("BRACKENHOLM_TEST_CHIP", "now");
    PROCESS_INFORMATION program = Start(ProgramPath, "0");
    WindowWithin(program, 10000);
    Expect(MostBoxesOver(program, SET_TIME_FAILED, 5000) == 0,
           "a chip within half a second is accepted at every tick for 5 s");
    CloseProgram(program, 0);
}

static void ChipRefusedTime() {
    SetEnvironmentVariableA("BRACKENHOLM_TEST_CHIP", "19991231233059");
    PROCESS_INFORMATION program = Start(ProgramPath, "0");
    HWND box = BoxWithin(program, SET_TIME_FAILED, 10000);
    Expect(box != nullptr, "a refused time shows SetLocalTime Error!!!");
    Expect(MostBoxesOver(program, SET_TIME_FAILED, 3000) == 1, "never more than one box over 3 s");
    PressOk(box);
    Sleep(500);
    Expect(StillRuns(program), "after OK the program runs on");
    CloseProgram(program, 0);
}

static void ChipStuck() {
    SetEnvironmentVariableA("BRACKENHOLM_TEST_CHIP", "stuck");
    PROCESS_INFORMATION program = Start(ProgramPath, "0");
    WindowWithin(program, 10000);
    Expect(MostBoxesOver(program, SET_TIME_FAILED, 3000) == 0 &&
               Find(program, "#32770", REFUSED).count == 0,
           "a chip that never ends its update brings no box");
    Expect(StillRuns(program), "the program runs on");
    CloseProgram(program, 0);
}

// What Explorer's Properties read: the fixed version words, the US English block of the Windows
// ANSI code page, and its names and versions. BRACKENHOLM_VERSION and BRACKENHOLM_VERSION_WORDS
// ("1.2.3" and "1,2,3,0") hold what the build was given.
static void VersionResource() {
    static char info[4096];
    DWORD size = GetFileVersionInfoSizeA(ProgramPath, nullptr);
    Expect(size > 0 && size <= sizeof info && GetFileVersionInfoA(ProgramPath, 0, size, info),
           "the PE has a version resource");
    VS_FIXEDFILEINFO* fixed = nullptr;
    WORD* translation = nullptr;
    UINT length = 0;
    Expect(VerQueryValueA(info, "\\", reinterpret_cast<void**>(&fixed), &length) &&
               length >= sizeof *fixed,
           "it has its fixed part");
    char words[64];
    snprintf(words, sizeof words, "%u,%u,%u,%u", HIWORD(fixed->dwFileVersionMS),
             LOWORD(fixed->dwFileVersionMS), HIWORD(fixed->dwFileVersionLS),
             LOWORD(fixed->dwFileVersionLS));
    const char* expectedWords = getenv("BRACKENHOLM_VERSION_WORDS");
    Expect(expectedWords && strcmp(words, expectedWords) == 0 &&
               fixed->dwProductVersionMS == fixed->dwFileVersionMS &&
               fixed->dwProductVersionLS == fixed->dwFileVersionLS,
           "its file and product version words are the build's");
    Expect(VerQueryValueA(info, "\\VarFileInfo\\Translation",
                          reinterpret_cast<void**>(&translation), &length) &&
               length == 4 && translation[0] == 0x0409 && translation[1] == 1252,
           "its one language is US English in the Windows ANSI code page");
    const char* version = getenv("BRACKENHOLM_VERSION");
    const struct {
        const char* name;
        const char* value;
    } strings[] = {
        {"ProductName", PROGRAM_NAME},
        {"InternalName", PROGRAM_NAME},
        {"OriginalFilename", "brackenholm.exe"},
        {"FileVersion", version},
        {"ProductVersion", version},
    };
    for (const auto& string : strings) {
        char path[64];
        char* value = nullptr;
        snprintf(path, sizeof path, "\\StringFileInfo\\040904E4\\%s", string.name);
        bool found = VerQueryValueA(info, path, reinterpret_cast<void**>(&value), &length);
        bool holds = found && string.value && strcmp(value, string.value) == 0;
        char what[96];
        snprintf(what, sizeof what, "%s is %s (read: %s)", string.name,
                 string.value ? string.value : "(unset)", found ? value : "none");
        Expect(holds, what);
    }
    char* description = nullptr;
    Expect(VerQueryValueA(info, "\\StringFileInfo\\040904E4\\FileDescription",
                          reinterpret_cast<void**>(&description), &length) &&
               length > 1 && !strchr(description, '\n'),
           "it has a one-line FileDescription");
}

int main(int argc, char** argv) {
    if (argc != 3) {
        printf("usage: wine_driver SCENARIO PROGRAM.EXE\n");
        return 2;
    }
    // Accept a Unix path: Wine shows the root file system as drive Z.
    const char* path = argv[2];
    snprintf(ProgramPath, sizeof ProgramPath, "%s%s", path[0] == '/' ? "Z:" : "", path);
    for (char* c = ProgramPath; *c; ++c) {
        *c = *c == '/' ? '\\' : *c;
    }
    static const struct {
        const char* name;
        void (*run)();
    } scenarios[] = {
        {"hidden-window", HiddenWindow},
        {"second-start", SecondStart},
        {"refused-ports", [] { RefusedPorts(ProgramPath); }},
        {"quoted-path", QuotedPath},
        {"chip-agrees", ChipAgrees},
        {"chip-refused-time", ChipRefusedTime},
        {"chip-stuck", ChipStuck},
        {"version-resource", VersionResource},
    };
    for (const auto& scenario : scenarios) {
        if (strcmp(argv[1], scenario.name) == 0) {
            scenario.run();
            printf("passed: %s\n", scenario.name);
            return 0;
        }
    }
    printf("unknown scenario %s\n", argv[1]);
    return 2;
}
