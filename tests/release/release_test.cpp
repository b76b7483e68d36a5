// The Windows installer under Wine: a silent install, the installed program at work (from
// its Start menu folder, with run at logon on), an install over the running program that
// starts it again as it was, and a silent uninstall that takes the program, its shortcut
// and its logon entry but keeps the user's settings.
#include <gtest/gtest.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <chrono>
#include <optional>

#include "common/scoped.h"
#include "common/text.h"
#include "common/winutil.h"
#include "mainwindow/ids.h"
#include "program.h"
#include "settings/registry.h"
#include "settings/settings.h"
#include "utf8.h"
#include "version.h"

namespace zt::e2e {
namespace {

using namespace std::chrono_literals;
using namespace test;  // Program and the scratch-file helpers

constexpr wchar_t kUninstallKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Zirrotone";

std::wstring knownFolder(REFKNOWNFOLDERID id) {
    PWSTR path = nullptr;
    std::wstring result;
    if (SUCCEEDED(SHGetKnownFolderPath(id, 0, nullptr, &path))) result = path;
    CoTaskMemFree(path);
    return result;
}

bool exists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

// Runs a program to its end; its exit code, or -1 when it did not start or end in time.
long run(const std::wstring& exe, const std::wstring& arguments) {
    std::wstring commandLine = L"\"" + exe + L"\" " + arguments;
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    if (!CreateProcessW(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
        return -1;
    ScopedHandle process(pi.hProcess);
    ScopedHandle thread(pi.hThread);
    if (WaitForSingleObject(process.get(), 60000) != WAIT_OBJECT_0) return -1;
    DWORD code = 0;
    GetExitCodeProcess(process.get(), &code);
    return static_cast<long>(code);
}

std::wstring uninstallText(const wchar_t* name) { return getRegString(HKEY_CURRENT_USER, kUninstallKey, name); }

std::optional<DWORD> uninstallNumber(const wchar_t* name) {
    DWORD value = 0;
    DWORD size = sizeof value;
    if (RegGetValueW(HKEY_CURRENT_USER, kUninstallKey, name, RRF_RT_REG_DWORD, nullptr, &value, &size) != ERROR_SUCCESS)
        return std::nullopt;
    return value;
}

struct Shortcut {
    std::wstring target, workingFolder;
};

Shortcut readShortcut(const std::wstring& lnk) {
    Shortcut result;
    ComPtr<IShellLinkW> link;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW, link.putVoid())))
        return result;
    ComPtr<IPersistFile> file = link.as<IPersistFile>();
    if (!file || FAILED(file->Load(lnk.c_str(), STGM_READ))) return result;
    wchar_t text[MAX_PATH] = {};
    if (SUCCEEDED(link->GetPath(text, MAX_PATH, nullptr, 0))) result.target = text;
    text[0] = 0;
    if (SUCCEEDED(link->GetWorkingDirectory(text, MAX_PATH))) result.workingFolder = text;
    return result;
}

std::wstring lastPlayed(Program& program) { return program.text(ids::kLabel3); }

// The bytes of every file under the folder.
unsigned long long treeBytes(const std::wstring& folder) {
    unsigned long long total = 0;
    WIN32_FIND_DATAW found;
    const HANDLE find = FindFirstFileW((folder + L"\\*").c_str(), &found);
    if (find == INVALID_HANDLE_VALUE) return 0;
    do {
        const std::wstring name = found.cFileName;
        if (name == L"." || name == L"..") continue;
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            total += treeBytes(folder + L"\\" + name);
        else
            total += (static_cast<unsigned long long>(found.nFileSizeHigh) << 32) | found.nFileSizeLow;
    } while (FindNextFileW(find, &found));
    FindClose(find);
    return total;
}

// The delay box of another process's window (GetWindowText would not ask it).
std::wstring delayText(HWND window) {
    wchar_t text[64] = {};
    DWORD_PTR result = 0;
    SendMessageTimeoutW(GetDlgItem(window, ids::kTxtDelay), WM_GETTEXT, 64, reinterpret_cast<LPARAM>(text),
                        SMTO_ABORTIFHUNG, 2000, &result);
    return text;
}

bool muteTicked(HWND window) {
    DWORD_PTR result = 0;
    SendMessageTimeoutW(GetDlgItem(window, ids::kChkMute), BM_GETCHECK, 0, 0, SMTO_ABORTIFHUNG, 2000, &result);
    return result == BST_CHECKED;
}

ScopedHandle processOf(HWND window) {
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    return ScopedHandle(OpenProcess(SYNCHRONIZE, FALSE, pid));
}

// Closes a Zirrotone that the installer started, as its window's close button would.
bool closeStartedProgram(HWND window) {
    ScopedHandle process = processOf(window);
    PostMessageW(window, WM_CLOSE, 0, 0);
    return process && WaitForSingleObject(process.get(), 15000) == WAIT_OBJECT_0;
}

class Installer : public ::testing::Test {
protected:
    void SetUp() override {
        // Wine would otherwise copy the Start menu entry into the Linux desktop's menus.
        SetEnvironmentVariableW(L"WINEDLLOVERRIDES", L"mscoree,mshtml=;winemenubuilder.exe=d");
        ASSERT_TRUE(exists(setup_)) << "build the package first: " << narrow(setup_);
        forgetInstall();
        clearSettings();
    }
    void TearDown() override {
        forgetInstall();
        clearSettings();
    }
    void forgetInstall() {
        removeTree(installDir_);
        DeleteFileW(shortcut_.c_str());
        RegDeleteTreeW(HKEY_CURRENT_USER, kUninstallKey);
    }
    static std::string narrow(const std::wstring& text) { return test::wideToUtf8(text); }

    ComInit com_;
    std::wstring setup_ = programFolder() + L"\\..\\dist\\zirrotone-" ZT_VERSION_WSTRING L"-x64-setup.exe";
    std::wstring installDir_ = knownFolder(FOLDERID_LocalAppData) + L"\\Programs\\Zirrotone";
    std::wstring exe_ = installDir_ + L"\\zirrotone.exe";
    std::wstring sounds_ = installDir_ + L"\\sounds";
    std::wstring shortcut_ = knownFolder(FOLDERID_Programs) + L"\\Zirrotone.lnk";
};

TEST_F(Installer, SilentInstallRunUpgradeAndSilentUninstall) {
    // A short delay of the user's own, which the install keeps, so that a sound comes soon.
    setRegString(HKEY_CURRENT_USER, settingKey(kDelaySetting), std::wstring(kSettingValue), L"0.1");
    // Install: files, shortcut, uninstall entry.
    ASSERT_EQ(run(setup_, L"/S"), 0);
    for (const wchar_t* name : {L"\\zirrotone.exe", L"\\uninstall.exe", L"\\LICENSE.txt", L"\\sounds\\handbell.wav",
                                L"\\sounds\\doorchime.mp3"})
        EXPECT_TRUE(exists(installDir_ + name)) << narrow(name);
    const Shortcut link = readShortcut(shortcut_);
    EXPECT_EQ(link.target, exe_);
    EXPECT_EQ(link.workingFolder, sounds_);
    EXPECT_EQ(uninstallText(L"DisplayName"), L"Zirrotone");
    EXPECT_EQ(uninstallText(L"DisplayVersion"), ZT_VERSION_WSTRING);
    EXPECT_EQ(uninstallText(L"Publisher"), L"the Zirrotone developers");
    EXPECT_EQ(uninstallText(L"InstallLocation"), installDir_);
    EXPECT_EQ(uninstallText(L"DisplayIcon"), exe_ + L",0");
    EXPECT_EQ(uninstallText(L"UninstallString"), L"\"" + installDir_ + L"\\uninstall.exe\"");
    EXPECT_EQ(uninstallText(L"QuietUninstallString"), L"\"" + installDir_ + L"\\uninstall.exe\" /S");
    EXPECT_EQ(uninstallNumber(L"NoModify"), 1u);
    EXPECT_EQ(uninstallNumber(L"NoRepair"), 1u);
    // KiB of what was installed, the uninstaller included.
    const double installedKiB = static_cast<double>(treeBytes(installDir_)) / 1024;
    EXPECT_GT(installedKiB, 500);
    EXPECT_NEAR(uninstallNumber(L"EstimatedSize").value_or(0), installedKiB, 1.0);

    // The program as the shortcut starts it: among the samples, which it plays.
    {
        Program program(exe_, link.workingFolder);
        ASSERT_TRUE(program.window());
        std::wstring played;
        ASSERT_TRUE(waitFor([&] { return (played = lastPlayed(program)).rfind(L"Last played: ", 0) == 0; }, 15s));
        EXPECT_TRUE(exists(sounds_ + L"\\" + played.substr(13))) << narrow(played);
        program.command(ids::kMnuStartup);
        const std::wstring logon = L"\"" + exe_ + L"\"";
        EXPECT_TRUE(waitFor([&] { return getRegString(HKEY_CURRENT_USER, std::wstring(kRunKey),
                                                      std::wstring(kRunValue)) == logon; }, 3s));

        program.command(ids::kMnuMute);
        ASSERT_TRUE(waitFor([&] { return muteTicked(program.window()); }, 3s));

        // Installing again closes the running program first, which saves its settings, and
        // starts the new one when it is done, with those settings.
        ASSERT_EQ(run(setup_, L"/S"), 0);
        EXPECT_TRUE(program.waitForExit(0ms));
        EXPECT_EQ(settingText(L"path"), sounds_);
        EXPECT_TRUE(exists(exe_));
    }
    HWND again = nullptr;
    ASSERT_TRUE(waitFor([&] { return (again = FindWindowW(L"ZirrotoneMain", nullptr)) != nullptr; }, 15s));
    EXPECT_TRUE(waitFor([&] { return delayText(again) == L"0.1" && muteTicked(again); }, 10s));

    // Uninstall, with the program running again: it is closed, then everything of it goes
    // but the settings. The uninstaller runs from a copy of itself and returns at once.
    ScopedHandle restarted = processOf(again);
    ASSERT_TRUE(restarted);
    ASSERT_EQ(run(installDir_ + L"\\uninstall.exe", L"/S"), 0);
    // Its last step is the uninstall entry, after the folder.
    EXPECT_TRUE(waitFor([&] { return !exists(installDir_) && uninstallText(L"DisplayName").empty(); }, 30s));
    EXPECT_EQ(WaitForSingleObject(restarted.get(), 0), WAIT_OBJECT_0);
    EXPECT_EQ(settingText(L"mute"), L"1");
    EXPECT_FALSE(exists(shortcut_));
    EXPECT_TRUE(getRegString(HKEY_CURRENT_USER, std::wstring(kRunKey), std::wstring(kRunValue)).empty());
    EXPECT_EQ(settingText(L"path"), sounds_);
    EXPECT_FALSE(settingText(L"delay").empty());
}

TEST_F(Installer, SilentSwitchesChooseTheFinishPageOptionsAndAFirstDelayIsSeeded) {
    struct Case {
        const wchar_t* arguments;
        const wchar_t* storedDelay;  // nullptr: no settings yet
        const wchar_t* delay;        // the stored delay after the install
        bool runAtStartup, started;
    } const cases[] = {
        {L"/S", nullptr, L"10", false, false},
        {L"/S /RUNATSTARTUP", L"3", L"3", true, false},
        {L"/S /START", nullptr, L"10", false, true},
        {L"/S /START /RUNATSTARTUP", L"0.5", L"0.5", true, true},
    };
    const std::wstring logon = L"\"" + exe_ + L"\"";
    for (const auto& c : cases) {
        const std::string what = narrow(c.arguments);
        forgetInstall();
        clearSettings();
        if (c.storedDelay) setRegString(HKEY_CURRENT_USER, settingKey(kDelaySetting), std::wstring(kSettingValue), c.storedDelay);

        ASSERT_EQ(run(setup_, c.arguments), 0) << what;
        EXPECT_EQ(settingText(L"delay"), c.delay) << what;
        EXPECT_EQ(getRegString(HKEY_CURRENT_USER, std::wstring(kRunKey), std::wstring(kRunValue)),
                  c.runAtStartup ? logon : L"") << what;
        HWND window = nullptr;
        const bool started = waitFor([&] { return (window = FindWindowW(L"ZirrotoneMain", nullptr)) != nullptr; },
                                     c.started ? 15s : 2s);
        EXPECT_EQ(started, c.started) << what;
        if (!started) continue;
        // Started among the sample sounds, with the delay the install left; closing saves both.
        EXPECT_TRUE(waitFor([&] { return delayText(window) == c.delay; }, 10s)) << what;
        ASSERT_TRUE(closeStartedProgram(window)) << what;
        EXPECT_EQ(settingText(L"path"), sounds_) << what;
    }
}

}  // namespace
}  // namespace zt::e2e
