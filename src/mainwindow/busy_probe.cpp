#include "mainwindow/busy_probe.h"

#include "common/scoped.h"

namespace zt {

namespace {

// The consent key's children are packaged apps and NonPackaged, whose children are desktop
// programs; nothing deeper is a program.
constexpr int kProgramDepth = 2;
constexpr DWORD kMaxKeyName = 256;  // a registry key name has at most 255 characters

bool qwordValue(HKEY key, const wchar_t* name, ULONGLONG& value) {
    DWORD size = sizeof(value);
    return RegGetValueW(key, nullptr, name, RRF_RT_REG_QWORD, nullptr, &value, &size) ==
           ERROR_SUCCESS;
}

bool usingNow(HKEY key) {
    ULONGLONG start = 0;
    ULONGLONG stop = 0;
    return qwordValue(key, L"LastUsedTimeStart", start) &&
           qwordValue(key, L"LastUsedTimeStop", stop) && start != 0 && stop == 0;
}

bool anyUsingNow(HKEY key, int depth) {
    if (usingNow(key)) return true;
    if (depth == 0) return false;
    for (DWORD index = 0;; ++index) {
        wchar_t name[kMaxKeyName];
        DWORD length = kMaxKeyName;
        const LSTATUS status =
            RegEnumKeyExW(key, index, name, &length, nullptr, nullptr, nullptr, nullptr);
        if (status == ERROR_MORE_DATA) continue;  // not a name Windows writes there
        if (status != ERROR_SUCCESS) return false;
        ScopedKey child;
        if (RegOpenKeyExW(key, name, 0, KEY_READ, child.put()) == ERROR_SUCCESS &&
            anyUsingNow(child.get(), depth - 1))
            return true;
    }
}

}  // namespace

BusyReason busyFromNotificationState(QUERY_USER_NOTIFICATION_STATE state) {
    switch (state) {
    case QUNS_BUSY: return BusyReason::FullScreen;
    case QUNS_RUNNING_D3D_FULL_SCREEN: return BusyReason::Direct3D;
    case QUNS_PRESENTATION_MODE: return BusyReason::Presentation;
    case QUNS_QUIET_TIME: return BusyReason::QuietTime;
    default: return BusyReason::Free;
    }
}

bool microphoneInUse(HKEY root, const std::wstring& consentKey) {
    ScopedKey key;
    if (RegOpenKeyExW(root, consentKey.c_str(), 0, KEY_READ, key.put()) != ERROR_SUCCESS)
        return false;
    return anyUsingNow(key.get(), kProgramDepth);
}

BusyReason SystemBusyProbe::query() {
    QUERY_USER_NOTIFICATION_STATE state{};
    if (SUCCEEDED(SHQueryUserNotificationState(&state))) {
        const BusyReason reason = busyFromNotificationState(state);
        if (reason != BusyReason::Free) return reason;
    }
    return microphoneInUse(HKEY_CURRENT_USER, kMicrophoneConsentKey) ? BusyReason::Microphone
                                                                     : BusyReason::Free;
}

}  // namespace zt
