// Reads the emulated PC's clock chip with the program's own reader and reports on the debug
// console: each reading that differs from the one before, the interrupt flag that each reader
// call leaves, then the count of snapshots and of those that timed out. The multiboot command
// line "readings=N" says how many readings to report.
#include "clock_port_access.h"
#include "clock_snapshot.h"
#include "cpu_instructions.h"

constexpr uint8_t PORT_DEBUG_CONSOLE = 0xE9;
constexpr uint8_t PORT_DEBUG_EXIT = 0xF4;
constexpr uint8_t PORT_PIC1_DATA = 0x21;
constexpr uint8_t PORT_PIC2_DATA = 0xA1;
constexpr uint32_t MULTIBOOT_INFO_CMDLINE = 1u << 2;
constexpr unsigned SNAPSHOT_LIMIT = 50000000;
constexpr SYSTEMTIME SENTINEL = {1, 2, 3, 4, 5, 6, 7, 8};

static void Print(const char* text) {
    while (*text != '\0') {
        WritePortByte(PORT_DEBUG_CONSOLE, static_cast<uint8_t>(*text++));
    }
}

static void PrintNumber(unsigned value, unsigned width) {
    char digits[12];
    unsigned count = 0;
    do {
        digits[count++] = static_cast<char>('0' + value % 10);
        value /= 10;
    } while (value != 0 || count < width);
    while (count != 0) {
        WritePortByte(PORT_DEBUG_CONSOLE, static_cast<uint8_t>(digits[--count]));
    }
}

static void PrintTime(const SYSTEMTIME& t) {
    const struct {
        unsigned value;
        unsigned width;
        const char* after;
    } fields[] = {{t.wYear, 4, "-"},
                  {t.wMonth, 2, "-"},
                  {t.wDay, 2, " "},
                  {t.wHour, 2, ":"},
                  {t.wMinute, 2, ":"},
                  {t.wSecond, 2, "."},
                  {t.wMilliseconds, 3, " dow "},
                  {t.wDayOfWeek, 1, "\n"}};
    for (const auto& field : fields) {
        PrintNumber(field.value, field.width);
        Print(field.after);
    }
}

static bool SameTime(const SYSTEMTIME& a, const SYSTEMTIME& b) {
    return a.wYear == b.wYear && a.wMonth == b.wMonth && a.wDayOfWeek == b.wDayOfWeek &&
           a.wDay == b.wDay && a.wHour == b.wHour && a.wMinute == b.wMinute &&
           a.wSecond == b.wSecond && a.wMilliseconds == b.wMilliseconds;
}

// The flag as the processor holds it, set and read with the image's own instructions, so that a
// reader instruction which does nothing cannot hide.
static void SetInterruptFlag(bool enabled) {
    if (enabled) {
        asm volatile("sti" : : : "memory");
    } else {
        asm volatile("cli" : : : "memory");
    }
}

static bool InterruptFlag() {
    uint32_t flags;
    asm volatile("pushfl\n\tpopl %0" : "=r"(flags) : : "memory");
    return (flags & FLAGS_IF) != 0;
}

static void ReportInterruptFlag() {
    const struct {
        const char* name;
        bool enabledBefore;
        void (*call)();
    } calls[] = {
        {"ReadCmosRegister", true, [] { ReadCmosRegister(RTC_SECONDS); }},
        {"ReadCmosRegister", false, [] { ReadCmosRegister(RTC_SECONDS); }},
        {"WaitForClockUpdate", true, [] { WaitForClockUpdate(); }},
        {"ReadClockTime", false,
         [] {
             SYSTEMTIME time;
             ReadClockTime(&time);
         }},
    };
    Print("interrupt flag:");
    for (const auto& call : calls) {
        SetInterruptFlag(call.enabledBefore);
        call.call();
        Print(" ");
        Print(call.name);
        Print(call.enabledBefore ? " on->" : " off->");
        Print(InterruptFlag() ? "on" : "off");
    }
    Print("\n");
}

static unsigned ReadingsWanted(const uint32_t* multibootInfo) {
    if ((multibootInfo[0] & MULTIBOOT_INFO_CMDLINE) == 0) {
        return 1;
    }
    const char* line = reinterpret_cast<const char*>(multibootInfo[4]);
    static const char KEY[] = "readings=";
    for (; *line != '\0'; ++line) {
        unsigned matched = 0;
        while (KEY[matched] != '\0' && line[matched] == KEY[matched]) {
            ++matched;
        }
        if (KEY[matched] == '\0') {
            unsigned wanted = 0;
            for (line += matched; *line >= '0' && *line <= '9'; ++line) {
                wanted = wanted * 10 + static_cast<unsigned>(*line - '0');
            }
            return wanted;
        }
    }
    return 1;
}

extern "C" void BareMain(const uint32_t* multibootInfo) {
    // No interrupt table here: silence both interrupt controllers before the reader unmasks.
    // Nothing else can interrupt: the I/O APIC's entries stay masked as at reset, and the local
    // APIC's timer is never started.
    WritePortByte(PORT_PIC1_DATA, 0xFF);
    WritePortByte(PORT_PIC2_DATA, 0xFF);

    unsigned wanted = ReadingsWanted(multibootInfo);
    unsigned reported = 0;
    unsigned snapshots = 0;
    unsigned timeouts = 0;
    SYSTEMTIME last = SENTINEL;
    while (reported < wanted && snapshots < SNAPSHOT_LIMIT) {
        SYSTEMTIME time = SENTINEL;
        ++snapshots;
        if (ReadClockTime(&time) != CLOCK_READ) {
            ++timeouts;
            if (!SameTime(time, SENTINEL)) {
                Print("record written without a reading\n");
            }
        } else if (!SameTime(time, last)) {
            PrintTime(time);
            last = time;
            ++reported;
        }
    }
    // After the readings, so that the benchmark's count of the first snapshot sees only its own.
    ReportInterruptFlag();
    Print("snapshots ");
    PrintNumber(snapshots, 1);
    Print(" timeouts ");
    PrintNumber(timeouts, 1);
    Print("\n");
    WritePortByte(PORT_DEBUG_EXIT, 0);
}
