#include "common/window.h"

#include <commctrl.h>

#include <string_view>
#include <utility>

#include "common/app_theme.h"
#include "common/winutil.h"

namespace zt {

namespace {

// The message font at a DPI; scaled from the system DPI where the per-DPI query fails.
ScopedFont messageFont(UINT dpi) {
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof metrics;
    if (!SystemParametersInfoForDpi(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0, dpi)) {
        if (!SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0)) return ScopedFont();
        metrics.lfMessageFont.lfHeight =
            MulDiv(metrics.lfMessageFont.lfHeight, static_cast<int>(dpi), static_cast<int>(GetDpiForSystem()));
    }
    return ScopedFont(CreateFontIndirectW(&metrics.lfMessageFont));
}

bool isImeWindow(HWND hwnd) {
    wchar_t name[32] = {};
    GetClassNameW(hwnd, name, 32);
    return std::wstring_view(name) == L"IME" || std::wstring_view(name) == L"MSCTFIME UI";
}

struct Collect {
    HWND self, except;
    std::vector<HWND>* windows;
};

BOOL CALLBACK collectEnabled(HWND hwnd, LPARAM lParam) {
    const auto* c = reinterpret_cast<const Collect*>(lParam);
    if (hwnd != c->self && hwnd != c->except && IsWindowEnabled(hwnd) && !isImeWindow(hwnd))
        c->windows->push_back(hwnd);
    return TRUE;
}

}  // namespace

Window::~Window() {
    if (!hwnd_) return;
    // The derived object is gone already: the last messages get the default handling.
    SetWindowLongPtrW(hwnd_, GWLP_USERDATA, 0);
    if (spec_.dialogKeys) unregisterDialogWindow(hwnd_);
    enableOthers();
    DestroyWindow(hwnd_);
}

bool Window::createWindow(HINSTANCE instance, const WindowSpec& spec, HWND owner) {
    spec_ = spec;
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    if (!GetClassInfoExW(instance, spec.className, &wc)) {
        wc = {};
        wc.cbSize = sizeof wc;
        wc.lpfnWndProc = windowProc;
        wc.hInstance = instance;
        wc.hIcon = spec.icon;
        wc.hIconSm = spec.smallIcon;
        wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
        wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
        wc.lpszClassName = spec.className;
        if (!RegisterClassExW(&wc) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) return false;
    }
    // Made at its size for the system's DPI, which a new window nearly always has: sizing it
    // again once its controls are in it costs them all a pass.
    const RECT want = windowRectAt(0, 0, GetDpiForSystem());
    if (!CreateWindowExW(spec.exStyle, spec.className, spec.title, spec.style, CW_USEDEFAULT, CW_USEDEFAULT,
                         want.right - want.left, want.bottom - want.top, owner, spec.menu, instance, this))
        return false;
    ++generation_;
    if (dpi_ != GetDpiForSystem()) {  // made on a monitor of another DPI: sized for that one
        const RECT rc = windowRectAt(0, 0);
        SetWindowPos(hwnd_, nullptr, 0, 0, rc.right - rc.left, rc.bottom - rc.top,
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    return true;
}

LRESULT CALLBACK Window::windowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_NCCREATE) {
        auto* self = static_cast<Window*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        self->hwnd_ = hwnd;
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    }
    auto* self = reinterpret_cast<Window*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    return self ? self->handle(msg, wParam, lParam) : DefWindowProcW(hwnd, msg, wParam, lParam);
}

// The one exception policy: nothing crosses the window procedure; a message whose handling
// failed gets the default handling and the program runs on.
LRESULT Window::handle(UINT msg, WPARAM wParam, LPARAM lParam) noexcept {
    const HWND hwnd = hwnd_;
    try {
        return dispatch(msg, wParam, lParam);
    } catch (...) {
        return DefWindowProcW(hwnd, msg, wParam, lParam);
    }
}

LRESULT Window::dispatch(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_CREATE: {
        dpi_ = GetDpiForWindow(hwnd_);
        followAppTheme(hwnd_);
        if (spec_.dialogKeys) registerDialogWindow(hwnd_, spec_.accelerators);
        const LRESULT result = onMessage(msg, wParam, lParam);
        if (result != -1) applyDpi(dpi_);
        return result;
    }
    case WM_DPICHANGED: {
        applyDpi(HIWORD(wParam));
        const auto* suggested = reinterpret_cast<const RECT*>(lParam);
        // A window the user can size takes the system's suggestion; a fixed one keeps its
        // designed client area.
        const RECT rc = (spec_.style & WS_THICKFRAME) ? *suggested : windowRectAt(suggested->left, suggested->top);
        SetWindowPos(hwnd_, nullptr, rc.left, rc.top, rc.right - rc.left, rc.bottom - rc.top,
                     SWP_NOZORDER | SWP_NOACTIVATE);
        return 0;
    }
    case WM_NEXTDLGCTL:
        // IsDialogMessage moves the focus with this message where a label's access key
        // leads to the control after it; only a dialog's own procedure would answer it.
        if (!spec_.dialogKeys) return onMessage(msg, wParam, lParam);
        nextControl(wParam, lParam);
        return 0;
    case WM_SETTINGCHANGE:
        if (isAppThemeChange(lParam)) followAppTheme(hwnd_, true);
        return onMessage(msg, wParam, lParam);
    case WM_DESTROY:
        if (spec_.dialogKeys) unregisterDialogWindow(hwnd_);
        return onMessage(msg, wParam, lParam);
    case WM_NCDESTROY: {
        enableOthers();
        const HWND gone = std::exchange(hwnd_, nullptr);
        SetWindowLongPtrW(gone, GWLP_USERDATA, 0);
        focus_ = nullptr;
        destroyed();
        font_.reset();
        return DefWindowProcW(gone, msg, wParam, lParam);
    }
    default:
        return onMessage(msg, wParam, lParam);
    }
}

LRESULT Window::defaultHandling(UINT msg, WPARAM wParam, LPARAM lParam) {
    return DefWindowProcW(hwnd_, msg, wParam, lParam);
}

void Window::applyDpi(UINT dpi) {
    dpi_ = dpi;
    ScopedFont font = messageFont(dpi_);
    if (font) {
        for (const Placement& p : placements())
            if (HWND control = GetDlgItem(hwnd_, p.id))
                SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font.get()), FALSE);
        font_ = std::move(font);  // only now that no control uses the old one
    }
    dpiChanged();
    layOut();
    InvalidateRect(hwnd_, nullptr, TRUE);
}

RECT Window::placedRect(const Placement& p) const {
    return {twips(p.left), twips(p.top), twips(p.left) + twips(p.width), twips(p.top) + twips(p.height)};
}

RECT Window::placedRect(int id) const {
    for (const Placement& p : placements())
        if (p.id == id) return placedRect(p);
    return {};
}

void Window::layOut() {
    for (const Placement& p : placements()) {
        const HWND control = GetDlgItem(hwnd_, p.id);
        if (!control) continue;
        const RECT want = placedRect(p);
        RECT now{};
        GetWindowRect(control, &now);
        MapWindowPoints(nullptr, hwnd_, reinterpret_cast<POINT*>(&now), 2);
        // A drop-down combo box is placed with the height of its open list, but its window
        // is only the closed field: its place and width tell whether it has to move.
        wchar_t type[16] = {};
        GetClassNameW(control, type, 16);
        if (lstrcmpiW(type, WC_COMBOBOXW) == 0) now.bottom = want.bottom;
        if (!EqualRect(&now, &want))  // a move to where it is still costs the control a pass
            SetWindowPos(control, nullptr, want.left, want.top, want.right - want.left, want.bottom - want.top,
                         SWP_NOZORDER | SWP_NOACTIVATE);
    }
}

RECT Window::windowRectAt(int left, int top, UINT dpi) const {
    RECT rc{0, 0, twips(spec_.clientWidthTwips, dpi), twips(spec_.clientHeightTwips, dpi)};
    AdjustWindowRectExForDpi(&rc, spec_.style, spec_.menu != nullptr, spec_.exStyle, dpi);
    OffsetRect(&rc, left - rc.left, top - rc.top);
    return rc;
}

void Window::centreOnMonitor() {
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    GetMonitorInfoW(MonitorFromWindow(hwnd_, MONITOR_DEFAULTTOPRIMARY), &monitor);
    RECT window;
    GetWindowRect(hwnd_, &window);
    const RECT& screen = monitor.rcMonitor;
    const int left = (screen.right - screen.left - (window.right - window.left)) / 2;
    const int top = (screen.bottom - screen.top - (window.bottom - window.top)) / 2;
    SetWindowPos(hwnd_, nullptr, screen.left + left, screen.top + top, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void Window::keepFocus(WPARAM activation, HWND first) {
    if (LOWORD(activation) == WA_INACTIVE) {
        const HWND focus = GetFocus();
        if (focus && IsChild(hwnd_, focus)) focus_ = focus;
    } else {
        SetFocus(focus_ && IsWindow(focus_) ? focus_ : first);
    }
}

void Window::nextControl(WPARAM wParam, LPARAM lParam) {
    // As a dialog does: the control named, or the next (previous) tab stop from the focus.
    const HWND focus = IsChild(hwnd_, GetFocus()) ? GetFocus() : nullptr;
    const HWND to = LOWORD(lParam) ? reinterpret_cast<HWND>(wParam) : GetNextDlgTabItem(hwnd_, focus, wParam != 0);
    if (!to || !IsChild(hwnd_, to)) return;
    // A box's whole text is selected, so that typing replaces it.
    if (SendMessageW(to, WM_GETDLGCODE, 0, 0) & DLGC_HASSETSEL) SendMessageW(to, EM_SETSEL, 0, -1);
    SetFocus(to);
}

void Window::runModal(HWND except) {
    if (!hwnd_) return;
    const unsigned session = generation_;
    const std::size_t before = disabled_.size();
    Collect collect{hwnd_, except, &disabled_};
    EnumThreadWindows(GetCurrentThreadId(), collectEnabled, reinterpret_cast<LPARAM>(&collect));
    for (std::size_t i = before; i < disabled_.size(); ++i) EnableWindow(disabled_[i], FALSE);
    ShowWindow(hwnd_, SW_SHOWNORMAL);
    SetForegroundWindow(hwnd_);
    MSG msg;
    while (hwnd_ && generation_ == session) {
        const BOOL got = GetMessageW(&msg, nullptr, 0, 0);
        if (got == -1) break;
        if (got == 0) {
            PostQuitMessage(static_cast<int>(msg.wParam));  // for the outer loop
            break;
        }
        if (!hwnd_ || !IsDialogMessageW(hwnd_, &msg)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
    }
    if (hwnd_ && generation_ == session) closeWindow();
}

void Window::closeWindow() {
    if (!hwnd_) return;
    enableOthers();
    ShowWindow(hwnd_, SW_HIDE);
    if (hwnd_) DestroyWindow(hwnd_);
}

void Window::enableOthers() {
    for (HWND hwnd : std::exchange(disabled_, {}))
        if (IsWindow(hwnd)) EnableWindow(hwnd, TRUE);
}

}  // namespace zt
