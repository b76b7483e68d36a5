#include "app/single_instance.h"

#include <sddl.h>

#include <memory>
#include <vector>

#include "common/names.h"

namespace zt {

namespace {

struct LocalFreeDeleter {
    void operator()(wchar_t* p) const { LocalFree(p); }
};

std::wstring sidOfProcess(HANDLE process) {
    ScopedHandle token;
    if (!OpenProcessToken(process, TOKEN_QUERY, token.put())) return {};
    DWORD size = 0;
    GetTokenInformation(token.get(), TokenUser, nullptr, 0, &size);
    if (size == 0) return {};
    std::vector<BYTE> buffer(size);
    if (!GetTokenInformation(token.get(), TokenUser, buffer.data(), size, &size)) return {};
    wchar_t* text = nullptr;
    if (!ConvertSidToStringSidW(reinterpret_cast<TOKEN_USER*>(buffer.data())->User.Sid, &text)) return {};
    std::unique_ptr<wchar_t, LocalFreeDeleter> owned(text);
    return owned.get();
}

// The windows of our class that belong to a process of this user (another user's
// Zirrotone on the same desktop is left alone).
HWND findOurWindow(const std::wstring& sid) {
    struct Search {
        const std::wstring& sid;
        HWND found;
    } search{sid, nullptr};
    EnumWindows(
        [](HWND hwnd, LPARAM lp) -> BOOL {
            auto* s = reinterpret_cast<Search*>(lp);
            wchar_t cls[64] = {};
            GetClassNameW(hwnd, cls, 64);
            if (wcscmp(cls, kMainWindowClass) != 0) return TRUE;
            DWORD pid = 0;
            GetWindowThreadProcessId(hwnd, &pid);
            if (pid == GetCurrentProcessId()) return TRUE;
            ScopedHandle process(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid));
            if (!process || sidOfProcess(process.get()) != s->sid) return TRUE;
            s->found = hwnd;
            return FALSE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

}  // namespace

std::wstring currentUserSid() { return sidOfProcess(GetCurrentProcess()); }

std::wstring instanceMutexName() {
    std::wstring user = currentUserSid();
    if (user.empty()) {
        // Without a SID the user name still keeps users apart.
        wchar_t name[257] = {};
        DWORD size = 257;
        if (GetUserNameW(name, &size)) user = name;
    }
    // Backslashes are not allowed after the namespace prefix.
    for (wchar_t& c : user)
        if (c == L'\\') c = L'_';
    return L"Local\\Zirrotone-" + user;
}

SingleInstance::SingleInstance(const std::wstring& name) {
    SetLastError(ERROR_SUCCESS);
    mutex_.reset(CreateMutexW(nullptr, FALSE, name.c_str()));
    // A name held by an object we may not open (another user's, in theory) also means
    // someone runs; a mutex that could not be made at all does not stop the program.
    const DWORD error = GetLastError();
    first_ = !(error == ERROR_ALREADY_EXISTS || error == ERROR_ACCESS_DENIED);
}

HWND findRunningInstance(DWORD timeoutMs) {
    const std::wstring sid = currentUserSid();
    const ULONGLONG end = GetTickCount64() + timeoutMs;
    for (;;) {
        if (HWND hwnd = findOurWindow(sid)) return hwnd;
        if (GetTickCount64() >= end) return nullptr;
        Sleep(100);
    }
}

bool showRunningInstance(DWORD timeoutMs) {
    HWND hwnd = findRunningInstance(timeoutMs);
    if (!hwnd) return false;
    // We were started by the user, so we may hand the foreground on.
    AllowSetForegroundWindow(ASFW_ANY);
    return PostMessageW(hwnd, RegisterWindowMessageW(kShowMessage), 0, 0) != FALSE;
}

}  // namespace zt
