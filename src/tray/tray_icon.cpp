#include "tray/tray_icon.h"

#include "tray/tray_tip.h"

namespace zt {

NOTIFYICONDATAW TrayIcon::data(UINT flags) const {
    NOTIFYICONDATAW nid{};
    nid.cbSize = sizeof nid;
    nid.hWnd = hwnd_;
    nid.uID = kId;
    nid.uFlags = flags;
    nid.uCallbackMessage = kCallbackMessage;
    nid.hIcon = icon_;
    const std::wstring text = trayTipText(tip_);
    text.copy(nid.szTip, text.size());
    nid.szTip[text.size()] = L'\0';
    return nid;
}

bool TrayIcon::add(HWND hwnd, HICON icon, const std::wstring& tip) {
    hwnd_ = hwnd;
    icon_ = icon;
    tip_ = tip;
    wanted_ = true;
    return retry();
}

bool TrayIcon::retry() {
    if (!wanted_ || shown_) return shown_;
    NOTIFYICONDATAW nid = data(NIF_MESSAGE | NIF_ICON | NIF_TIP);
    // After TaskbarCreated the shell may still hold the icon; then a modify brings it up to date.
    shown_ = Shell_NotifyIconW(NIM_ADD, &nid) || Shell_NotifyIconW(NIM_MODIFY, &nid);
    return shown_;
}

void TrayIcon::setTip(const std::wstring& tip) {
    tip_ = tip;
    if (!shown_) {
        retry();
        return;
    }
    NOTIFYICONDATAW nid = data(NIF_TIP);
    if (!Shell_NotifyIconW(NIM_MODIFY, &nid)) {
        // The shell lost the icon (it restarted without telling us): add it again.
        shown_ = false;
        retry();
    }
}

void TrayIcon::addAgain() {
    shown_ = false;
    retry();
}

void TrayIcon::remove() {
    if (shown_) {
        NOTIFYICONDATAW nid = data(0);
        Shell_NotifyIconW(NIM_DELETE, &nid);
    }
    shown_ = false;
    wanted_ = false;
}

}  // namespace zt
