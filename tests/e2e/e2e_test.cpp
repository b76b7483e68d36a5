// The real program under Wine: started with a folder of generated sounds, driven with
// messages, read back from its window, its tray icon and the registry.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <functional>
#include <sstream>
#include <thread>
#include <utility>

#include "about/frmabout.h"
#include "common/text.h"
#include "common/winutil.h"
#include "mainwindow/ids.h"
#include "program.h"
#include "round_trips.h"
#include "utf8.h"
#include "settings/registry.h"
#include "settings/settings.h"
#include "tray/tray_icon.h"

namespace zt::e2e {
namespace {

using namespace std::chrono_literals;
using namespace test;  // Program and the scratch-file helpers

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

int countdown(Program& program) {
    const std::wstring text = program.text(ids::kTxtCountdown);
    return text.empty() ? -1 : static_cast<int>(lenientNumber(text));
}

std::wstring lastPlayed(Program& program) { return program.text(ids::kLabel3); }

TEST_F(E2ETest, FirstStartCountsFourToSevenSecondsThenPlaysAndNamesASound) {
    Program program(zirrotoneExe(), sounds_.path());
    ASSERT_TRUE(program.window());
    int first = -1;
    ASSERT_TRUE(waitFor([&] { return (first = countdown(program)) > 0; }, 10s));
    EXPECT_GE(first, 4);
    EXPECT_LE(first, 7);
    ASSERT_TRUE(waitFor([&] { return lastPlayed(program).rfind(L"Last played: ", 0) == 0; }, 9s));
    const std::wstring name = lastPlayed(program).substr(13);
    EXPECT_TRUE(name == L"bell.wav" || name == L"chime.wav") << name;
}

TEST_F(E2ETest, StartInTrayStoredOnShowsNoWindowButCountsAndPlays) {
    setRegString(HKEY_CURRENT_USER, settingKey(kSystraySetting), std::wstring(kSettingValue), L"True");
    Program program(zirrotoneExe(), sounds_.path());
    HWND hwnd = program.window();
    ASSERT_TRUE(hwnd);
    ASSERT_TRUE(waitFor([&] { return program.trayIconPresent(); }, 5s));
    EXPECT_TRUE(waitFor([&] { return lastPlayed(program).rfind(L"Last played: ", 0) == 0; }, 12s));
    EXPECT_FALSE(IsWindowVisible(hwnd));

    // A left click on the icon brings the window back.
    SendMessageW(hwnd, TrayIcon::kCallbackMessage, TrayIcon::kId, WM_LBUTTONUP);
    EXPECT_TRUE(waitFor([&] { return IsWindowVisible(hwnd) != FALSE; }, 3s));
}

// A copy of the program with a start-up sound beside it.
struct ProgramWithStartupSound {
    TempFolder folder{L"zt_e2e_startup"};
    std::wstring exe = folder / L"zirrotone.exe";
    explicit ProgramWithStartupSound(double seconds, const std::wstring& from = zirrotoneExe()) {
        CopyFileW(from.c_str(), exe.c_str(), FALSE);
        writeTone(folder / L"startup.wav", seconds, 440);
    }
};

TEST_F(E2ETest, StartupSoundPlaysAtEachActivationBeforeTheCountdownEvenMuted) {
    setRegString(HKEY_CURRENT_USER, settingKey(kMuteSetting), std::wstring(kSettingValue), L"1");
    ProgramWithStartupSound copy(2.0);
    Program program(copy.exe, sounds_.path());
    ASSERT_TRUE(program.window());
    ASSERT_TRUE(waitFor([&] { return program.trayIconPresent(); }, 5s));
    const auto loaded = std::chrono::steady_clock::now();
    ASSERT_TRUE(waitFor([&] { return countdown(program) > 0; }, 10s));
    // The countdown waited for the two-second sound (muted or not).
    EXPECT_GE(std::chrono::steady_clock::now() - loaded, 1500ms);
    EXPECT_TRUE(program.text(ids::kLabel3).empty());

    // A second activation: About opened and closed. The sound plays again, then a fresh count.
    program.command(ids::kMnuAbout);
    HWND about = nullptr;
    ASSERT_TRUE(waitFor([&] { return (about = program.findWindow(kAboutWindowClass)) && IsWindowVisible(about); }, 5s));
    // First opened after the start's media check: it shows what the check found.
    EXPECT_EQ(windowText(GetDlgItem(about, frmAbout::idMPver)).rfind(L"Media Player version: ", 0), 0u);
    waitFor([] { return false; }, 1500ms);  // let the old countdown stand still a while
    PostMessageW(about, WM_COMMAND, IDOK, 0);
    const auto closed = std::chrono::steady_clock::now();
    const int before = countdown(program);
    // While the start-up sound plays nothing counts.
    waitFor([] { return false; }, 1200ms);
    EXPECT_EQ(countdown(program), before);
    int fresh = -1;
    ASSERT_TRUE(waitFor([&] { return (fresh = countdown(program)) != before; }, 6s));
    EXPECT_GE(std::chrono::steady_clock::now() - closed, 1500ms);
    EXPECT_GE(fresh, 4);
    EXPECT_LE(fresh, 7);
}

TEST_F(E2ETest, ExitWhileASoundPlaysStoresEverythingAndEndsAtOnce) {
    writeTone(sounds_ / L"bell.wav", 20.0);  // both long: whichever is picked is still playing
    writeTone(sounds_ / L"chime.wav", 20.0, 880);
    Program program(zirrotoneExe(), sounds_.path());
    ASSERT_TRUE(program.window());
    ASSERT_TRUE(waitFor([&] { return lastPlayed(program).rfind(L"Last played: ", 0) == 0; }, 12s));
    program.command(ids::kMnuExit);
    // Ended long before the 20-second sound could have: the exit did not wait for it.
    ASSERT_TRUE(program.waitForExit(10s));
    EXPECT_EQ(program.exitCode(), 0u);
    EXPECT_EQ(settingText(L"path"), sounds_.path());
    EXPECT_EQ(settingText(L"delay"), L"0.1");
    EXPECT_EQ(settingText(L"volume"), L"50");
    EXPECT_EQ(settingText(L"mute"), L"0");
    EXPECT_FALSE(program.trayIconPresent());
    EXPECT_EQ(program.exitCode(), 0u);
}

// Every way out, during a sound and after one: the process ends cleanly (status 0, not a
// crash from a media thread left running) with the settings stored.
TEST_F(E2ETest, EveryWayOutDuringASoundAndAfterOneEndsWithStatusZero) {
    writeTone(sounds_ / L"bell.wav", 0.3);
    writeTone(sounds_ / L"chime.wav", 20.0, 880);
    setRegString(HKEY_CURRENT_USER, settingKey(kDelaySetting), std::wstring(kSettingValue), L"10");
    const struct Way {
        const char* name;
        void (*leave)(HWND);
    } ways[] = {
        {"File > Exit", [](HWND h) { PostMessageW(h, WM_COMMAND, ids::kMnuExit, 0); }},
        {"Terminate", [](HWND h) { PostMessageW(h, WM_COMMAND, ids::kMnuTerminate, 0); }},
        {"WM_CLOSE", [](HWND h) { PostMessageW(h, WM_CLOSE, 0, 0); }},
        {"end of session",
         [](HWND h) {
             DWORD_PTR answer = 0;
             SendMessageTimeoutW(h, WM_QUERYENDSESSION, 0, 0, SMTO_ABORTIFHUNG, 2000, &answer);
             PostMessageW(h, WM_ENDSESSION, TRUE, 0);
         }},
    };
    for (const Way& way : ways) {
        for (const int file : {1, 0}) {  // chime.wav (20 s) is still playing; bell.wav has ended
            SCOPED_TRACE(std::string(way.name) + (file ? " during a sound" : " after a sound"));
            clearSettings();
            Program program(zirrotoneExe(), sounds_.path());
            HWND hwnd = program.window();
            ASSERT_TRUE(hwnd);
            ASSERT_TRUE(waitFor([&] { return countdown(program) > 0; }, 10s));
            HWND list = GetDlgItem(hwnd, ids::kFile1);
            SendMessageW(list, LB_SETCURSEL, file, 0);
            PostMessageW(hwnd, WM_COMMAND, MAKEWPARAM(ids::kFile1, LBN_DBLCLK), reinterpret_cast<LPARAM>(list));
            waitFor([] { return false; }, file ? 800ms : 1500ms);
            way.leave(hwnd);
            ASSERT_TRUE(program.waitForExit(5s));
            EXPECT_EQ(program.exitCode(), 0u);
            EXPECT_EQ(settingText(L"path"), sounds_.path());
        }
    }
}

TEST_F(E2ETest, ABurstOfTypingInTheDelayBoxLeavesItCountingPaintingAndSaving) {
    Program program(zirrotoneExe(), sounds_.path());
    HWND hwnd = program.window();
    ASSERT_TRUE(hwnd);
    ASSERT_TRUE(waitFor([&] { return countdown(program) > 0; }, 10s));
    program.command(ids::kMnuMute);  // the sounds would only slow the test down
    // 200 keys at once: 100 digits typed at the end, then 100 backspaces.
    HWND delay = GetDlgItem(hwnd, ids::kTxtDelay);
    PostMessageW(delay, EM_SETSEL, 3, 3);
    for (int i = 0; i < 200; ++i) PostMessageW(delay, WM_CHAR, i < 100 ? L'7' : VK_BACK, 0);
    ASSERT_TRUE(waitFor([&] { return program.text(ids::kTxtDelay) == L"0.1"; }, 20s));

    // Counting: a fresh count follows the edit, and it goes down.
    int first = -1, later = -1;
    ASSERT_TRUE(waitFor([&] { return (first = countdown(program)) >= 4; }, 10s));
    ASSERT_TRUE(waitFor([&] { return (later = countdown(program)) >= 0 && later < first; }, 5s));
    // Painting: an invalidated window is painted again.
    RedrawWindow(hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN);
    EXPECT_TRUE(waitFor([&] { return !GetUpdateRect(hwnd, nullptr, FALSE); }, 3s));
    program.command(ids::kMnuExit);
    ASSERT_TRUE(program.waitForExit(5s));
    EXPECT_EQ(settingText(L"delay"), L"0.1");
    EXPECT_EQ(settingText(L"volume"), L"50");
    EXPECT_EQ(settingText(L"mute"), L"1");
}

TEST_F(E2ETest, ATenThousandFileFolderIsReadAgainAtEachPick) {
    // Made by the build (tests/e2e/CMakeLists.txt): ten thousand empty "sounds".
    wchar_t big[MAX_PATH];
    GetFullPathNameW((programFolder() + L"\\..\\e2e_big_folder").c_str(), MAX_PATH, big, nullptr);
    const std::wstring added = std::wstring(big) + L"\\tone99999.wav";
    DeleteFileW(added.c_str());
    Program program(zirrotoneExe(), big);
    HWND hwnd = program.window();
    ASSERT_TRUE(hwnd);
    HWND list = GetDlgItem(hwnd, ids::kFile1);
    auto listed = [&] { return static_cast<int>(SendMessageW(list, LB_GETCOUNT, 0, 0)); };
    // Filled at start (not at a pick), which takes a while on a loaded machine.
    ASSERT_TRUE(waitFor([&] { return listed() == 10'000; }, 60s)) << [&] {
        // What the window shows and whether it answers, for a run that finds the list short.
        DWORD_PTR answer = 0;
        const auto sent = std::chrono::steady_clock::now();
        const bool answers = SendMessageTimeoutW(hwnd, WM_NULL, 0, 0, SMTO_NORMAL, 5000, &answer) != 0;
        const auto waited =
            std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - sent);
        std::ostringstream said;
        said << "files listed " << listed() << ", folders listed "
             << SendMessageW(GetDlgItem(hwnd, ids::kDir1), LB_GETCOUNT, 0, 0) << ", window "
             << (answers ? "answers" : "does not answer") << " (" << waited.count() << " ms), countdown \""
             << test::wideToUtf8(program.text(ids::kTxtCountdown)) << "\", status \""
             << test::wideToUtf8(program.text(ids::kLabel3)) << "\", state \""
             << test::wideToUtf8(program.text(ids::kLblState)) << "\"";
        return said.str();
    }();

    // How long the window keeps a message waiting, noted (not judged) for the record.
    std::atomic<bool> probing{true};
    std::atomic<long long> slowestMs{0};
    std::thread probe([&] {
        while (probing) {
            const auto sent = std::chrono::steady_clock::now();
            DWORD_PTR answer = 0;
            SendMessageTimeoutW(hwnd, WM_NULL, 0, 0, SMTO_NORMAL, 5000, &answer);
            const auto waited = std::chrono::steady_clock::now() - sent;
            slowestMs = std::max<long long>(slowestMs, std::chrono::duration_cast<std::chrono::milliseconds>(waited).count());
            Sleep(20);
        }
    });
    // Each pick ends in words on its file: these cannot play. (The name shows first, while
    // the file opens; the window answers meanwhile.)
    auto picked = [&] { return program.text(ids::kLabel3).rfind(L"Could not play", 0) == 0; };
    EXPECT_TRUE(waitFor(picked, 20s));
    // A file added while counting is listed at the next pick.
    test::makeFile(added);
    SendMessageW(GetDlgItem(hwnd, ids::kLabel3), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L""));
    EXPECT_TRUE(waitFor(picked, 20s));
    EXPECT_EQ(listed(), 10'001);
    probing = false;
    probe.join();
    RecordProperty("slowest_round_trip_ms", static_cast<int>(slowestMs));
    std::printf("slowest round trip while picking: %lld ms\n", static_cast<long long>(slowestMs));
    program.command(ids::kMnuExit);
    EXPECT_TRUE(program.waitForExit(5s));
    DeleteFileW(added.c_str());
}

// Made by the build (tests/e2e/CMakeLists.txt): "big" in it holds twenty thousand empty
// sounds, and nothing else is there.
std::wstring bigParent() {
    wchar_t full[MAX_PATH];
    GetFullPathNameW((programFolder() + L"\\..\\e2e_big_parent").c_str(), MAX_PATH, full, nullptr);
    return full;
}
constexpr int kBigFiles = 20'000;

using test::RoundTrips;

int listed(HWND hwnd, int id) {
    DWORD_PTR count = 0;
    SendMessageTimeoutW(GetDlgItem(hwnd, id), LB_GETCOUNT, 0, 0, SMTO_NORMAL, 60'000, &count);
    return static_cast<int>(count);
}

// Muted, with a delay long enough that no pick falls into the load.
void quietLongDelay() {
    setRegString(HKEY_CURRENT_USER, settingKey(kMuteSetting), std::wstring(kSettingValue), L"1");
    setRegString(HKEY_CURRENT_USER, settingKey(kDelaySetting), std::wstring(kSettingValue), L"10");
}

TEST_F(E2ETest, ALargeFolderChosenInTheFolderListLoadsWhileTheWindowAnswers) {
    quietLongDelay();
    Program program(zirrotoneExe(), bigParent());
    HWND hwnd = program.window();
    ASSERT_TRUE(hwnd);
    // The parent read: its one subfolder is the folder list's last row.
    ASSERT_TRUE(waitFor([&] { return listed(hwnd, ids::kDir1) >= 2; }, 20s));
    HWND folders = GetDlgItem(hwnd, ids::kDir1);
    SendMessageW(folders, LB_SETCURSEL, static_cast<WPARAM>(listed(hwnd, ids::kDir1) - 1), 0);
    RoundTrips trips(hwnd);
    PostMessageW(hwnd, WM_COMMAND, MAKEWPARAM(ids::kDir1, LBN_DBLCLK), reinterpret_cast<LPARAM>(folders));
    EXPECT_TRUE(waitFor([&] { return listed(hwnd, ids::kFile1) == kBigFiles; }, 90s)) << listed(hwnd, ids::kFile1);
    trips.stop();
    EXPECT_LE(trips.slowestMs(), 100);
    std::printf("slowest round trip while a chosen folder loads: %lld ms\n", trips.slowestMs());
    program.command(ids::kMnuExit);
    EXPECT_TRUE(program.waitForExit(5s));
    EXPECT_EQ(settingText(L"path"), bigParent() + L"\\big");
}

TEST_F(E2ETest, ALargeStoredFolderLoadsAfterTheWindowIsUpAndItAnswersMeanwhile) {
    quietLongDelay();
    setRegString(HKEY_CURRENT_USER, settingKey(kPathSetting), std::wstring(kSettingValue), bigParent() + L"\\big");
    Program program(zirrotoneExe(), bigParent());
    HWND hwnd = program.window();
    ASSERT_TRUE(hwnd);
    RoundTrips trips(hwnd);
    EXPECT_TRUE(waitFor([&] { return listed(hwnd, ids::kFile1) == kBigFiles; }, 90s)) << listed(hwnd, ids::kFile1);
    trips.stop();
    // Up at its usual speed, not once the folder is read: generous for a loaded machine.
    EXPECT_LE(trips.firstMs(), 2000);
    EXPECT_LE(trips.slowestMs(), 100);
    std::printf("first answer %lld ms, slowest round trip while the stored folder loads: %lld ms\n", trips.firstMs(),
                trips.slowestMs());
    program.command(ids::kMnuExit);
    EXPECT_TRUE(program.waitForExit(5s));
}

TEST_F(E2ETest, AnExitBeforeTheStoredFolderIsReadKeepsItAndDoesNotWait) {
    quietLongDelay();
    const std::wstring big = bigParent() + L"\\big";
    setRegString(HKEY_CURRENT_USER, settingKey(kPathSetting), std::wstring(kSettingValue), big);
    Program program(zirrotoneExe(), bigParent());
    HWND hwnd = program.window();
    ASSERT_TRUE(hwnd);
    PostMessageW(hwnd, WM_CLOSE, 0, 0);
    EXPECT_TRUE(program.waitForExit(3s));
    EXPECT_EQ(settingText(L"path"), big);
}

// The user's number format with a decimal comma, for as long as it lives.
class DecimalComma {
public:
    DecimalComma() {
        GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, decimal_, 8);
        GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_STHOUSAND, thousand_, 8);
        SetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_STHOUSAND, L".");
        SetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, L",");
    }
    ~DecimalComma() {
        SetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, decimal_);
        SetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_STHOUSAND, thousand_);
    }
    DecimalComma(const DecimalComma&) = delete;
    DecimalComma& operator=(const DecimalComma&) = delete;

private:
    wchar_t decimal_[8] = {}, thousand_[8] = {};
};

TEST_F(E2ETest, ADelayWithTheUsersDecimalCommaIsKept) {
    DecimalComma comma;
    Program program(zirrotoneExe(), sounds_.path());
    HWND hwnd = program.window();
    ASSERT_TRUE(hwnd);
    ASSERT_TRUE(waitFor([&] { return program.text(ids::kLblVolume) == L"50%"; }, 5s));
    EXPECT_EQ(program.text(ids::kTxtDelay), L"0,1");  // the first start's floor, in the user's format
    SendMessageW(GetDlgItem(hwnd, ids::kTxtDelay), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"0,2"));
    // An unreadable text would be replaced by the floor five seconds after the change.
    waitFor([] { return false; }, 6500ms);
    EXPECT_EQ(program.text(ids::kTxtDelay), L"0,2");
    program.command(ids::kMnuExit);
    ASSERT_TRUE(program.waitForExit(5s));
    EXPECT_EQ(settingText(L"delay"), L"0,2");
}

TEST_F(E2ETest, GarbageInEverySettingStillStartsCountsAndPlays) {
    for (const wchar_t* name : {L"path", L"volume", L"mute", L"delay", L"absolute", L"systray"})
        setRegString(HKEY_CURRENT_USER, settingKey(name), std::wstring(kSettingValue), L"\x263A garbage \x00e9 1e999");
    setRegString(HKEY_CURRENT_USER, std::wstring(kRunKey), std::wstring(kRunValue), L"???");
    Program program(zirrotoneExe(), sounds_.path());
    HWND hwnd = program.window();
    ASSERT_TRUE(hwnd);
    ASSERT_TRUE(waitFor([&] { return IsWindowVisible(hwnd) != FALSE; }, 5s));
    EXPECT_EQ(program.text(ids::kTxtDelay), L"0.1");
    ASSERT_TRUE(waitFor([&] { return program.text(ids::kLblVolume) == L"50%"; }, 5s));
    EXPECT_TRUE(waitFor([&] { return lastPlayed(program).rfind(L"Last played: ", 0) == 0; }, 12s));
    deleteRegValue(HKEY_CURRENT_USER, std::wstring(kRunKey), std::wstring(kRunValue));
}

TEST_F(E2ETest, TheEndOfTheSessionStoresTheSettings) {
    Program program(zirrotoneExe(), sounds_.path());
    HWND hwnd = program.window();
    ASSERT_TRUE(hwnd);
    ASSERT_TRUE(waitFor([&] { return program.trayIconPresent(); }, 5s));
    DWORD_PTR answer = 0;
    ASSERT_TRUE(SendMessageTimeoutW(hwnd, WM_QUERYENDSESSION, 0, 0, SMTO_ABORTIFHUNG, 1000, &answer));
    EXPECT_EQ(answer, TRUE);  // never blocks the end of the session
    EXPECT_EQ(settingText(L"path"), sounds_.path());
    clearSettings();
    SendMessageTimeoutW(hwnd, WM_ENDSESSION, FALSE, 0, SMTO_ABORTIFHUNG, 1000, &answer);  // cancelled
    EXPECT_FALSE(program.waitForExit(300ms));
    SendMessageTimeoutW(hwnd, WM_QUERYENDSESSION, 0, 0, SMTO_ABORTIFHUNG, 1000, &answer);
    PostMessageW(hwnd, WM_ENDSESSION, TRUE, 0);
    EXPECT_TRUE(program.waitForExit(2s));
    EXPECT_EQ(settingText(L"delay"), L"0.1");
    EXPECT_EQ(settingText(L"systray"), L"False");
}

// About opened with a sent command (as automation does), then "System Info..." pressed
// with no tool registered: the message box that says so, open in front of About.
HWND openSysInfoMessage(Program& program) {
    HWND hwnd = program.window();
    DWORD_PTR answer = 0;
    // Answered only when About closes: sent from a thread of its own.
    std::thread([hwnd] { SendMessageW(hwnd, WM_COMMAND, ids::kMnuAbout, 0); }).detach();
    HWND about = nullptr;
    if (!waitFor([&] { return (about = program.findWindow(frmAbout::kClassName)) && IsWindowVisible(about); }, 5s))
        return nullptr;
    SendMessageTimeoutW(GetDlgItem(about, frmAbout::idSysInfo), BM_CLICK, 0, 0, SMTO_NORMAL, 500, &answer);
    HWND box = nullptr;
    waitFor([&] { return (box = program.findWindow(L"#32770", L"zirrotone")) != nullptr; }, 5s);
    return box;
}

TEST_F(E2ETest, EveryExitRequestEndsTheProgramWhileItsMessageBoxIsOpen) {
    auto send = [](HWND h, UINT msg, WPARAM w) {
        DWORD_PTR answer = 0;
        SendMessageTimeoutW(h, msg, w, 0, SMTO_NORMAL, 3000, &answer);
    };
    const std::pair<const char*, std::function<void(HWND)>> ways[] = {
        {"Exit", [&](HWND h) { send(h, WM_COMMAND, ids::kMnuExit); }},
        {"Terminate", [&](HWND h) { send(h, WM_COMMAND, ids::kMnuTerminate); }},
        {"WM_CLOSE", [&](HWND h) { send(h, WM_CLOSE, 0); }},
        {"end of session", [&](HWND h) {
             send(h, WM_QUERYENDSESSION, 0);
             clearSettings();  // saved again by the end itself, before it returns
             send(h, WM_ENDSESSION, TRUE);
             EXPECT_EQ(settingText(L"delay"), L"0.1");
         }},
    };
    for (const auto& [way, request] : ways) {
        SCOPED_TRACE(way);
        clearSettings();
        Program program(zirrotoneExe(), sounds_.path());
        HWND hwnd = program.window();
        ASSERT_TRUE(hwnd);
        ASSERT_TRUE(waitFor([&] { return program.trayIconPresent(); }, 5s));
        ASSERT_TRUE(openSysInfoMessage(program));
        request(hwnd);
        EXPECT_TRUE(program.waitForExit(5s));
        EXPECT_EQ(settingText(L"path"), sounds_.path());
        EXPECT_EQ(settingText(L"volume"), L"50");
    }
}

TEST_F(E2ETest, AFailedMediaCheckTellsTheUserThenEndsWithTheSettingsStored) {
    ProgramWithStartupSound copy(2.0, zirrotoneTestBuildExe());
    Program program(copy.exe, sounds_.path(), L"ZT_TEST_MEDIA_FILE=C:\\nowhere\\mfplat.dll");
    ASSERT_TRUE(program.window());
    HWND box = nullptr;
    ASSERT_TRUE(waitFor([&] { return (box = program.findWindow(L"#32770", L"Media Player 6.x Required")) != nullptr; }, 10s));
    EXPECT_EQ(messageBoxText(box), L"Media Player 6.x not found!");
    EXPECT_TRUE(program.text(ids::kTxtCountdown).empty());  // nothing started behind it
    PostMessageW(box, WM_COMMAND, IDOK, 0);
    ASSERT_TRUE(program.waitForExit(3s));
    EXPECT_EQ(settingText(L"path"), sounds_.path());
}

}  // namespace
}  // namespace zt::e2e
