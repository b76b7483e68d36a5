// "Play on" in the real program, in this process, with the sinks of the test's PulseAudio as
// the output devices: device_sound_test.sh loads a second sink ("SecondSpeakers"), records
// each sink while these cases run, unloads the second one when a case asks, and measures
// what was heard.
#include <windows.h>
#include <windowsx.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "app/app.h"
#include "common/winutil.h"
#include "mainwindow/ids.h"
#include "program.h"
#include "settings/registry.h"
#include "settings/settings.h"
#include "test_support.h"

namespace zt {
namespace {

using namespace std::chrono_literals;
using test::askSoundScript;
using test::TempFolder;
using test::waitFor;
using test::writeTone;

struct MenuItem {
    std::wstring text;
    bool checked;
};

// The wall clock in milliseconds since 1970, which the script's recordings share.
long long unixMs() {
    FILETIME ft;
    GetSystemTimePreciseAsFileTime(&ft);
    const auto ticks = (static_cast<unsigned long long>(ft.dwHighDateTime) << 32) | ft.dwLowDateTime;
    return static_cast<long long>((ticks - 116444736000000000ull) / 10000);
}

class DeviceE2E : public ::testing::Test {
protected:
    void SetUp() override {
        if (!std::getenv("ZT_PULSE_CONTROL")) GTEST_SKIP() << "run by device_sound_test.sh";
        ASSERT_TRUE(com_.ok());
        RegDeleteTreeW(HKEY_CURRENT_USER, kSettingsKey);
        writeTone(sounds_ / L"a.wav", 1.0, 440);
        writeTone(sounds_ / L"long.wav", 4.0, 550);
        SetCurrentDirectoryW(sounds_.path().c_str());
        start();
    }
    void TearDown() override {
        end();
        SetCurrentDirectoryW(L"C:\\");
        RegDeleteTreeW(HKEY_CURRENT_USER, kSettingsKey);
    }
    void start() {
        app_ = std::make_unique<App>(GetModuleHandleW(nullptr));
        ASSERT_TRUE(app_->create());
        hwnd_ = app_->form().hwnd();
        app_->form().soundFolder().refresh();
    }
    void end() {
        if (!app_) return;
        DestroyWindow(hwnd_);
        app_.reset();
        processPendingEvents();
    }
    static void put(std::wstring_view name, const std::wstring& text) {
        setRegString(HKEY_CURRENT_USER, settingKey(name), std::wstring(kSettingValue), text);
    }
    static std::wstring stored(std::wstring_view name) {
        return getRegString(HKEY_CURRENT_USER, settingKey(name), std::wstring(kSettingValue));
    }
    std::wstring status() const { return app_->form().controlText(ids::kLabel3); }

    // The Sound menu's "Play on" submenu, filled as it is when it opens.
    HMENU openPlayOn() {
        HMENU file = GetSubMenu(GetMenu(hwnd_), 1);
        for (int i = 0; i < GetMenuItemCount(file); ++i) {
            wchar_t text[64] = {};
            GetMenuStringW(file, static_cast<UINT>(i), text, 64, MF_BYPOSITION);
            if (std::wstring(text) != L"Play o&n") continue;
            HMENU popup = GetSubMenu(file, i);
            SendMessageW(hwnd_, WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(popup), i);
            return popup;
        }
        return nullptr;
    }
    std::vector<MenuItem> playOnItems() {
        HMENU popup = openPlayOn();
        std::vector<MenuItem> items;
        for (int i = 0; popup && i < GetMenuItemCount(popup); ++i) {
            wchar_t text[256] = {};
            GetMenuStringW(popup, static_cast<UINT>(i), text, 256, MF_BYPOSITION);
            items.push_back({text, (GetMenuState(popup, static_cast<UINT>(i), MF_BYPOSITION) & MF_CHECKED) != 0});
        }
        return items;
    }
    // Chooses a device by its name in "Play on", as a click would.
    bool choose(const std::wstring& name) {
        HMENU popup = openPlayOn();
        for (int i = 0; popup && i < GetMenuItemCount(popup); ++i) {
            wchar_t text[256] = {};
            GetMenuStringW(popup, static_cast<UINT>(i), text, 256, MF_BYPOSITION);
            if (name != text) continue;
            SendMessageW(hwnd_, WM_COMMAND, MAKEWPARAM(GetMenuItemID(popup, i), 0), 0);
            return true;
        }
        return false;
    }
    // A double click on the file: returns when the sound has ended.
    void testPlay(const std::wstring& name) {
        HWND list = GetDlgItem(hwnd_, ids::kFile1);
        ListBox_SetCurSel(list, ListBox_FindStringExact(list, -1, name.c_str()));
        SendMessageW(hwnd_, WM_COMMAND, MAKEWPARAM(ids::kFile1, LBN_DBLCLK), reinterpret_cast<LPARAM>(list));
    }

    ComInit com_;
    TempFolder sounds_{L"zt_e2e_device"};
    std::unique_ptr<App> app_;
    HWND hwnd_ = nullptr;
};

TEST_F(DeviceE2E, PlayOnListsEveryDeviceTicksTheChoiceAndTheChosenOnePlays) {
    std::vector<MenuItem> items = playOnItems();
    ASSERT_GE(items.size(), 4u);
    EXPECT_EQ(items[0].text, L"Default device");
    EXPECT_TRUE(items[0].checked);  // a first start follows the system's default
    std::vector<std::wstring> names;
    for (std::size_t i = 1; i < items.size(); ++i) {
        names.push_back(items[i].text);
        EXPECT_FALSE(items[i].checked) << testing::PrintToString(names.back());
    }
    for (const wchar_t* wanted : {L"PulseAudio", L"zt_null", L"SecondSpeakers"})
        EXPECT_NE(std::find(names.begin(), names.end(), wanted), names.end()) << "no " << testing::PrintToString(wanted);

    ASSERT_TRUE(choose(L"SecondSpeakers"));
    EXPECT_FALSE(stored(kDeviceSetting).empty());  // stored at once
    EXPECT_EQ(stored(kDeviceNameSetting), L"SecondSpeakers");
    for (const MenuItem& item : playOnItems()) EXPECT_EQ(item.checked, item.text == L"SecondSpeakers");
    testPlay(L"a.wav");  // the script hears it on the second sink alone
    EXPECT_EQ(status(), L"");

    // A new start keeps the choice; "Default device" goes back to the default.
    end();
    start();
    for (const MenuItem& item : playOnItems()) EXPECT_EQ(item.checked, item.text == L"SecondSpeakers");
    ASSERT_TRUE(choose(L"Default device"));
    EXPECT_EQ(stored(kDeviceSetting), L"");
    EXPECT_TRUE(playOnItems().at(0).checked);
}

TEST_F(DeviceE2E, AMissingDeviceFallsBackToTheDefaultAndSaysSo) {
    put(kDeviceSetting, L"{0.0.0.00000000}.{5b0bd45e-7a4b-4a0b-9d1e-2f8a7c3e6b10}");
    put(kDeviceNameSetting, L"Gone Speakers");
    end();
    start();
    const std::vector<MenuItem> items = playOnItems();
    ASSERT_FALSE(items.empty());
    EXPECT_EQ(items.back().text, L"Gone Speakers (not available)");
    EXPECT_TRUE(items.back().checked);
    testPlay(L"a.wav");  // the script hears it on the default sink
    EXPECT_EQ(status(), L"Played on the default device: Gone Speakers is not available");
    const auto& history = app_->history().entries();
    ASSERT_FALSE(history.empty());
    EXPECT_EQ(history.front().what, HistoryEvent::DefaultDevice);
}

TEST_F(DeviceE2E, ADeviceLostMidSoundEndsThatSoundAndTheNextPlays) {
    ASSERT_TRUE(choose(L"SecondSpeakers"));
    // A second into the four-second sound, the script unloads the sink.
    static bool asked = false;
    asked = false;
    const UINT_PTR timer = SetTimer(nullptr, 0, 1000, [](HWND, UINT, UINT_PTR id, DWORD) {
        KillTimer(nullptr, id);
        asked = askSoundScript("unload", 10s);
    });
    const DWORD started = GetTickCount();
    testPlay(L"long.wav");
    const DWORD playedMs = GetTickCount() - started;
    KillTimer(nullptr, timer);
    ASSERT_TRUE(asked);
    EXPECT_LT(playedMs, 3000u);
    EXPECT_EQ(status(), L"Stopped long.wav: SecondSpeakers is no longer available.");
    ASSERT_FALSE(app_->history().entries().empty());
    EXPECT_EQ(app_->history().entries().front().what, HistoryEvent::CutShort);
    std::printf("lost: the sound ended %lu ms after it started (the sink went at about 1000 ms)\n",
                static_cast<unsigned long>(playedMs));

    std::printf("MARK next %lld\n", unixMs());
    std::fflush(stdout);
    testPlay(L"a.wav");  // the script hears it on the default sink
    EXPECT_EQ(status(), L"Played on the default device: SecondSpeakers is not available");
}

TEST_F(DeviceE2E, TheLeadInPlaysSilenceBeforeTheFirstSample) {
    for (const wchar_t* leadIn : {L"0", L"1000"}) {
        put(kLeadInSetting, leadIn);
        end();
        start();
        std::printf("MARK leadin%ls %lld\n", leadIn, unixMs());
        std::fflush(stdout);
        testPlay(L"a.wav");
        EXPECT_EQ(status(), L"");
        waitFor([] { return false; }, 500ms);  // apart in the recording
    }
}

}  // namespace
}  // namespace zt
