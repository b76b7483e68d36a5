#include "mainwindow/busy_probe.h"

#include "settings/registry.h"

namespace zt {

namespace {

// The consent key's children are packaged apps and NonPackaged, whose children are desktop
// programs; nothing deeper is a program.
constexpr int kProgramDepth = 2;

bool usingNow(HKEY root, const std::wstring& key) {
    const auto start = getRegQword(root, key, L"LastUsedTimeStart");
    const auto stop = getRegQword(root, key, L"LastUsedTimeStop");
    return start && stop && *start != 0 && *stop == 0;
}

bool anyUsingNow(HKEY root, const std::wstring& key, int depth) {
    if (usingNow(root, key)) return true;
    if (depth == 0) return false;
    for (const auto& name : regSubKeyNames(root, key)) {
        std::wstring child = key;
        child.append(1, L'\\').append(name);
        if (anyUsingNow(root, child, depth - 1)) return true;
    }
    return false;
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
    return anyUsingNow(root, consentKey, kProgramDepth);
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
