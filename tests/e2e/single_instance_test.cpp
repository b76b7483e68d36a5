// A second start of the real program while it runs: the first comes forward, the second
// ends without a window, an icon or a word to the settings.
#include <gtest/gtest.h>

#include <string>

#include "common/names.h"
#include "program.h"
#include "settings/registry.h"
#include "settings/settings.h"

namespace zt::e2e {
namespace {

using namespace std::chrono_literals;
using namespace test;  // Program and the scratch-file helpers

// Every window of the program's class, of any process.
int mainWindowCount() {
    int count = 0;
    EnumWindows(
        [](HWND hwnd, LPARAM lp) -> BOOL {
            wchar_t cls[64] = {};
            GetClassNameW(hwnd, cls, 64);
            if (wcscmp(cls, kMainWindowClass) == 0) ++*reinterpret_cast<int*>(lp);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&count));
    return count;
}

class SecondStart : public ::testing::Test {
protected:
    void SetUp() override {
        clearSettings();
        writeTone(sounds_ / L"bell.wav", 0.3);
    }
    void TearDown() override { clearSettings(); }

    TempFolder sounds_{L"zt_single_sounds"};
};

TEST_F(SecondStart, BringsTheFirstOutOfTheTrayAndEnds) {
    setRegString(HKEY_CURRENT_USER, settingKey(kSystraySetting), std::wstring(kSettingValue), L"True");
    Program first(zirrotoneExe(), sounds_.path());
    HWND hwnd = first.window();
    ASSERT_TRUE(hwnd);
    ASSERT_TRUE(waitFor([&] { return first.trayIconPresent(); }, 5s));
    ASSERT_FALSE(IsWindowVisible(hwnd));

    Program second(zirrotoneExe(), sounds_.path());
    ASSERT_TRUE(second.started());
    ASSERT_TRUE(second.waitForExit(10s));
    EXPECT_EQ(second.exitCode(), 0u);

    EXPECT_TRUE(waitFor([&] { return IsWindowVisible(hwnd) && !IsIconic(hwnd); }, 3s));
    EXPECT_TRUE(waitFor([&] { return GetForegroundWindow() == hwnd; }, 3s));
    EXPECT_FALSE(first.waitForExit(0ms));
    EXPECT_EQ(mainWindowCount(), 1);
    EXPECT_TRUE(first.trayIconPresent());
    // Only the first writes settings, and only when it ends.
    EXPECT_TRUE(settingText(L"path").empty());
}

TEST_F(SecondStart, RestoresAMinimisedWindowToItsNormalSize) {
    for (const bool maximisedFirst : {false, true}) {
        Program first(zirrotoneExe(), sounds_.path());
        HWND hwnd = first.window();
        ASSERT_TRUE(hwnd);
        ASSERT_TRUE(waitFor([&] { return IsWindowVisible(hwnd) != FALSE; }, 5s));
        if (maximisedFirst) {
            PostMessageW(hwnd, WM_SYSCOMMAND, SC_MAXIMIZE, 0);
            ASSERT_TRUE(waitFor([&] { return IsZoomed(hwnd) != FALSE; }, 3s));
        }
        PostMessageW(hwnd, WM_SYSCOMMAND, SC_MINIMIZE, 0);  // goes to the tray
        ASSERT_TRUE(waitFor([&] { return !IsWindowVisible(hwnd); }, 3s));

        Program second(zirrotoneExe(), sounds_.path());
        ASSERT_TRUE(second.waitForExit(10s));
        EXPECT_EQ(second.exitCode(), 0u);
        // Seen from outside, the window may pass through its maximised state on the way.
        EXPECT_TRUE(waitFor([&] { return IsWindowVisible(hwnd) && !IsIconic(hwnd) && !IsZoomed(hwnd); }, 3s))
            << maximisedFirst;
        PostMessageW(hwnd, WM_CLOSE, 0, 0);
        EXPECT_TRUE(first.waitForExit(3s));
    }
}

TEST_F(SecondStart, TwoAtOnceLeaveOneRunning) {
    Program a(zirrotoneExe(), sounds_.path());
    Program b(zirrotoneExe(), sounds_.path());
    ASSERT_TRUE(a.started() && b.started());
    // One of them ends on its own, the other keeps its window.
    ASSERT_TRUE(waitFor([&] { return a.waitForExit(0ms) || b.waitForExit(0ms); }, 15s));
    Program& running = a.waitForExit(0ms) ? b : a;
    Program& ended = a.waitForExit(0ms) ? a : b;
    EXPECT_EQ(ended.exitCode(), 0u);
    ASSERT_TRUE(running.window());
    EXPECT_TRUE(waitFor([&] { return running.trayIconPresent(); }, 5s));
    EXPECT_FALSE(running.waitForExit(500ms));
    EXPECT_EQ(mainWindowCount(), 1);
}

}  // namespace
}  // namespace zt::e2e
