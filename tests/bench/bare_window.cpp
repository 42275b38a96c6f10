// The floor the program is measured against: a hidden window and its message loop, nothing else.
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

extern "C" void WinMainCRTStartup() {
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = DefWindowProcA;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = "BareWindow";
    RegisterClassA(&windowClass);
    CreateWindowExA(0, "BareWindow", "BareWindow", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                    CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr,
                    windowClass.hInstance, nullptr);
    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        DispatchMessageA(&message);
    }
    ExitProcess(0);
}
