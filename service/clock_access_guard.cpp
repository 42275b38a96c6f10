#include "clock_access_guard.h"

#define WIN32_LEAN_AND_MEAN
#include <windows.h>

static void* ClockReadJump[5];
static volatile bool ClockReadGuarded;

[[noreturn]] static void AbandonClockRead() {
    __builtin_longjmp(ClockReadJump, 1);
}

// An NT-family system faults the first CLI, IN or OUT of an ordinary process. Resume in a
// fresh frame below the fault that jumps back to the guarded read; only our own frames,
// which hold no handlers, lie between.
static LONG WINAPI CatchClockAccessRefusal(EXCEPTION_POINTERS* exception) {
    if (!ClockReadGuarded ||
        exception->ExceptionRecord->ExceptionCode != EXCEPTION_PRIV_INSTRUCTION) {
        return EXCEPTION_CONTINUE_SEARCH;
    }
    CONTEXT* context = exception->ContextRecord;
#ifdef _WIN64
    context->Rsp = ((context->Rsp - 128) & ~DWORD64{15}) - 8;
    context->Rip = reinterpret_cast<DWORD64>(&AbandonClockRead);
#else
    context->Esp = ((context->Esp - 128) & ~DWORD{15}) - 4;
    context->Eip = reinterpret_cast<DWORD>(&AbandonClockRead);
#endif
    return EXCEPTION_CONTINUE_EXECUTION;
}

void InstallClockAccessGuard() {
    SetUnhandledExceptionFilter(CatchClockAccessRefusal);
}

ClockReadResult ReadClockTimeGuarded(SYSTEMTIME* time) {
    if (__builtin_setjmp(ClockReadJump) != 0) {
        ClockReadGuarded = false;
        return CLOCK_ACCESS_REFUSED;
    }
    ClockReadGuarded = true;
    ClockReadResult result = ReadClockTime(time);
    ClockReadGuarded = false;
    return result;
}
