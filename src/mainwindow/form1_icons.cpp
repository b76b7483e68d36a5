// The main window's icons: its own, and the tray icon's image for the state it shows.
#include <utility>

#include "mainwindow/form1.h"
#include "resource.h"

namespace zt {

void Form1::loadIcons() {
    windowIcons_.apply(hwnd(), instance_, IDI_APP, dpi());
    TrayImages fresh(instance_);
    // The shell has the new image before the old one goes.
    tray_.setIcon(fresh.icon(iconState_));
    trayImages_ = std::move(fresh);
}

void Form1::showIconState(IconState state) {
    iconState_ = state;
    tray_.setIcon(trayImages_.icon(state));
}

}  // namespace zt
