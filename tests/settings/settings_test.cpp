#include "settings/settings.h"

#include <gtest/gtest.h>

#include "fakes.h"

namespace zt {
namespace {

using testing::FakeControls;
using testing::FakeStore;
using MenuItem = SettingsControls::MenuItem;
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
    FakeControls controls;
    controls.folders = {L"D:\\Sounds"};

    restoreSettings(store, controls);

    EXPECT_EQ(controls.log, (Log{L"Drive1=D:\\Sounds", L"File1=D:\\Sounds", L"Dir1=D:\\Sounds",
                                 L"Slider1=70", L"chkMute=1", L"txtDelay=2.5", L"mnuAbVol=1",
                                 L"mnuSystray=0", L"mnuSystray2=0", L"mnuStartup=1",
                                 L"mnuStartup2=1"}));
    EXPECT_TRUE(store.writes.empty());
}

TEST(RestoreSettings, FirstStartSetsOnlyDelayAndRunAtLogon) {
    FakeStore store;
    FakeControls controls;
    controls.checks[MenuItem::mnuStartup] = true;
    controls.checks[MenuItem::mnuStartup2] = true;

    restoreSettings(store, controls);

    // The delay comes in the user's number format.
    EXPECT_EQ(controls.log, (Log{L"txtDelay=0,1", L"mnuStartup=0", L"mnuStartup2=0"}));
}

TEST(RestoreSettings, DelayBelowTenthBecomesTenthElseStaysAsStored) {
    const std::vector<std::wstring> replaced = {L"0.05", L"0", L"-3", L"abc", L"0.0999", L"1e400", L" "};
    for (const auto& text : replaced) {
        FakeStore store;
        store.setSetting(L"delay", text);
        FakeControls controls;
        restoreSettings(store, controls);
        EXPECT_EQ(controls.delay, L"0,1") << "stored: " << text;
    }
    // The fake user writes numbers with a decimal comma; the point is read as well.
    const std::vector<std::wstring> kept = {L"0.1", L"2.5", L"3 minutes", L" 4", L"1e1", L"0,2", L"0,1"};
    for (const auto& text : kept) {
        FakeStore store;
        store.setSetting(L"delay", text);
        FakeControls controls;
        restoreSettings(store, controls);
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
        FakeControls controls;
        restoreSettings(store, controls);
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
        FakeControls controls;
        controls.mute = 7;  // a state restore cannot produce, to see whether it was set
        restoreSettings(store, controls);
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
        FakeControls controls;
        restoreSettings(store, controls);
        const std::wstring v = c.expected == 1 ? L"=1" : L"=0";
        const Log expected = c.expected < 0
            ? Log{L"txtDelay=0,1", L"mnuStartup=0", L"mnuStartup2=0"}
            : Log{L"txtDelay=0,1", L"mnuAbVol" + v, L"mnuSystray" + v, L"mnuSystray2" + v,
                  L"mnuStartup=0", L"mnuStartup2=0"};
        EXPECT_EQ(controls.log, expected) << "stored: " << c.stored;
    }
}

TEST(RestoreSettings, MissingFolderLeavesTheLists) {
    FakeStore store;
    store.setSetting(L"path", L"D:\\Gone");
    FakeControls controls;
    controls.folders = {L"D:\\Other"};
    restoreSettings(store, controls);
    EXPECT_EQ(controls.log, (Log{L"txtDelay=0,1", L"mnuStartup=0", L"mnuStartup2=0"}));
}

TEST(SaveSettings, WritesAllSixInOrder) {
    FakeStore store;
    FakeControls controls;
    controls.file1 = L"E:\\Klänge";
    controls.slider = 0;
    controls.mute = 1;
    controls.delay = L"3 minutes";
    controls.checks[MenuItem::mnuSystray] = true;
    controls.checks[MenuItem::mnuSystray2] = false;  // not saved: follows mnuSystray
    controls.checks[MenuItem::mnuAbVol] = false;
    controls.checks[MenuItem::mnuStartup] = true;  // not saved either

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
    FakeControls controls;
    controls.file1 = L"D:\\Sounds";
    controls.delay = L"";
    controls.slider = -1;  // the slider did not answer
    saveSettings(store, controls);
    EXPECT_EQ(store.get(settingKey(L"delay"), L"String"), L"2.5");
    EXPECT_EQ(store.get(settingKey(L"volume"), L"String"), L"70");
    EXPECT_EQ(store.get(settingKey(L"path"), L"String"), L"D:\\Sounds");
    EXPECT_EQ(store.writes.size(), 4u);  // path, mute, systray, absolute
}

TEST(SaveSettings, RestoreGivesBackWhatWasSaved) {
    FakeStore store;
    FakeControls saved;
    saved.file1 = L"D:\\Sounds";
    saved.slider = 100;
    saved.mute = 1;
    saved.delay = L"0.1";
    saved.checks[MenuItem::mnuSystray] = true;
    saved.checks[MenuItem::mnuAbVol] = true;
    saveSettings(store, saved);

    FakeControls restored;
    restored.folders = {L"D:\\Sounds"};
    restoreSettings(store, restored);
    EXPECT_EQ(restored.file1, L"D:\\Sounds");
    EXPECT_EQ(restored.slider, 100);
    EXPECT_EQ(restored.mute, 1);
    EXPECT_EQ(restored.delay, L"0.1");
    EXPECT_TRUE(restored.checks[MenuItem::mnuSystray]);
    EXPECT_TRUE(restored.checks[MenuItem::mnuSystray2]);
    EXPECT_TRUE(restored.checks[MenuItem::mnuAbVol]);
}

TEST(ToggleRunAtStartup, FlipsBothItemsAndWritesOrDeletesQuotedPath) {
    FakeStore store;
    store.setSetting(L"volume", L"40");
    const auto settingsBefore = store.values;
    FakeControls controls;
    controls.checks[MenuItem::mnuStartup2] = true;  // out of step: mnuStartup decides
    const std::wstring exe = L"C:\\Program Files\\Zirrotone\\zirrotone.exe";

    toggleRunAtStartup(store, controls, exe);
    EXPECT_EQ(controls.log, (Log{L"mnuStartup=1", L"mnuStartup2=1"}));
    EXPECT_EQ(store.writes,
              (Log{L"Software\\Microsoft\\Windows\\CurrentVersion\\Run|zirrotone="
                   L"\"C:\\Program Files\\Zirrotone\\zirrotone.exe\""}));

    toggleRunAtStartup(store, controls, exe);
    EXPECT_EQ(controls.log,
              (Log{L"mnuStartup=1", L"mnuStartup2=1", L"mnuStartup=0", L"mnuStartup2=0"}));
    EXPECT_EQ(store.writes.back(), L"Software\\Microsoft\\Windows\\CurrentVersion\\Run|zirrotone deleted");
    EXPECT_EQ(store.writes.size(), 2u);
    EXPECT_EQ(store.values, settingsBefore);
}

}  // namespace
}  // namespace zt
