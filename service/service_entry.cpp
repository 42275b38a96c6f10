#include "command_tail.h"
#include "correction_wndproc.h"

static const char PROGRAM_NAME[] = "Brackenholm";

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previousInstance, LPSTR commandTail, int) {
    // The name's existence is the guard; the handle stays open until the process ends.
    CreateMutexA(nullptr, FALSE, PROGRAM_NAME);
    if (GetLastError() == ERROR_ALREADY_EXISTS) {
        return 0;
    }

    // The timer starts inside window creation, so the period comes first.
    CorrectionPeriod = PeriodFromCommandTail(commandTail);

    if (previousInstance == nullptr) {
        WNDCLASSA windowClass;
        windowClass.style = CS_HREDRAW | CS_VREDRAW;
        windowClass.lpfnWndProc = CorrectionWndProc;
        windowClass.cbClsExtra = 0;
        windowClass.cbWndExtra = 0;
        windowClass.hInstance = instance;
        windowClass.hIcon = LoadIconA(nullptr, IDI_APPLICATION);
        windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
        windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
        windowClass.lpszMenuName = nullptr;
        windowClass.lpszClassName = PROGRAM_NAME;
        if (RegisterClassA(&windowClass) == 0) {
            MessageBoxA(nullptr, "WinMain(): RegisterClass() failed", "Error", MB_ICONWARNING);
            return 0;
        }
    }

    HWND window = CreateWindowExA(0, PROGRAM_NAME, PROGRAM_NAME, WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                                  CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr,
                                  instance, nullptr);
    if (window == nullptr) {
        return 0;
    }
    ShowWindow(window, SW_HIDE);

    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) != 0) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    return static_cast<int>(message.wParam);
}
