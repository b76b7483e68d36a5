// The real program under Wine: started with a folder of generated sounds, driven with
// messages, read back from its window, its tray icon and the registry.
#include <gtest/gtest.h>

#include "common/text.h"
#include "common/winutil.h"
#include "mainwindow/ids.h"
#include "program.h"
#include "settings/registry.h"
#include "settings/settings.h"

namespace zt::e2e {
namespace {

using namespace std::chrono_literals;

class E2ETest : public ::testing::Test {
protected:
    void SetUp() override {
        clearSettings();
        writeTone(sounds_ / L"bell.wav", 0.5);
        writeTone(sounds_ / L"chime.wav", 0.5, 880);
    }
    void TearDown() override { clearSettings(); }

    TempFolder sounds_{L"zt_e2e_sounds"};
};

TEST_F(E2ETest, FirstStartShowsTheWindowCentredWithItsDefaultsAndTrayIcon) {
    Program program(zirrotoneExe(), sounds_.path());
    ASSERT_TRUE(program.started());
    HWND hwnd = program.window();
    ASSERT_TRUE(hwnd);
    ASSERT_TRUE(waitFor([&] { return IsWindowVisible(hwnd) != FALSE; }, 5s));
    ASSERT_TRUE(waitFor([&] { return program.trayIconPresent(); }, 5s));
    ASSERT_TRUE(waitFor([&] { return program.text(ids::kLblVolume) == L"50%"; }, 5s));  // load has ended
    EXPECT_EQ(windowText(hwnd), L"zirrotone");
    EXPECT_EQ(program.text(ids::kTxtDelay), L"0.1");

    RECT window;
    GetWindowRect(hwnd, &window);
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    GetMonitorInfoW(MonitorFromWindow(hwnd, MONITOR_DEFAULTTOPRIMARY), &monitor);
    const auto& screen = monitor.rcMonitor;
    EXPECT_NEAR(window.left - screen.left, screen.right - window.right, 1);
    EXPECT_NEAR(window.top - screen.top, screen.bottom - window.bottom, 1);
}

TEST_F(E2ETest, ExitStoresTheSettingsRemovesTheIconAndEnds) {
    Program program(zirrotoneExe(), sounds_.path());
    HWND hwnd = program.window();
    ASSERT_TRUE(hwnd);
    ASSERT_TRUE(waitFor([&] { return program.trayIconPresent(); }, 5s));
    program.command(ids::kMnuMute);
    program.command(ids::kMnuExit);
    ASSERT_TRUE(program.waitForExit(2s));
    EXPECT_FALSE(program.trayIconPresent());
    EXPECT_EQ(settingText(L"path"), sounds_.path());
    EXPECT_EQ(settingText(L"volume"), L"50");
    EXPECT_EQ(settingText(L"mute"), L"1");
    EXPECT_EQ(settingText(L"delay"), L"0.1");
    EXPECT_EQ(settingText(L"systray"), L"False");
    EXPECT_EQ(settingText(L"absolute"), L"False");
}

TEST_F(E2ETest, EveryWayOutSavesTheSettings) {
    for (const auto& close : {+[](HWND h) { PostMessageW(h, WM_CLOSE, 0, 0); },
                              +[](HWND h) { PostMessageW(h, WM_SYSCOMMAND, SC_CLOSE, 0); },
                              +[](HWND h) { PostMessageW(h, WM_COMMAND, ids::kMnuTerminate, 0); }}) {
        clearSettings();
        Program program(zirrotoneExe(), sounds_.path());
        HWND hwnd = program.window();
        ASSERT_TRUE(hwnd);
        close(hwnd);
        ASSERT_TRUE(program.waitForExit(2s));
        EXPECT_EQ(settingText(L"path"), sounds_.path());
    }
}

}  // namespace
}  // namespace zt::e2e
