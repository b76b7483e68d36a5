#include "tray/tray_icon.h"

#include "tray/tray_tip.h"

namespace zt {

namespace {

// Copies as much of the text as fits, always terminated.
template <std::size_t N>
void copyText(wchar_t (&field)[N], const std::wstring& text) {
    const std::size_t n = text.copy(field, N - 1);
    field[n] = L'\0';
}

}  // namespace

TrayIcon::TrayIcon(Notify notify) : notify_(std::move(notify)) {}

BOOL TrayIcon::notify(DWORD message, NOTIFYICONDATAW& data) const {
    return notify_ ? notify_(message, data) : Shell_NotifyIconW(message, &data);
}

NOTIFYICONDATAW TrayIcon::data(UINT flags) const {
    NOTIFYICONDATAW nid{};
    nid.cbSize = sizeof nid;
    nid.hWnd = hwnd_;
    nid.uID = kId;
    nid.uFlags = flags;
    nid.uCallbackMessage = kCallbackMessage;
    nid.hIcon = icon_;
    copyText(nid.szTip, trayTipText(tip_));
    return nid;
}

bool TrayIcon::add(HWND hwnd, HICON icon, const std::wstring& tip) {
    addLater(hwnd, icon, tip);
    return retry();
}

void TrayIcon::addLater(HWND hwnd, HICON icon, const std::wstring& tip) {
    hwnd_ = hwnd;
    icon_ = icon;
    tip_ = tip;
    wanted_ = true;
}

bool TrayIcon::retry() {
    if (!wanted_ || shown_) return shown_;
    NOTIFYICONDATAW nid = data(NIF_MESSAGE | NIF_ICON | NIF_TIP);
    // After TaskbarCreated the shell may still hold the icon; then a modify brings it up to date.
    shown_ = notify(NIM_ADD, nid) || notify(NIM_MODIFY, nid);
    return shown_;
}

void TrayIcon::setIcon(HICON icon) {
    if (icon == icon_) return;
    icon_ = icon;
    if (shown_) modify(NIF_ICON);  // else the add brings it
}

void TrayIcon::setTip(const std::wstring& tip) {
    tip_ = tip;
    if (!shown_) {
        retry();
        return;
    }
    modify(NIF_TIP);
}

void TrayIcon::modify(UINT flags) {
    NOTIFYICONDATAW nid = data(flags);
    if (!notify(NIM_MODIFY, nid)) {
        // The shell lost the icon (it restarted without telling us): add it again.
        shown_ = false;
        retry();
    }
}

void TrayIcon::addAgain() {
    shown_ = false;
    retry();
}

bool TrayIcon::showBalloon(const std::wstring& title, const std::wstring& text) {
    if (!retry()) return false;
    NOTIFYICONDATAW nid = data(NIF_INFO);
    copyText(nid.szInfoTitle, title);
    copyText(nid.szInfo, text);
    nid.dwInfoFlags = NIIF_INFO;
    return notify(NIM_MODIFY, nid);
}

void TrayIcon::remove() {
    if (shown_) {
        NOTIFYICONDATAW nid = data(0);
        notify(NIM_DELETE, nid);
    }
    shown_ = false;
    wanted_ = false;
}

}  // namespace zt
