#include "mainwindow/busy_probe.h"

#include "common/scoped.h"
#include "common/text.h"
#include "utf8.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace zt {
namespace {

TEST(BusyProbe, NotificationStatesThatMeanDoNotInterrupt) {
    struct Case { QUERY_USER_NOTIFICATION_STATE state; BusyReason reason; };
    const Case cases[] = {
        {QUNS_NOT_PRESENT, BusyReason::Free},
        {QUNS_BUSY, BusyReason::FullScreen},
        {QUNS_RUNNING_D3D_FULL_SCREEN, BusyReason::Direct3D},
        {QUNS_PRESENTATION_MODE, BusyReason::Presentation},
        {QUNS_ACCEPTS_NOTIFICATIONS, BusyReason::Free},
        {QUNS_QUIET_TIME, BusyReason::QuietTime},
        {QUNS_APP, BusyReason::Free},
        {static_cast<QUERY_USER_NOTIFICATION_STATE>(0), BusyReason::Free},
        {static_cast<QUERY_USER_NOTIFICATION_STATE>(99), BusyReason::Free},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.state));
        EXPECT_EQ(busyFromNotificationState(c.state), c.reason);
    }
}

// A consent store of our own under the test's key, removed afterwards.
class MicrophoneInUse : public ::testing::Test {
protected:
    const std::wstring root = L"Software\\ZirrotoneTest\\consent" + std::to_wstring(GetCurrentProcessId());
    const std::wstring store = root + L"\\microphone";

    void TearDown() override { RegDeleteTreeW(HKEY_CURRENT_USER, root.c_str()); }

    void use(const std::wstring& program, ULONGLONG start, ULONGLONG stop,
             DWORD type = REG_QWORD) {
        ScopedKey key;
        ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, (store + L"\\" + program).c_str(), 0, nullptr,
                                  0, KEY_SET_VALUE, nullptr, key.put(), nullptr),
                  ERROR_SUCCESS);
        const DWORD size = type == REG_QWORD ? sizeof(ULONGLONG) : sizeof(DWORD);
        RegSetValueExW(key.get(), L"LastUsedTimeStart", 0, type, reinterpret_cast<BYTE*>(&start), size);
        RegSetValueExW(key.get(), L"LastUsedTimeStop", 0, type, reinterpret_cast<BYTE*>(&stop), size);
    }
    bool inUse() { return microphoneInUse(HKEY_CURRENT_USER, store); }
};

constexpr ULONGLONG kEarlier = 134000000000000000ULL;  // a FILETIME in 2025
constexpr ULONGLONG kLater = 134000000100000000ULL;

TEST_F(MicrophoneInUse, NothingRecordedIsFree) {
    EXPECT_FALSE(inUse());  // no key at all
    use(L"NonPackaged", 0, 0);  // the key alone
    EXPECT_FALSE(inUse());
}

TEST_F(MicrophoneInUse, ProgramsThatStoppedAreFree) {
    use(L"Microsoft.WindowsSoundRecorder_8wekyb3d8bbwe", kEarlier, kLater);
    use(L"NonPackaged\\C:#Program Files#Caller#caller.exe", kEarlier, kLater);
    use(L"NonPackaged\\C:#Never#used.exe", 0, 0);
    EXPECT_FALSE(inUse());
}

TEST_F(MicrophoneInUse, ADesktopProgramUsingItNowIsBusy) {
    use(L"NonPackaged\\C:#Program Files#Caller#caller.exe", kEarlier, kLater);
    use(L"NonPackaged\\C:#Program Files#Meeting#meeting.exe", kLater, 0);
    EXPECT_TRUE(inUse());
}

TEST_F(MicrophoneInUse, AStoreAppUsingItNowIsBusy) {
    use(L"Microsoft.SkypeApp_kzf8qxf38zg5c", kLater, 0);
    EXPECT_TRUE(inUse());
}

TEST_F(MicrophoneInUse, OnlyProgramEntriesCount) {
    use(L"NonPackaged\\a\\b", kLater, 0);  // deeper than any program entry
    use(L"NonPackaged\\C:#dword.exe", 1, 0, REG_DWORD);  // not the type Windows writes
    EXPECT_FALSE(inUse());
}

// The system the probe reads, as a test sets it: the shell's state, the window in front and
// the program that owns it.
struct FakeSystem {
    static inline QUERY_USER_NOTIFICATION_STATE state = QUNS_BUSY;
    static inline HWND front = nullptr;
    static inline std::wstring program;  // "": the window's real program
    static inline int programReads = 0;

    static HRESULT WINAPI notificationState(QUERY_USER_NOTIFICATION_STATE* out) {
        *out = state;
        return S_OK;
    }
    static HWND WINAPI foreground() { return front; }
    static std::wstring programOf(HWND window) {
        ++programReads;
        return program.empty() ? windowProgram(window) : program;
    }
};

// Windows of the shell's classes, registered in this process: the probe reads only the class
// of the window in front, so they stand for the real ones. Message-only, so nothing shows.
class BusyProbeWindowInFront : public ::testing::Test {
protected:
    void SetUp() override {
        FakeSystem::state = QUNS_BUSY;
        FakeSystem::front = nullptr;
        FakeSystem::program.clear();
        FakeSystem::programReads = 0;
    }
    void TearDown() override {
        RegDeleteTreeW(HKEY_CURRENT_USER, keyRoot.c_str());
        for (HWND w : windows_) DestroyWindow(w);
        for (const auto& name : classes_) UnregisterClassW(name.c_str(), GetModuleHandleW(nullptr));
    }
    HWND window(const wchar_t* className) {
        WNDCLASSEXW wc{};
        wc.cbSize = sizeof(wc);
        wc.lpfnWndProc = DefWindowProcW;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.lpszClassName = className;
        if (RegisterClassExW(&wc)) classes_.emplace_back(className);
        HWND w = CreateWindowExW(0, className, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                 GetModuleHandleW(nullptr), nullptr);
        if (w) windows_.push_back(w);
        return w;
    }
    BusyReason queryWith(HWND front) {
        FakeSystem::front = front;
        BusySources sources;
        sources.notificationState = FakeSystem::notificationState;
        sources.foreground = FakeSystem::foreground;
        sources.programOf = FakeSystem::programOf;
        sources.microphoneKey = microphoneKey.c_str();
        return SystemBusyProbe(sources).query();
    }

    const std::wstring keyRoot = L"Software\\ZirrotoneTest\\front" + std::to_wstring(GetCurrentProcessId());
    const std::wstring microphoneKey = keyRoot + L"\\microphone";

private:
    std::vector<HWND> windows_;
    std::vector<std::wstring> classes_;
};

TEST_F(BusyProbeWindowInFront, TheDesktopTaskbarsAndOldStartMenuAreNeverBusy) {
    for (const wchar_t* shell : {L"Progman", L"WorkerW", L"Shell_TrayWnd", L"Shell_SecondaryTrayWnd",
                                 L"DV2ControlHost"}) {
        SCOPED_TRACE(shell);
        const HWND w = window(shell);
        ASSERT_NE(w, nullptr);
        for (const auto state : {QUNS_BUSY, QUNS_RUNNING_D3D_FULL_SCREEN, QUNS_PRESENTATION_MODE, QUNS_QUIET_TIME}) {
            FakeSystem::state = state;
            EXPECT_EQ(queryWith(w), BusyReason::Free) << state;
        }
    }
    EXPECT_EQ(FakeSystem::programReads, 0);  // their class is enough
}

TEST_F(BusyProbeWindowInFront, AnyOtherWindowLeavesTheShellsWord) {
    const HWND game = window(L"ZirrotoneTestGame");
    ASSERT_NE(game, nullptr);
    EXPECT_EQ(queryWith(game), BusyReason::FullScreen);
    EXPECT_EQ(queryWith(nullptr), BusyReason::FullScreen);  // nothing in front
    FakeSystem::state = QUNS_RUNNING_D3D_FULL_SCREEN;
    EXPECT_EQ(queryWith(game), BusyReason::Direct3D);
    FakeSystem::state = QUNS_ACCEPTS_NOTIFICATIONS;
    EXPECT_EQ(queryWith(game), BusyReason::Free);
}

TEST_F(BusyProbeWindowInFront, TheStoreAppClassIsTheStartMenuOnlyForItsOwnPrograms) {
    const HWND core = window(kStoreAppWindowClass);
    ASSERT_NE(core, nullptr);
    // Its real program is this test: a store app's full-screen window, busy.
    EXPECT_EQ(queryWith(core), BusyReason::FullScreen);
    EXPECT_EQ(FakeSystem::programReads, 1);
    struct Case { const wchar_t* program; BusyReason reason; };
    const Case cases[] = {
        {L"C:\\Windows\\SystemApps\\Microsoft.Windows.StartMenuExperienceHost_cw5n1h2txyewy\\StartMenuExperienceHost.exe",
         BusyReason::Free},
        {L"C:\\Windows\\SystemApps\\ShellExperienceHost_cw5n1h2txyewy\\ShellExperienceHost.exe",
         BusyReason::Free},
        {L"C:\\Program Files\\WindowsApps\\Some.Game_1.0_x64\\Game.exe", BusyReason::FullScreen},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.program);
        FakeSystem::program = c.program;
        EXPECT_EQ(queryWith(core), c.reason);
    }
}

TEST_F(BusyProbeWindowInFront, AProgramsOwnPathIsRead) {
    const HWND own = window(L"ZirrotoneTestOwn");
    ASSERT_NE(own, nullptr);
    wchar_t self[MAX_PATH] = {};
    ASSERT_GT(GetModuleFileNameW(nullptr, self, MAX_PATH), 0u);
    EXPECT_TRUE(equalsNoCase(windowProgram(own), self)) << test::wideToUtf8(windowProgram(own));
    EXPECT_EQ(windowProgram(nullptr), L"");
}

TEST_F(BusyProbeWindowInFront, AMicrophoneInUseCountsWhateverIsInFront) {
    const HWND desktop = window(L"Progman");
    ASSERT_NE(desktop, nullptr);
    ScopedKey key;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, (microphoneKey + L"\\NonPackaged\\C:#call.exe").c_str(), 0,
                              nullptr, 0, KEY_SET_VALUE, nullptr, key.put(), nullptr),
              ERROR_SUCCESS);
    ULONGLONG start = 134000000100000000ULL, stop = 0;
    RegSetValueExW(key.get(), L"LastUsedTimeStart", 0, REG_QWORD, reinterpret_cast<BYTE*>(&start), sizeof start);
    RegSetValueExW(key.get(), L"LastUsedTimeStop", 0, REG_QWORD, reinterpret_cast<BYTE*>(&stop), sizeof stop);
    EXPECT_EQ(queryWith(desktop), BusyReason::Microphone);
    FakeSystem::state = QUNS_ACCEPTS_NOTIFICATIONS;
    EXPECT_EQ(queryWith(desktop), BusyReason::Microphone);
}

TEST(BusyProbeSystem, WineReportsTheUserFree) {
    // Wine has no full-screen detection and no consent store: the real probe answers free.
    SystemBusyProbe probe;
    EXPECT_EQ(probe.query(), BusyReason::Free);
}

}  // namespace
}  // namespace zt
