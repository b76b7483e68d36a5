#include "common/app_theme.h"

#include <string_view>
#include <utility>

namespace zt {

namespace {

// DWMWA_USE_IMMERSIVE_DARK_MODE, which MinGW's dwmapi.h does not name yet; Windows 10
// before 20H1 (build 19041) knew it by the number before.
constexpr DWORD kImmersiveDarkMode = 20;
constexpr DWORD kImmersiveDarkModeBefore20H1 = 19;

WindowAttributeSetter& attributeSetter() {
    static WindowAttributeSetter setter;
    return setter;
}

// Looked up on first use: a light title bar, the default, needs no call, and the library
// would otherwise be loaded at every start.
HRESULT dwmSetWindowAttribute(HWND window, DWORD attribute, const void* value, DWORD size) {
    using Set = HRESULT(WINAPI*)(HWND, DWORD, LPCVOID, DWORD);
    static const auto set = [] {
        const HMODULE dwm = LoadLibraryExW(L"dwmapi.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
        return dwm ? reinterpret_cast<Set>(reinterpret_cast<void*>(GetProcAddress(dwm, "DwmSetWindowAttribute")))
                   : nullptr;
    }();
    return set ? set(window, attribute, value, size) : E_NOTIMPL;
}

HRESULT setAttribute(HWND window, DWORD attribute, const void* value, DWORD size) {
    if (const auto& setter = attributeSetter()) return setter(window, attribute, value, size);
    return dwmSetWindowAttribute(window, attribute, value, size);
}

}  // namespace

bool appsUseDarkTheme() {
    DWORD light = 1;
    DWORD size = sizeof light;
    const LSTATUS status = RegGetValueW(HKEY_CURRENT_USER, L"Software\\Microsoft\\Windows\\CurrentVersion\\Themes\\Personalize",
                                        L"AppsUseLightTheme", RRF_RT_REG_DWORD, nullptr, &light, &size);
    return status == ERROR_SUCCESS && light == 0;
}

bool isAppThemeChange(LPARAM lParam) {
    const auto* area = reinterpret_cast<const wchar_t*>(lParam);
    return area && std::wstring_view(area) == L"ImmersiveColorSet";
}

void followAppTheme(HWND window, bool repaint) {
    const BOOL dark = appsUseDarkTheme() ? TRUE : FALSE;
    // A new window's title bar is light already.
    if (!dark && !repaint) return;
    if (FAILED(setAttribute(window, kImmersiveDarkMode, &dark, sizeof dark)))
        setAttribute(window, kImmersiveDarkModeBefore20H1, &dark, sizeof dark);
    // Windows 10 repaints the title bar only when the window's activation changes: it is
    // changed there and back.
    if (repaint && IsWindowVisible(window)) {
        const BOOL active = GetActiveWindow() == window;
        SendMessageW(window, WM_NCACTIVATE, !active, 0);
        SendMessageW(window, WM_NCACTIVATE, active, 0);
    }
}

void setWindowAttributeSetter(WindowAttributeSetter setter) { attributeSetter() = std::move(setter); }

}  // namespace zt
