// The process entry: no C runtime, so the command tail is formed here.
#include "clock_access_guard.h"
#include "command_tail.h"

static bool IsLeadByte(uint8_t byte) {
    return IsDBCSLeadByte(byte) != 0;
}

extern "C" void WinMainCRTStartup() {
    InstallClockAccessGuard();
    char* tail = const_cast<char*>(CommandTailFromLine(GetCommandLineA(), IsLeadByte));
    ExitProcess(
        static_cast<UINT>(WinMain(GetModuleHandleA(nullptr), nullptr, tail, SW_SHOWDEFAULT)));
}
