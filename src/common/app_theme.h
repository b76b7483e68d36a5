#pragma once
// Title bars in the app theme the user chose in Windows (Personalisation, Colours: dark or
// light for apps). The window base applies it to every top-level window as it is made and
// again when the setting changes.
#include <windows.h>

#include <functional>

namespace zt {

// True when Windows is set to dark for apps: AppsUseLightTheme is 0 under
// HKCU\Software\Microsoft\Windows\CurrentVersion\Themes\Personalize (light when unset).
bool appsUseDarkTheme();

// True for the WM_SETTINGCHANGE (its lParam) that says the app theme may have changed.
bool isAppThemeChange(LPARAM lParam);

// Gives the window's title bar the app theme. Without `repaint` (a window just made, whose
// title bar is light) only a dark theme is set; with it, either is, and a window already on
// the screen shows the change at once.
void followAppTheme(HWND window, bool repaint = false);

// How a window's DWM attribute is set: DwmSetWindowAttribute, unless a test records the
// calls instead (an empty setter puts the system's back).
using WindowAttributeSetter = std::function<HRESULT(HWND window, DWORD attribute, const void* value, DWORD size)>;
void setWindowAttributeSetter(WindowAttributeSetter setter);

}  // namespace zt
