#include "common/winutil.h"

#include <oleauto.h>

#include <algorithm>
#include <iterator>
#include <vector>

#include "common/numbers.h"
#include "common/scoped.h"
#include "common/text.h"

namespace zt {

bool PathExists(const std::wstring& path) {
    if (path.empty()) return false;
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool FileExists(const std::wstring& path) {
    if (path.empty()) return false;
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

void sleepMs(int ms) { Sleep(static_cast<DWORD>(std::max(ms, 0))); }

void sleepAnsweringSentMessages(int ms) {
    const ULONGLONG end = GetTickCount64() + static_cast<ULONGLONG>(std::max(ms, 0));
    for (ULONGLONG now = GetTickCount64(); now < end; now = GetTickCount64()) {
        // No handles: a count of 0 reads none (cppcheck's Windows library takes the array as required).
        // cppcheck-suppress nullPointer
        const DWORD woke = MsgWaitForMultipleObjectsEx(0, nullptr, static_cast<DWORD>(end - now), QS_SENDMESSAGE, 0);
        if (woke != WAIT_OBJECT_0) return;  // the time is up (or the wait failed: no busy loop)
        MSG msg;
        PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);  // delivers the sent ones
    }
}

void SystemWaiter::waitUntil(std::int64_t deadlineMs, void* wake) {
    const std::int64_t left = deadlineMs - clockMs();
    const auto timeout = static_cast<DWORD>(std::clamp<std::int64_t>(left, 0, INFINITE - 1));
    HANDLE handles[] = {wake};
    // MWMO_INPUTAVAILABLE: messages already in the queue but seen by an earlier peek count
    // too, so nothing waits for the deadline.
    MsgWaitForMultipleObjectsEx(wake ? 1 : 0, handles, timeout, quitSeen_ ? QS_SENDMESSAGE : QS_ALLINPUT,
                                MWMO_INPUTAVAILABLE);
    processEvents();
}

namespace {
struct DialogWindow {
    HWND hwnd;
    HACCEL accelerators;
};
std::vector<DialogWindow>& dialogWindows() {
    static std::vector<DialogWindow> windows;
    return windows;
}
}  // namespace

void registerDialogWindow(HWND hwnd, HACCEL accelerators) { dialogWindows().push_back({hwnd, accelerators}); }

void unregisterDialogWindow(HWND hwnd) {
    auto& windows = dialogWindows();
    std::erase_if(windows, [hwnd](const DialogWindow& w) { return w.hwnd == hwnd; });
}

void dispatchMessage(MSG& msg) {
    for (const auto& [dialog, accelerators] : dialogWindows()) {
        if (!IsWindow(dialog)) continue;
        // Shortcuts first, from the window and any of its controls.
        if (accelerators && (msg.hwnd == dialog || IsChild(dialog, msg.hwnd)) &&
            TranslateAcceleratorW(dialog, accelerators, &msg))
            return;
        if (IsDialogMessageW(dialog, &msg)) return;
    }
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
}

bool processPendingEvents() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            PostQuitMessage(static_cast<int>(msg.wParam));
            return false;
        }
        dispatchMessage(msg);
    }
    return true;
}

namespace {

// The locale's number reading and writing, from oleaut32, loaded when first needed: an
// ordinary delay ("10") needs neither, and the library is 0.6 MB of memory for the day.
struct OleAutomation {
    decltype(&VarR8FromStr) varR8FromStr = nullptr;
    decltype(&VarBstrFromR8) varBstrFromR8 = nullptr;
    decltype(&SysStringLen) sysStringLen = nullptr;
    decltype(&SysFreeString) sysFreeString = nullptr;
};

const OleAutomation& oleAutomation() {
    static const OleAutomation api = [] {
        OleAutomation a;
        const HMODULE module = LoadLibraryExW(L"oleaut32.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
        if (!loadFunction(module, "VarR8FromStr", a.varR8FromStr) ||
            !loadFunction(module, "VarBstrFromR8", a.varBstrFromR8) ||
            !loadFunction(module, "SysStringLen", a.sysStringLen) ||
            !loadFunction(module, "SysFreeString", a.sysFreeString))
            a = {};
        return a;
    }();
    return api;
}

}  // namespace

std::optional<double> strictNumber(const std::wstring& text) {
    // Up to 15 digits and nothing else: an integer every reading gives exactly.
    if (!text.empty() && text.size() <= 15 &&
        std::all_of(text.begin(), text.end(), isDigit)) {
        double value = 0;
        for (const wchar_t c : text) value = value * 10 + (c - L'0');
        return value;
    }
    const auto& api = oleAutomation();
    double value = 0;
    if (!api.varR8FromStr ||
        FAILED(api.varR8FromStr(const_cast<OLECHAR*>(text.c_str()), LOCALE_USER_DEFAULT, 0, &value)))
        return std::nullopt;
    return value;
}

std::wstring formatNumber(double value) {
    const auto& api = oleAutomation();
    BSTR text = nullptr;
    if (!api.varBstrFromR8 || FAILED(api.varBstrFromR8(value, LOCALE_USER_DEFAULT, 0, &text)) || !text) return {};
    std::wstring written(text, api.sysStringLen(text));
    api.sysFreeString(text);
    return written;
}

wchar_t decimalSeparator() {
    wchar_t separator[4] = {};
    if (GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, separator, 4) != 2) return L'.';
    return separator[0];
}

std::wstring programPath() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD n = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (n == 0) return {};
        if (n < path.size()) {
            path.resize(n);
            return path;
        }
        path.resize(path.size() * 2);
    }
}

namespace {
// Calls fill(buffer, size) until the text fits: fill returns the characters copied, or the
// size needed when the buffer is too small, or 0 on failure.
template <typename Fill>
std::wstring growing(Fill fill) {
    std::wstring text(MAX_PATH, L'\0');
    for (int attempt = 0; attempt < 4; ++attempt) {
        const DWORD n = fill(text.data(), static_cast<DWORD>(text.size()));
        if (n == 0) return {};
        if (n < text.size()) {
            text.resize(n);
            return text;
        }
        text.resize(n + 1);
    }
    return {};
}
}  // namespace

std::wstring currentFolder() {
    return growing([](wchar_t* buffer, DWORD size) { return GetCurrentDirectoryW(size, buffer); });
}

std::wstring fullPath(const std::wstring& path) {
    return growing([&](wchar_t* buffer, DWORD size) { return GetFullPathNameW(path.c_str(), size, buffer, nullptr); });
}

std::wstring programFolder() {
    std::wstring path = programPath();
    const auto slash = path.find_last_of(L"\\/");
    if (slash == std::wstring::npos) return {};
    // Keep the backslash of a drive root ("C:\").
    path.resize(slash == 2 && path[1] == L':' ? slash + 1 : slash);
    return path;
}

std::wstring localeClock(int minuteOfDay) {
    SYSTEMTIME time{};
    time.wYear = 2001;  // any valid date: only the time is written
    time.wMonth = 1;
    time.wDay = 1;
    time.wHour = static_cast<WORD>(minuteOfDay / 60 % 24);
    time.wMinute = static_cast<WORD>(minuteOfDay % 60);
    wchar_t text[64];
    const int length = GetTimeFormatEx(LOCALE_NAME_USER_DEFAULT, TIME_NOSECONDS, &time, nullptr, text,
                                       static_cast<int>(std::size(text)));
    return length > 1 ? std::wstring(text, static_cast<std::size_t>(length - 1)) : formatStoredClock(minuteOfDay);
}

std::wstring localeShortTimeFormat() {
    wchar_t format[80];
    const int length = GetLocaleInfoEx(LOCALE_NAME_USER_DEFAULT, LOCALE_SSHORTTIME, format,
                                       static_cast<int>(std::size(format)));
    return length > 1 ? std::wstring(format, static_cast<std::size_t>(length - 1)) : L"HH:mm";
}

std::optional<std::wstring> systemMessage(HRESULT code, HMODULE module) {
    constexpr DWORD kFlags = FORMAT_MESSAGE_IGNORE_INSERTS | FORMAT_MESSAGE_MAX_WIDTH_MASK;
    wchar_t text[512];
    DWORD length = FormatMessageW(kFlags | FORMAT_MESSAGE_FROM_SYSTEM, nullptr, static_cast<DWORD>(code), 0, text,
                                  static_cast<DWORD>(std::size(text)), nullptr);
    if (length == 0 && module)
        length = FormatMessageW(kFlags | FORMAT_MESSAGE_FROM_HMODULE, module, static_cast<DWORD>(code), 0, text,
                                static_cast<DWORD>(std::size(text)), nullptr);
    std::wstring clause = asClause(std::wstring_view(text, length));
    if (clause.empty()) return std::nullopt;
    return clause;
}

std::wstring windowText(HWND hwnd) {
    const int length = GetWindowTextLengthW(hwnd);
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    const int copied = GetWindowTextW(hwnd, text.data(), length + 1);
    text.resize(static_cast<std::size_t>(std::max(copied, 0)));
    return text;
}

bool hasWindowClass(HWND hwnd, const wchar_t* className) {
    wchar_t name[64] = {};
    return GetClassNameW(hwnd, name, 64) && lstrcmpiW(name, className) == 0;
}

}  // namespace zt
