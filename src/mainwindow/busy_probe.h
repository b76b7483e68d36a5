#pragma once
// Whether Windows reports the user busy: the shell's notification state (unless the desktop,
// a taskbar or the Start menu is in front) and, where the user's own registry shows it, a
// program holding the microphone open (a call).
#include <windows.h>
#include <shellapi.h>

#include <string>

#include "core/considerate.h"

namespace zt {

// Relative to HKEY_CURRENT_USER: what Windows 10 and 11 record of each program's use of the
// microphone. A program using it now has LastUsedTimeStart set and LastUsedTimeStop 0.
inline constexpr wchar_t kMicrophoneConsentKey[] =
    L"Software\\Microsoft\\Windows\\CurrentVersion\\CapabilityAccessManager\\ConsentStore\\microphone";

// Busy for a full-screen program or presentation settings (QUNS_BUSY), a full-screen
// Direct3D program, presentation mode and the quiet time after a first logon: each is the
// shell saying "do not interrupt now". Free for QUNS_ACCEPTS_NOTIFICATIONS, for
// QUNS_NOT_PRESENT (locked, screen saver: there is nobody to interrupt, and holding would
// only move the sound to the moment the user comes back), for QUNS_APP (only that a store
// app runs, which on Windows 10 and 11 is an ordinary window; a full-screen one reports
// QUNS_BUSY) and for anything unknown.
BusyReason busyFromNotificationState(QUERY_USER_NOTIFICATION_STATE state);

// Whether any program under the consent key (packaged apps below it, desktop programs below
// its NonPackaged subkey) has the microphone open now. False when nothing can be read.
bool microphoneInUse(HKEY root, const std::wstring& consentKey);

// The full path of the program that owns the window; "" when it cannot be read (another
// user's or an elevated process may refuse).
std::wstring windowProgram(HWND window);

// What the probe reads of the system; the tests give their own.
struct BusySources {
    HRESULT(WINAPI* notificationState)(QUERY_USER_NOTIFICATION_STATE*) = SHQueryUserNotificationState;
    HWND(WINAPI* foreground)() = GetForegroundWindow;
    std::wstring (*programOf)(HWND) = windowProgram;
    const wchar_t* microphoneKey = kMicrophoneConsentKey;  // under HKEY_CURRENT_USER
};

// The window's class and its program, as the busy rules read them; empty for no window.
WindowInFront windowInFront(HWND window, std::wstring (*programOf)(HWND));

class SystemBusyProbe : public BusyProbe {
public:
    SystemBusyProbe() = default;
    explicit SystemBusyProbe(const BusySources& sources) : sources_(sources) {}
    BusyReason query() override;

private:
    BusySources sources_;
};

}  // namespace zt
