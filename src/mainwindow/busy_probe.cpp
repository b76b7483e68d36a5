#include "mainwindow/busy_probe.h"

#include "common/scoped.h"
#include "common/text.h"
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

std::wstring windowProgram(HWND window) {
    DWORD pid = 0;
    if (!GetWindowThreadProcessId(window, &pid) || pid == 0) return {};
    ScopedHandle process(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid));
    if (!process) return {};
    wchar_t path[MAX_PATH * 2] = {};
    DWORD size = MAX_PATH * 2;
    if (!QueryFullProcessImageNameW(process.get(), 0, path, &size)) return {};
    return std::wstring(path, size);
}

WindowInFront windowInFront(HWND window, std::wstring (*programOf)(HWND)) {
    WindowInFront front;
    if (!window) return front;
    wchar_t name[256] = {};  // the longest a class name can be
    const int length = GetClassNameW(window, name, 256);
    front.className.assign(name, length > 0 ? static_cast<std::size_t>(length) : 0);
    // Only the Start menu's class needs its program, and reading it opens a process.
    if (equalsNoCase(front.className, kStoreAppWindowClass)) front.program = programOf(window);
    return front;
}

BusyReason SystemBusyProbe::query() {
    QUERY_USER_NOTIFICATION_STATE state{};
    if (SUCCEEDED(sources_.notificationState(&state))) {
        const BusyReason reason = busyFromNotificationState(state);
        // The window in front is read only when the state says busy: most looks stop here.
        if (reason != BusyReason::Free &&
            busyWithWindowInFront(reason, windowInFront(sources_.foreground(), sources_.programOf)) !=
                BusyReason::Free)
            return reason;
    }
    return microphoneInUse(HKEY_CURRENT_USER, sources_.microphoneKey) ? BusyReason::Microphone
                                                                      : BusyReason::Free;
}

}  // namespace zt
