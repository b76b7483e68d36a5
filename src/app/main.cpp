// Entry point: one instance per user, then the application core runs the program.
#include <windows.h>
#include <commctrl.h>

#include "app/app.h"
#include "app/single_instance.h"
#include "common/scoped.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    // Held until the process ends; a second start shows the first one's window instead.
    const zt::SingleInstance single;
    if (!single.first()) {
        zt::showRunningInstance();
        return 0;
    }

    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES | ICC_BAR_CLASSES};
    InitCommonControlsEx(&controls);
    zt::ComInit com;

    zt::App app(instance);
    if (!app.create()) return 1;
    return app.run();
}
