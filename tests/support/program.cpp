#include "program.h"

#include <shellapi.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <thread>
#include <vector>

#include "common/text.h"
#include "common/winutil.h"
#include "common/names.h"
#include "settings/registry.h"
#include "settings/settings.h"
#include "tray/tray_icon.h"

namespace zt::test {

Program::Program(const std::wstring& exe, const std::wstring& workingFolder, const std::wstring& extraEnv) {
    // The environment: ours, plus the extra variable (the block is sorted by the system as needed).
    std::wstring block;
    if (!extraEnv.empty()) {
        wchar_t* env = GetEnvironmentStringsW();
        for (const wchar_t* p = env; *p; p += wcslen(p) + 1) block.append(p).push_back(L'\0');
        FreeEnvironmentStringsW(env);
        block.append(extraEnv).push_back(L'\0');
        block.push_back(L'\0');
    }
    std::wstring commandLine = L"\"" + exe + L"\"";
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    if (CreateProcessW(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, CREATE_UNICODE_ENVIRONMENT,
                       block.empty() ? nullptr : block.data(), workingFolder.c_str(), &si, &pi)) {
        process_.reset(pi.hProcess);
        CloseHandle(pi.hThread);
        pid_ = pi.dwProcessId;
    }
}

Program::~Program() {
    if (process_ && WaitForSingleObject(process_.get(), 0) == WAIT_TIMEOUT) {
        TerminateProcess(process_.get(), 1);
        WaitForSingleObject(process_.get(), 5000);
    }
}

HWND Program::findWindow(const wchar_t* className, const wchar_t* caption) const {
    struct Search {
        DWORD pid;
        const wchar_t* className;
        const wchar_t* caption;
        HWND found;
    } search{pid_, className, caption, nullptr};
    EnumWindows(
        [](HWND hwnd, LPARAM lp) -> BOOL {
            auto* s = reinterpret_cast<Search*>(lp);
            DWORD pid = 0;
            GetWindowThreadProcessId(hwnd, &pid);
            wchar_t cls[64] = {};
            GetClassNameW(hwnd, cls, 64);
            if (pid == s->pid && wcscmp(cls, s->className) == 0 &&
                (!s->caption || windowText(hwnd) == s->caption)) {
                s->found = hwnd;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

HWND Program::window(std::chrono::milliseconds timeout) {
    if (!hwnd_) waitFor([&] { return (hwnd_ = findWindow(kMainWindowClass)) != nullptr; }, timeout);
    return hwnd_;
}

std::wstring Program::text(int controlId) {
    HWND control = GetDlgItem(window(), controlId);
    wchar_t buffer[512] = {};
    DWORD_PTR result = 0;
    SendMessageTimeoutW(control, WM_GETTEXT, 512, reinterpret_cast<LPARAM>(buffer), SMTO_ABORTIFHUNG, 2000, &result);
    return buffer;
}

void Program::command(int id) { PostMessageW(window(), WM_COMMAND, MAKEWPARAM(id, 0), 0); }

bool Program::trayIconPresent() { return test::trayIconPresent(window()); }

bool Program::waitForExit(std::chrono::milliseconds timeout) {
    return WaitForSingleObject(process_.get(), static_cast<DWORD>(timeout.count())) == WAIT_OBJECT_0;
}

DWORD Program::exitCode() const {
    DWORD code = STILL_ACTIVE;
    GetExitCodeProcess(process_.get(), &code);
    return code;
}

std::wstring messageBoxText(HWND box) {
    std::wstring message;
    EnumChildWindows(
        box,
        [](HWND child, LPARAM lp) -> BOOL {
            wchar_t cls[32] = {};
            GetClassNameW(child, cls, 32);
            const std::wstring text = windowText(child);
            if (_wcsicmp(cls, L"Static") == 0 && !text.empty()) *reinterpret_cast<std::wstring*>(lp) = text;
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&message));
    return message;
}

std::wstring zirrotoneExe() { return programFolder() + L"\\zirrotone.exe"; }
std::wstring zirrotoneTestBuildExe() { return programFolder() + L"\\zirrotone_test_build.exe"; }

std::wstring settingText(const wchar_t* name) {
    return getRegString(HKEY_CURRENT_USER, settingKey(name), std::wstring(kSettingValue));
}

void putSetting(std::wstring_view name, const std::wstring& text) {
    setRegString(HKEY_CURRENT_USER, settingKey(name), std::wstring(kSettingValue), text);
}

bool askSoundScript(const char* request, std::chrono::milliseconds timeout) {
    const char* control = std::getenv("ZT_PULSE_CONTROL");
    if (!control) return false;
    const std::string ask = std::string(control) + "\\" + request;
    const std::string done = ask + ".done";
    if (FILE* f = std::fopen(ask.c_str(), "w")) std::fclose(f);
    const bool answered = waitFor([&] { return GetFileAttributesA(done.c_str()) != INVALID_FILE_ATTRIBUTES; }, timeout);
    DeleteFileA(done.c_str());
    return answered;
}

void clearSettings() {
    RegDeleteTreeW(HKEY_CURRENT_USER, std::wstring(kSettingsKey).c_str());
    deleteRegValue(HKEY_CURRENT_USER, std::wstring(kRunKey), std::wstring(kRunValue));
}

}  // namespace zt::test
