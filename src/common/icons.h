#pragma once
// The program's icons from its resources at the size the system draws them, each image
// drawn for its size rather than scaled from another.
#include <windows.h>

#include "common/scoped.h"

namespace zt {

// The shell's small (tray, title bar) or large icon at the system's DPI: LoadIconMetric
// of Common Controls 6, else LoadImage at the system metrics' size. The caller owns it.
HICON loadIconMetric(HINSTANCE instance, int id, bool large);

// The small or large icon at a window's DPI: LoadIconWithScaleDown (an image of that size,
// else a larger one scaled down), else LoadImage. The caller owns it.
HICON loadIconForDpi(HINSTANCE instance, int id, bool large, UINT dpi);

// The width of an icon's image in pixels (0 for none).
int iconWidth(HICON icon);

// A window's own title bar and Alt+Tab icons, for its DPI: set again when that changes.
class WindowIcons {
public:
    void apply(HWND hwnd, HINSTANCE instance, int id, UINT dpi);

private:
    ScopedIcon small_;
    ScopedIcon large_;
};

}  // namespace zt
