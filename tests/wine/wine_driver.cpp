// Drives the real program from outside, as a user's system would: starts it, finds its window
// and its boxes, presses OK, sends close requests, and checks its exit code. The chip-* scenarios
// also set QEMU's clock chip, which the 32-bit program's own port instructions reach, and read
// what the program passed to SetLocalTime from Wine's log.
// Usage: wine_driver SCENARIO PROGRAM.EXE   (exit code 0 when the scenario holds)
#include <windows.h>

#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <iterator>

#include "program_process.h"
#include "qtest_chip.h"
#include "wine_log.h"

static char ProgramPath[MAX_PATH];

// The program's module handle: its image base, where a PE without relocations always loads.
static ULONGLONG ImageBase(const char* path) {
    alignas(8) unsigned char headers[1024] = {};
    FILE* file = fopen(path, "rb");
    if (file == nullptr || fread(headers, 1, sizeof headers, file) != sizeof headers) {
        Fail("the program's headers could not be read");
    }
    fclose(file);
    LONG at = reinterpret_cast<const IMAGE_DOS_HEADER*>(headers)->e_lfanew;
    if (at < 0 || at > LONG{sizeof headers - sizeof(IMAGE_NT_HEADERS64)}) {
        Fail("the program's headers are not a PE's");
    }
    const auto* pe32 = reinterpret_cast<const IMAGE_NT_HEADERS32*>(headers + at);
    const auto* pe64 = reinterpret_cast<const IMAGE_NT_HEADERS64*>(headers + at);
    return pe32->OptionalHeader.Magic == IMAGE_NT_OPTIONAL_HDR64_MAGIC
               ? pe64->OptionalHeader.ImageBase
               : pe32->OptionalHeader.ImageBase;
}

static void HiddenWindow() {
    PROCESS_INFORMATION program = Start(ProgramPath, "");
    HWND window = WindowWithin(program, 10000);
    char title[64] = "";
    GetWindowTextA(window, title, sizeof title);
    Expect(strcmp(title, PROGRAM_NAME) == 0, "the window is titled Brackenholm");
    Expect(GetParent(window) == nullptr && GetWindow(window, GW_OWNER) == nullptr,
           "the window is top-level");
    ULONGLONG module = ImageBase(ProgramPath);
    Expect(static_cast<ULONGLONG>(GetWindowLongPtrA(window, GWLP_HINSTANCE)) == module &&
               static_cast<ULONGLONG>(GetClassLongPtrA(window, GCLP_HMODULE)) == module,
           "the window and its class belong to the program's own module");
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

static void SimulatedAgrees() {
    SetEnvironmentVariableA("BRACKENHOLM_TEST_CHIP", "now");
    PROCESS_INFORMATION program = Start(ProgramPath, "0");
    WindowWithin(program, 10000);
    Expect(MostBoxesOver(program, SET_TIME_FAILED, 5000) == 0,
           "a chip within half a second is accepted at every tick for 5 s");
    CloseProgram(program, 0);
}

// Every refused tick may open the box, but only one is ever open; after OK the next refused
// tick opens it again.
static void RefusedTimeBoxes(const PROCESS_INFORMATION& program) {
    for (const char* when : {"a refused time shows", "after OK a later refused tick shows"}) {
        HWND box = BoxWithin(program, SET_TIME_FAILED, 10000);
        char what[96];
        snprintf(what, sizeof what, "%s SetLocalTime Error!!!", when);
        Expect(box != nullptr, what);
        Expect(MostBoxesOver(program, SET_TIME_FAILED, 2000) == 1, "never two boxes over 2 s");
        PressOk(box);
        for (DWORD waited = 0; IsWindow(box) && waited < 5000; waited += STEP_MS) {
            Step();
        }
        Expect(!IsWindow(box) && StillRuns(program), "OK closes the box and the program runs on");
    }
}

static void SimulatedRefusedTime() {
    SetEnvironmentVariableA("BRACKENHOLM_TEST_CHIP", "19991231233059");
    PROCESS_INFORMATION program = Start(ProgramPath, "0");
    RefusedTimeBoxes(program);
    CloseProgram(program, 0);
}

static void SimulatedStuck() {
    SetEnvironmentVariableA("BRACKENHOLM_TEST_CHIP", "stuck");
    PROCESS_INFORMATION program = Start(ProgramPath, "0");
    WindowWithin(program, 10000);
    Expect(MostBoxesOver(program, SET_TIME_FAILED, 3000) == 0 &&
               Find(program, "#32770", REFUSED).count == 0,
           "a chip that never ends its update brings no box");
    Expect(StillRuns(program), "the program runs on");
    CloseProgram(program, 0);
}

// Only a refused port instruction is caught: any other fault ends the process as it would with
// no handler, with the fault's code (the prefix runs no crash debugger).
static void SimulatedFault() {
    SetEnvironmentVariableA("BRACKENHOLM_TEST_CHIP", "fault");
    PROCESS_INFORMATION program = Start(ProgramPath, "0");
    Expect(ExitCodeWithin(program, 10000) == EXCEPTION_ACCESS_VIOLATION,
           "an access violation in a read ends the program with its code");
}

// Ahead of the host's clock, and a second past the end of a signed 32-bit time_t.
constexpr ChipWrite STILL_AT_2038_01_19_03_14_08[] = {
    {0x0B, STATUS_B_SET}, {0x00, 0x08}, {0x02, 0x14}, {0x04, 0x03}, {0x06, 0x03},
    {0x07, 0x19},         {0x08, 0x01}, {0x09, 0x38}, {0x32, 0x20}};
constexpr SYSTEMTIME TIME_2038_01_19_03_14_08 = {2038, 1, 2, 19, 3, 14, 8, 0};

// The reading is the chip's whole second when the lag of its log line is under a second.
static void ExpectStillChip(const LoggedReading& reading) {
    if (reading.plusLag < ExpectedReading || reading.plusLag >= ExpectedReading + 1000) {
        char what[128];
        snprintf(what, sizeof what, "reading %u was %s (with the log's lag), not the chip's time",
                 Readings, TimeText(reading.plusLag));
        Fail(what);
    }
}

static void ChipDate() {
    SetChip(STILL_AT_2038_01_19_03_14_08, std::size(STILL_AT_2038_01_19_03_14_08));
    FollowSetLocalTime(UtcMs(TIME_2038_01_19_03_14_08), ExpectStillChip);
    PROCESS_INFORMATION program = Start(ProgramPath, "0");
    RefusedTimeBoxes(program);
    char what[96];
    snprintf(what, sizeof what, "all %u readings passed to SetLocalTime were 2038-01-19 03:14:08",
             Readings);
    Expect(Readings >= 10, what);
    CloseProgram(program, 0);
}

// The chip runs from 23:59:50 on 1999-12-31, so the program's first readings come before the turn
// of 2000. A snapshot that mixed the two years would be a minute or more away from the chip.
// Its divider is held in reset while the time is written; released, the chip makes its first
// update half a second later, so its second at any moment is known to within the time that the
// driver took to write it.
static ULONGLONG ReleaseEarliest;
static ULONGLONG ReleaseLatest;
static ULONGLONG LastReading;
static bool ReadBeforeTurn;
static bool ReadAfterTurn;

// A tick reads the chip and calls SetLocalTime at once: within the few ms of the release's
// uncertainty here. This allows for the emulator translating or the host scheduling in between.
constexpr ULONGLONG SNAPSHOT_TO_CALL_MS = 100;

// The chip's time at T, had its divider been released at RELEASE.
static ULONGLONG RunningChipAt(ULONGLONG t, ULONGLONG release) {
    return ExpectedReading + (t + 500 - release) / 1000 * 1000;
}

static void ExpectRunningChip(const LoggedReading& logged) {
    ULONGLONG reading = logged.plusLag - logged.plusLag % 1000;
    // When Wine timed the call: the log's lag before its line was read, within the cut ms.
    ULONGLONG call = logged.readAt - (logged.plusLag - reading);
    ULONGLONG chip = RunningChipAt(call + 1, ReleaseEarliest);
    if (reading < LastReading || reading > chip ||
        reading < RunningChipAt(call - 1 - SNAPSHOT_TO_CALL_MS, ReleaseLatest)) {
        char what[128];
        int length =
            snprintf(what, sizeof what, "reading %u was %s, ", Readings, TimeText(reading));
        snprintf(what + length, sizeof what - length, "not the running chip's %s", TimeText(chip));
        Fail(what);
    }
    LastReading = reading;
    ReadBeforeTurn = ReadBeforeTurn || reading < ExpectedReading + 10000;
    ReadAfterTurn = ReadAfterTurn || reading >= ExpectedReading + 10000;
}

static void ChipRollover() {
    const ChipWrite setTo1999[] = {{0x0B, STATUS_B_SET}, {0x00, 0x50}, {0x02, 0x59},
                                   {0x04, 0x23},         {0x06, 0x06}, {0x07, 0x31},
                                   {0x08, 0x12},         {0x09, 0x99}, {0x32, 0x19}};
    const ChipWrite release[] = {
        {0x0A, STATUS_A_RESET}, {0x0B, STATUS_B_RUNNING}, {0x0A, STATUS_A_RUNNING}};
    SetChip(setTo1999, std::size(setTo1999));
    ReleaseEarliest = NowMs();
    SetChip(release, std::size(release));
    ReleaseLatest = NowMs();
    FollowSetLocalTime(UtcMs(SYSTEMTIME{1999, 12, 5, 31, 23, 59, 50, 0}), ExpectRunningChip);
    PROCESS_INFORMATION program = Start(ProgramPath, "0");
    for (DWORD waited = 0; !ReadAfterTurn && waited < 25000; waited += STEP_MS) {
        Step();
    }
    char what[96];
    snprintf(what, sizeof what, "%u readings follow the chip from 1999 into 2000, none mixing them",
             Readings);
    Expect(ReadBeforeTurn && ReadAfterTurn, what);
    CloseProgram(program, 0);
}

// One snapshot's port traffic, as QEMU's qtest log (BRACKENHOLM_CHIP_LOG) records it: the select
// byte with the NMI bit, its copy to port 0x4F, the data read, register D selected again with
// its copy, and the dummy read; status A, then the time registers, then the seconds again.
static void ChipTraffic() {
    SetChip(STILL_AT_2038_01_19_03_14_08, std::size(STILL_AT_2038_01_19_03_14_08));
    PROCESS_INFORMATION program = Start(ProgramPath, "0");
    const uint8_t order[] = {0x0A, 0x00, 0x02, 0x04, 0x07, 0x06, 0x08, 0x09, 0x32, 0x00};
    const char* const access[] = {"outb 0x70 0x%x", "outb 0x4f 0x%x", "inb 0x71",
                                  "outb 0x70 0xd",  "outb 0x4f 0xd",  "inb 0x71"};
    char expected[std::size(order) * std::size(access)][24];
    for (size_t i = 0; i < std::size(expected); ++i) {
        snprintf(expected[i], sizeof expected[i], access[i % std::size(access)],
                 order[i / std::size(access)] | 0x80);
    }
    // The program's accesses follow the second connection; QEMU writes its log in blocks.
    char path[MAX_PATH];
    const char* log = getenv("BRACKENHOLM_CHIP_LOG");
    WindowsPath(log ? log : "", path, sizeof path);
    char seen[std::size(expected)][24] = {};
    size_t count = 0;
    for (DWORD waited = 0; count < std::size(expected) && waited < 20000; waited += STEP_MS) {
        Step();
        FILE* file = fopen(path, "rb");
        char line[128];
        int connections = 0;
        count = 0;
        while (file && count < std::size(expected) && fgets(line, sizeof line, file)) {
            connections += strstr(line, "] OPENED") != nullptr;
            const char* words = strchr(line, ']');
            if (connections == 2 && strncmp(line, "[R +", 4) == 0 && words) {
                snprintf(seen[count++], sizeof seen[0], "%.*s",
                         static_cast<int>(strcspn(words + 2, "\n")), words + 2);
            }
        }
        if (file) {
            fclose(file);
        }
    }
    Expect(count == std::size(expected), "QEMU logged the program's first snapshot");
    size_t same = 0;
    while (same < count && strcmp(seen[same], expected[same]) == 0) {
        ++same;
    }
    char what[128] = "the snapshot makes exactly the 60 accesses of the chip's protocol";
    if (same < count) {
        snprintf(what, sizeof what, "access %zu of the snapshot is \"%s\", not \"%s\"", same + 1,
                 seen[same], expected[same]);
    }
    Expect(same == count, what);
    CloseProgram(program, 0);
}

// No such date: month 13, hour 81, with the clock standing still. The decoded record goes to
// SetLocalTime, which refuses it as impossible before it ever tries to set the clock.
static void ChipInvalid() {
    const ChipWrite impossible[] = {{0x0B, STATUS_B_SET}, {0x08, 0x13}, {0x04, 0x81}};
    SetChip(impossible, std::size(impossible));
    FollowSetLocalTime(0, nullptr);
    PROCESS_INFORMATION program = Start(ProgramPath, "0");
    Expect(BoxWithin(program, SET_TIME_FAILED, 10000) != nullptr,
           "the impossible date shows SetLocalTime Error!!!");
    Expect(MostBoxesOver(program, SET_TIME_FAILED, 2000) == 1, "never two boxes over 2 s");
    Expect(Readings == 0, "SetLocalTime refused the record as impossible, not as far from now");
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
    WindowsPath(argv[2], ProgramPath, sizeof ProgramPath);
    static const struct {
        const char* name;
        void (*run)();
    } scenarios[] = {
        {"hidden-window", HiddenWindow},
        {"second-start", SecondStart},
        {"refused-ports", [] { RefusedPorts(ProgramPath); }},
        {"quoted-path", QuotedPath},
        {"version-resource", VersionResource},
        {"simulated-agrees", SimulatedAgrees},
        {"simulated-refused-time", SimulatedRefusedTime},
        {"simulated-stuck", SimulatedStuck},
        {"simulated-fault", SimulatedFault},
        {"chip-date", ChipDate},
        {"chip-rollover", ChipRollover},
        {"chip-traffic", ChipTraffic},
        {"chip-invalid", ChipInvalid},
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
