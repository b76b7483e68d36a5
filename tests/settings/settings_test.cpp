#include "settings/settings.h"

#include <gtest/gtest.h>

#include "fakes.h"

namespace zt {
namespace {

using test::CommaNumberFormat;
using test::FakeSettingsView;
using test::FakeStore;
using Option = SettingsView::Option;
using Log = std::vector<std::wstring>;

const std::wstring kRunKeyText(kRunKey);
const std::wstring kRunValueText(kRunValue);

TEST(RestoreSettings, AppliesEverySettingInOrder) {
    FakeStore store;
    store.setSetting(L"path", L"D:\\Sounds");
    store.setSetting(L"volume", L"70");
    store.setSetting(L"mute", L"1");
    store.setSetting(L"delay", L"2.5");
    store.setSetting(L"absolute", L"True");
    store.setSetting(L"systray", L"False");
    store.values[{kRunKeyText, kRunValueText}] = L"X:\\elsewhere\\copy.exe";
    FakeSettingsView controls;
    controls.folders = {L"D:\\Sounds"};

    restoreSettings(store, controls, CommaNumberFormat());

    EXPECT_EQ(controls.log, (Log{L"open=D:\\Sounds", L"volume=70", L"mute=1", L"delay=2.5",
                                 L"absoluteVolume=1", L"startInTray=0", L"runAtStartup=1"}));
    EXPECT_EQ(controls.folder, L"D:\\Sounds");
    EXPECT_TRUE(store.writes.empty());
}

TEST(RestoreSettings, FirstStartSetsOnlyDelayAndRunAtLogon) {
    FakeStore store;
    FakeSettingsView controls;
    controls.options[Option::runAtStartup] = true;

    restoreSettings(store, controls, CommaNumberFormat());

    // The delay comes in the user's number format.
    EXPECT_EQ(controls.log, (Log{L"delay=0,1", L"runAtStartup=0"}));
}

TEST(RestoreSettings, DelayBelowTenthBecomesTenthElseStaysAsStored) {
    const std::vector<std::wstring> replaced = {L"0.05", L"0", L"-3", L"abc", L"0.0999", L"1e400", L" "};
    for (const auto& text : replaced) {
        FakeStore store;
        store.setSetting(L"delay", text);
        FakeSettingsView controls;
        restoreSettings(store, controls, CommaNumberFormat());
        EXPECT_EQ(controls.delay, L"0,1") << "stored: " << text;
    }
    // The fake user writes numbers with a decimal comma; the point is read as well.
    const std::vector<std::wstring> kept = {L"0.1", L"2.5", L"3 minutes", L" 4", L"1e1", L"0,2", L"0,1"};
    for (const auto& text : kept) {
        FakeStore store;
        store.setSetting(L"delay", text);
        FakeSettingsView controls;
        restoreSettings(store, controls, CommaNumberFormat());
        EXPECT_EQ(controls.delay, text);
    }
}

struct SliderCase {
    const wchar_t* stored;
    std::int32_t expected;  // 50 is where the slider starts
};

TEST(RestoreSettings, VolumeConvertsStrictlyAndClampsToSliderRange) {
    const SliderCase cases[] = {
        {L"0", 0},       {L"100", 100},   {L"7", 7},       {L" 7 ", 7},     {L"150", 100},
        {L"-5", 0},      {L"1e10", 100},  {L"20.5", 20},   {L"21.5", 22},   {L"99.5", 100},
        {L"abc", 50},    {L"5x", 50},     {L"", 50},       {L"1e400", 50},  {L"0x10", 50},
        {L"inf", 50},    {L"nan", 50},    {L"-", 50},      {L".", 50},      {L"1e", 50},
        {L"1 0", 50},
    };
    for (const auto& c : cases) {
        FakeStore store;
        store.setSetting(L"volume", c.stored);
        FakeSettingsView controls;
        restoreSettings(store, controls, CommaNumberFormat());
        EXPECT_EQ(controls.slider, c.expected) << "stored: " << c.stored;
    }
}

TEST(RestoreSettings, MuteTakesOnlyZeroOrOne) {
    const SliderCase cases[] = {
        {L"1", 1}, {L"0", 0}, {L"0.5", 0}, {L"1.0", 1}, {L"2", 7},
        {L"-1", 7}, {L"1.5", 7}, {L"yes", 7}, {L"99999", 7}, {L"1e400", 7},
    };
    for (const auto& c : cases) {
        FakeStore store;
        store.setSetting(L"mute", c.stored);
        FakeSettingsView controls;
        controls.mute = 7;  // a state restore cannot produce, to see whether it was set
        restoreSettings(store, controls, CommaNumberFormat());
        EXPECT_EQ(controls.mute, c.expected) << "stored: " << c.stored;
    }
}

TEST(RestoreSettings, BooleansInAnyCaseOthersLeaveMenusAlone) {
    struct Case {
        const wchar_t* stored;
        int expected;  // -1: not set
    };
    const Case cases[] = {{L"True", 1}, {L"true", 1}, {L"TRUE", 1},  {L"False", 0},
                          {L"fAlSe", 0}, {L"1", -1},  {L"yes", -1},  {L"Tru", -1},
                          {L"True ", -1}};
    for (const auto& c : cases) {
        FakeStore store;
        store.setSetting(L"absolute", c.stored);
        store.setSetting(L"systray", c.stored);
        FakeSettingsView controls;
        restoreSettings(store, controls, CommaNumberFormat());
        const std::wstring v = c.expected == 1 ? L"=1" : L"=0";
        const Log expected = c.expected < 0
            ? Log{L"delay=0,1", L"runAtStartup=0"}
            : Log{L"delay=0,1", L"absoluteVolume" + v, L"startInTray" + v, L"runAtStartup=0"};
        EXPECT_EQ(controls.log, expected) << "stored: " << c.stored;
    }
}

TEST(RestoreSettings, OnlyAStoredFolderIsOpened) {
    FakeStore store;
    FakeSettingsView controls;
    restoreSettings(store, controls, CommaNumberFormat());
    EXPECT_EQ(controls.log, (Log{L"delay=0,1", L"runAtStartup=0"}));

    store.setSetting(L"path", L"D:\\Gone");  // the window decides whether it can be opened
    FakeSettingsView gone;
    restoreSettings(store, gone, CommaNumberFormat());
    EXPECT_EQ(gone.log, (Log{L"open=D:\\Gone", L"delay=0,1", L"runAtStartup=0"}));
    EXPECT_EQ(gone.folder, L"C:\\start");
}

TEST(SaveSettings, WritesAllSixInOrder) {
    FakeStore store;
    FakeSettingsView controls;
    controls.folder = L"E:\\Klänge";
    controls.slider = 0;
    controls.mute = 1;
    controls.delay = L"3 minutes";
    controls.options[Option::startInTray] = true;
    controls.options[Option::absoluteVolume] = false;
    controls.options[Option::runAtStartup] = true;  // not saved: the entry is the setting

    saveSettings(store, controls);

    EXPECT_EQ(store.writes, (Log{L"Software\\Zirrotone\\path|String=E:\\Klänge",
                                 L"Software\\Zirrotone\\volume|String=0",
                                 L"Software\\Zirrotone\\mute|String=1",
                                 L"Software\\Zirrotone\\delay|String=3 minutes",
                                 L"Software\\Zirrotone\\systray|String=True",
                                 L"Software\\Zirrotone\\absolute|String=False"}));
    EXPECT_TRUE(controls.log.empty());
}

TEST(SaveSettings, KeepsTheStoredDelayAndVolumeWhenTheControlsGiveNone) {
    FakeStore store;
    store.setSetting(L"delay", L"2.5");
    store.setSetting(L"volume", L"70");
    FakeSettingsView view;
    view.folder = L"D:\\Sounds";
    view.delay = L"";
    view.slider = -1;  // the slider did not answer
    saveSettings(store, view);
    EXPECT_EQ(store.get(settingKey(L"delay"), L"String"), L"2.5");
    EXPECT_EQ(store.get(settingKey(L"volume"), L"String"), L"70");
    EXPECT_EQ(store.get(settingKey(L"path"), L"String"), L"D:\\Sounds");
    EXPECT_EQ(store.writes.size(), 4u);  // path, mute, systray, absolute
}

TEST(SaveSettings, RestoreGivesBackWhatWasSaved) {
    FakeStore store;
    FakeSettingsView saved;
    saved.folder = L"D:\\Sounds";
    saved.slider = 100;
    saved.mute = 1;
    saved.delay = L"0.1";
    saved.options[Option::startInTray] = true;
    saved.options[Option::absoluteVolume] = true;
    saveSettings(store, saved);

    FakeSettingsView restored;
    restored.folders = {L"D:\\Sounds"};
    restoreSettings(store, restored, CommaNumberFormat());
    EXPECT_EQ(restored.folder, L"D:\\Sounds");
    EXPECT_EQ(restored.slider, 100);
    EXPECT_EQ(restored.mute, 1);
    EXPECT_EQ(restored.delay, L"0.1");
    EXPECT_TRUE(restored.options[Option::startInTray]);
    EXPECT_TRUE(restored.options[Option::absoluteVolume]);
}

TEST(ToggleRunAtStartup, FlipsTheOptionAndWritesOrDeletesQuotedPath) {
    FakeStore store;
    store.setSetting(L"volume", L"40");
    const auto settingsBefore = store.values;
    FakeSettingsView controls;
    const std::wstring exe = L"C:\\Program Files\\Zirrotone\\zirrotone.exe";

    toggleRunAtStartup(store, controls, exe);
    EXPECT_EQ(controls.log, (Log{L"runAtStartup=1"}));
    EXPECT_EQ(store.writes,
              (Log{L"Software\\Microsoft\\Windows\\CurrentVersion\\Run|zirrotone="
                   L"\"C:\\Program Files\\Zirrotone\\zirrotone.exe\""}));

    toggleRunAtStartup(store, controls, exe);
    EXPECT_EQ(controls.log,
              (Log{L"runAtStartup=1", L"runAtStartup=0"}));
    EXPECT_EQ(store.writes.back(), L"Software\\Microsoft\\Windows\\CurrentVersion\\Run|zirrotone deleted");
    EXPECT_EQ(store.writes.size(), 2u);
    EXPECT_EQ(store.values, settingsBefore);
}

}  // namespace
}  // namespace zt
