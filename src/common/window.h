#pragma once
// The base of every top-level window of the program: the window procedure that finds its
// object, the one exception policy, per-monitor DPI with layouts given in twips, the
// message font, centring, and the modal loop of a dialog. A window class derives from
// Window, describes itself in a WindowSpec and answers messages in onMessage().
#include <windows.h>
#include <commctrl.h>

#include <span>
#include <vector>

#include "common/scoped.h"

namespace zt {

// The window procedures' exception policy for a subclass procedure: a message whose handling
// failed goes on to the next procedure of the chain, and the program runs on.
template <typename Handle>
LRESULT guardedSubclass(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, Handle&& handle) noexcept {
    try {
        return handle();
    } catch (...) {
        return DefSubclassProc(hwnd, msg, wParam, lParam);
    }
}

// Where a control sits in its window's client area, in twips (1440 to the inch).
struct Placement {
    int id;
    int left, top, width, height;
};

// How a window is registered and created.
struct WindowSpec {
    const wchar_t* className;
    const wchar_t* title = L"";
    DWORD style = WS_OVERLAPPEDWINDOW;
    DWORD exStyle = 0;
    int clientWidthTwips = 0;  // the client area the window is sized to at creation
    int clientHeightTwips = 0;
    HMENU menu = nullptr;  // the menu bar, the window's from creation on
    HICON icon = nullptr;  // shared icons (LR_SHARED): the class keeps them
    HICON smallIcon = nullptr;
    // Enter, Escape and Tab work as in a dialog (through IsDialogMessage in every loop).
    bool dialogKeys = false;
    // With dialogKeys: keyboard shortcuts of the window, for as long as it exists.
    HACCEL accelerators = nullptr;
};

class Window {
public:
    // A window still open when its object goes is destroyed first.
    virtual ~Window();
    Window(const Window&) = delete;
    Window& operator=(const Window&) = delete;

    HWND hwnd() const { return hwnd_; }
    UINT dpi() const { return dpi_; }
    // Pixels for a length in twips at the window's DPI.
    int twips(int value) const { return twips(value, dpi_); }
    static int twips(int value, UINT dpi) { return MulDiv(value, static_cast<int>(dpi), 1440); }

protected:
    Window() = default;

    // Registers the class once per process and creates the window, not yet shown. WM_CREATE
    // reaches onMessage() with dpi() already the window's; the window is then sized to its
    // client area and laid out.
    bool createWindow(HINSTANCE instance, const WindowSpec& spec, HWND owner = nullptr);

    // The window's messages. May throw: an exception ends the handling of that message
    // only (the default handling runs instead) and the program goes on.
    virtual LRESULT onMessage(UINT msg, WPARAM wParam, LPARAM lParam) = 0;
    LRESULT defaultHandling(UINT msg, WPARAM wParam, LPARAM lParam);

    // The controls laid out by layOut(), and given the message font.
    virtual std::span<const Placement> placements() const = 0;
    // Where a placement puts its control at the current DPI; the default is its rectangle.
    virtual RECT placedRect(const Placement& p) const;
    // The rectangle of the control with this id (empty if it has no placement): controls
    // made there leave the first layout nothing to move.
    RECT placedRect(int id) const;
    // Called after the DPI changed and the font was replaced, before the layout: for
    // DPI-dependent resources of the window (icons, item heights).
    virtual void dpiChanged() {}
    // The window is gone (WM_NCDESTROY): forget its child windows.
    virtual void destroyed() {}

    // Moves every control to its placement at the current DPI and gives it the font.
    void layOut();
    HFONT font() const { return font_.get(); }
    // Centres the window on the monitor it is on.
    void centreOnMonitor();
    // For WM_ACTIVATE of a dialog-like window: keeps the focused control as the window goes
    // inactive and gives it back as the window becomes active again (`first` the first time).
    void keepFocus(WPARAM activation, HWND first);

    // Shows the window as a modal dialog: every other enabled top-level window of this
    // thread is disabled, messages (with dialog keys) are handled until the window is
    // closed through closeWindow() or destroyed, then the others are enabled again.
    // Returns at once when a quit message arrives (it is posted again for the outer loop).
    void runModal(HWND except = nullptr);
    // Gives the disabled windows back first, so that activation returns to them, then
    // hides and destroys the window.
    virtual void closeWindow();

private:
    static LRESULT CALLBACK windowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
    LRESULT handle(UINT msg, WPARAM wParam, LPARAM lParam) noexcept;
    LRESULT dispatch(UINT msg, WPARAM wParam, LPARAM lParam);
    void applyDpi(UINT dpi);
    RECT windowRectAt(int left, int top) const { return windowRectAt(left, top, dpi_); }
    RECT windowRectAt(int left, int top, UINT dpi) const;
    void enableOthers();
    // WM_NEXTDLGCTL for a window with dialog keys.
    void nextControl(WPARAM wParam, LPARAM lParam);

    HWND hwnd_ = nullptr;
    UINT dpi_ = USER_DEFAULT_SCREEN_DPI;
    ScopedFont font_;
    WindowSpec spec_{};
    unsigned generation_ = 0;      // tells a modal loop that its window was replaced
    std::vector<HWND> disabled_;  // what runModal disabled
    HWND focus_ = nullptr;        // the control keepFocus gives the focus back to
};

}  // namespace zt
