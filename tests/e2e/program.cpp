#include "program.h"

#include <shellapi.h>

#include <cmath>
#include <cstdint>
#include <thread>
#include <vector>

#include "common/text.h"
#include "common/winutil.h"
#include "mainwindow/form1.h"
#include "settings/registry.h"
#include "settings/settings.h"
#include "tray/tray_icon.h"

namespace zt::e2e {

TempFolder::TempFolder(const std::wstring& name) {
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    path_ = addSlash(temp) + name;
    removeTree(path_);
    CreateDirectoryW(path_.c_str(), nullptr);
}

TempFolder::~TempFolder() { removeTree(path_); }

void removeTree(const std::wstring& folder) {
    WIN32_FIND_DATAW found;
    ScopedFind find(FindFirstFileW((folder + L"\\*").c_str(), &found));
    if (find) {
        do {
            const std::wstring name = found.cFileName;
            if (name == L"." || name == L"..") continue;
            const std::wstring path = folder + L"\\" + name;
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                removeTree(path);
            else
                DeleteFileW(path.c_str());
        } while (FindNextFileW(find.get(), &found));
    }
    RemoveDirectoryW(folder.c_str());
}

void writeTone(const std::wstring& path, double seconds, double hz) {
    constexpr std::uint32_t rate = 22050;
    const auto samples = static_cast<std::uint32_t>(seconds * rate);
    std::vector<std::int16_t> pcm(samples);
    for (std::uint32_t i = 0; i < samples; ++i)
        pcm[i] = static_cast<std::int16_t>(8000 * std::sin(2 * 3.14159265358979 * hz * i / rate));
    const std::uint32_t dataBytes = samples * 2;
    struct {
        char riff[4] = {'R', 'I', 'F', 'F'};
        std::uint32_t size;
        char wave[4] = {'W', 'A', 'V', 'E'};
        char fmt[4] = {'f', 'm', 't', ' '};
        std::uint32_t fmtSize = 16;
        std::uint16_t format = 1, channels = 1;
        std::uint32_t rate, byteRate;
        std::uint16_t align = 2, bits = 16;
        char data[4] = {'d', 'a', 't', 'a'};
        std::uint32_t dataSize;
    } header;
    header.size = 36 + dataBytes;
    header.rate = rate;
    header.byteRate = rate * 2;
    header.dataSize = dataBytes;
    ScopedFile file(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    DWORD written;
    WriteFile(file.get(), &header, sizeof header, &written, nullptr);
    WriteFile(file.get(), pcm.data(), dataBytes, &written, nullptr);
}

bool waitFor(const std::function<bool()>& condition, std::chrono::milliseconds timeout) {
    const auto end = std::chrono::steady_clock::now() + timeout;
    while (!condition()) {
        if (std::chrono::steady_clock::now() > end) return false;
        Sleep(50);
    }
    return true;
}

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
    if (!hwnd_) waitFor([&] { return (hwnd_ = findWindow(Form1::kClassName)) != nullptr; }, timeout);
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

bool Program::trayIconPresent() {
    NOTIFYICONDATAW nid{};
    nid.cbSize = sizeof nid;
    nid.hWnd = window();
    nid.uID = TrayIcon::kId;
    return Shell_NotifyIconW(NIM_MODIFY, &nid);
}

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

std::wstring settingText(const wchar_t* name) {
    return getRegString(HKEY_CURRENT_USER, settingKey(name), std::wstring(kSettingValue));
}

void clearSettings() {
    RegDeleteTreeW(HKEY_CURRENT_USER, std::wstring(kSettingsKey).c_str());
    deleteRegValue(HKEY_CURRENT_USER, std::wstring(kRunKey), std::wstring(kRunValue));
}

}  // namespace zt::e2e
