#pragma once
// The program's one icon in the notification area, named by its window and the number 1.
#include <windows.h>
#include <shellapi.h>

#include <functional>
#include <string>

namespace zt {

class TrayIcon {
public:
    // The message the shell sends the window for events on the icon; the low word of
    // lParam carries the mouse message (WM_LBUTTONUP, WM_LBUTTONDBLCLK, WM_RBUTTONUP, ...).
    static constexpr UINT kCallbackMessage = WM_APP + 1;
    static constexpr UINT kId = 1;

    // How the icon reaches the shell: Shell_NotifyIconW, or in tests a probe of what is sent.
    using Notify = std::function<BOOL(DWORD message, NOTIFYICONDATAW& data)>;

    explicit TrayIcon(Notify notify = nullptr);
    TrayIcon(const TrayIcon&) = delete;
    TrayIcon& operator=(const TrayIcon&) = delete;
    ~TrayIcon() { remove(); }

    // Adds the icon; if the shell is not ready, the icon is remembered and added by a
    // later call of retry(), setTip() or addAgain().
    bool add(HWND hwnd, HICON icon, const std::wstring& tip);
    // Remembers the icon without asking the shell yet: the first retry(), setTip(),
    // addAgain() or showBalloon() adds it.
    void addLater(HWND hwnd, HICON icon, const std::wstring& tip);
    // Replaces the image; the caller keeps it alive for as long as the icon shows it.
    void setIcon(HICON icon);
    // Replaces the tip (at most 63 characters are kept).
    void setTip(const std::wstring& tip);
    // The notification area was re-created (TaskbarCreated): add the icon again as it was.
    void addAgain();
    // Tries the add again if it has not succeeded yet; true once the icon is there.
    bool retry();
    void remove();
    // A balloon notification from the icon (the shell decides how long it shows); false
    // when the icon cannot be added or the shell refused.
    bool showBalloon(const std::wstring& title, const std::wstring& text);


private:
    NOTIFYICONDATAW data(UINT flags) const;
    // Sends what changed; a shell that has lost the icon gets it added again.
    void modify(UINT flags);
    BOOL notify(DWORD message, NOTIFYICONDATAW& data) const;

    Notify notify_;
    HWND hwnd_ = nullptr;
    HICON icon_ = nullptr;
    std::wstring tip_;
    bool wanted_ = false;  // add() was called and remove() not yet
    bool shown_ = false;   // the shell accepted the icon
};

}  // namespace zt
