// Entry point: creates the main window and runs the message loop.
#include <windows.h>
#include <commctrl.h>

#include "common/scoped.h"
#include "common/winutil.h"
#include "mainwindow/form1.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int showCommand) {
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&controls);
    zt::ComInit com;

    zt::Form1 form;
    if (!form.create(instance)) return 1;
    ShowWindow(form.hwnd(), showCommand);
    UpdateWindow(form.hwnd());

    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return static_cast<int>(msg.wParam);
}
