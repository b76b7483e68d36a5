#include "settings/settings.h"

#include <gtest/gtest.h>

#include "fakes.h"

namespace zt {
namespace {

using test::CommaNumberFormat;
using test::FakeStore;
using Log = std::vector<std::wstring>;
using Field = SettingsModel::Field;

const std::wstring kRunKeyText(kRunKey);
const std::wstring kRunValueText(kRunValue);

Settings load(FakeStore& store) { return loadSettings(store, CommaNumberFormat()); }

Settings loadOne(std::wstring_view name, const std::wstring& text) {
    FakeStore store;
    store.setSetting(name, text);
    return load(store);
}

TEST(LoadSettings, ReadsEveryKey) {
    FakeStore store;
    store.setSetting(L"path", L"D:\\Sounds");
    store.setSetting(L"volume", L"70");
    store.setSetting(L"mute", L"1");
    store.setSetting(L"delay", L"2.5");
    store.setSetting(L"absolute", L"True");
    store.setSetting(L"systray", L"False");
    store.setSetting(L"quiet", L"True");
    store.setSetting(L"quietfrom", L"21:15");
    store.setSetting(L"quietto", L"06:00");
    store.setSetting(L"quietdays", L"1111100");
    store.setSetting(L"holdbusy", L"False");
    store.setSetting(L"norepeat", L"true");
    store.setSetting(L"muteuntil", L"2026-12-07 14:30+01:00");
    store.setSetting(L"trayhint", L"True");
    store.values[{kRunKeyText, kRunValueText}] = L"X:\\elsewhere\\copy.exe";

    const Settings s = load(store);

    EXPECT_EQ(s.folder, L"D:\\Sounds");
    EXPECT_EQ(s.volume, 70);
    EXPECT_TRUE(s.on(Toggle::mute));
    EXPECT_EQ(s.delayText, L"2.5");
    EXPECT_TRUE(s.on(Toggle::absoluteVolume));
    EXPECT_FALSE(s.on(Toggle::startInTray));
    EXPECT_TRUE(s.on(Toggle::runAtStartup));  // any entry at all
    EXPECT_EQ(s.quiet, (QuietHours{true, 21 * 60 + 15, 6 * 60, 0x3E}));
    EXPECT_FALSE(s.on(Toggle::holdBusy));
    EXPECT_TRUE(s.on(Toggle::noRepeat));
    ASSERT_TRUE(s.muteUntil);
    EXPECT_EQ(s.muteUntil->local.hour, 14);
    EXPECT_EQ(s.muteUntil->utcOffsetMinutes, 60);
    EXPECT_TRUE(s.trayHintShown);
    EXPECT_TRUE(store.writes.empty());
}

TEST(LoadSettings, FirstStartIsTheControlsAtCreationWithTheFloorDelay) {
    FakeStore store;
    const Settings s = load(store);
    Settings expected;
    expected.delayText = L"0,1";  // in the user's number format
    EXPECT_EQ(s.folder, L"");
    EXPECT_EQ(s.volume, 50);
    EXPECT_EQ(s.delayText, expected.delayText);
    EXPECT_EQ(s.toggles, expected.toggles);
    EXPECT_TRUE(s.on(Toggle::holdBusy));  // on for a new user
    EXPECT_FALSE(s.on(Toggle::noRepeat));  // today's pick until asked for
    EXPECT_TRUE(s.on(Toggle::level));
    EXPECT_FALSE(s.on(Toggle::softStart));
    EXPECT_FALSE(s.on(Toggle::runAtStartup));
    EXPECT_FALSE(s.quiet.on);
    EXPECT_FALSE(s.muteUntil);
    EXPECT_FALSE(s.trayHintShown);
}

TEST(LoadSettings, DelayBelowTenthBecomesTenthElseStaysAsStored) {
    for (const auto* text : {L"0.05", L"0", L"-3", L"abc", L"0.0999", L"1e400", L" "})
        EXPECT_EQ(loadOne(L"delay", text).delayText, L"0,1") << "stored: " << text;
    // The fake user writes numbers with a decimal comma; the point is read as well.
    for (const auto* text : {L"0.1", L"2.5", L"3 minutes", L" 4", L"1e1", L"0,2", L"0,1"})
        EXPECT_EQ(loadOne(L"delay", text).delayText, text);
}

TEST(LoadSettings, VolumeConvertsStrictlyAndClampsToTheSliderRange) {
    const std::pair<const wchar_t*, std::int32_t> cases[] = {
        {L"0", 0},     {L"100", 100}, {L"7", 7},      {L" 7 ", 7},   {L"150", 100}, {L"-5", 0},
        {L"1e10", 100}, {L"20.5", 20}, {L"21.5", 22},  {L"99.5", 100}, {L"abc", 50}, {L"5x", 50},
        {L"", 50},     {L"1e400", 50}, {L"0x10", 50},  {L"inf", 50},  {L"nan", 50},  {L"-", 50},
        {L".", 50},    {L"1e", 50},    {L"1 0", 50},
    };
    for (const auto& [stored, expected] : cases)
        EXPECT_EQ(loadOne(L"volume", stored).volume, expected) << "stored: " << stored;
}

TEST(LoadSettings, MuteTakesOnlyZeroOrOneBooleansOnlyTrueOrFalse) {
    for (const auto* text : {L"1", L"1.0"}) EXPECT_TRUE(loadOne(L"mute", text).on(Toggle::mute)) << text;
    for (const auto* text : {L"0", L"0.5", L"2", L"-1", L"1.5", L"yes", L"99999", L"1e400"})
        EXPECT_FALSE(loadOne(L"mute", text).on(Toggle::mute)) << text;

    struct Case {
        const wchar_t* stored;
        std::optional<bool> read;  // nothing: the first start's value stays
    };
    const Case cases[] = {{L"True", true},  {L"true", true},       {L"TRUE", true},
                          {L"False", false}, {L"fAlSe", false},     {L"1", std::nullopt},
                          {L"yes", std::nullopt}, {L"Tru", std::nullopt}, {L"True ", std::nullopt}};
    for (const auto& c : cases) {
        FakeStore store;
        for (const auto* name : {L"absolute", L"systray", L"holdbusy", L"level", L"softstart"})
            store.setSetting(name, c.stored);
        const Settings s = load(store);
        EXPECT_EQ(s.on(Toggle::level), c.read.value_or(true)) << c.stored;
        EXPECT_EQ(s.on(Toggle::softStart), c.read.value_or(false)) << c.stored;
        EXPECT_EQ(s.on(Toggle::absoluteVolume), c.read.value_or(false)) << c.stored;
        EXPECT_EQ(s.on(Toggle::startInTray), c.read.value_or(false)) << c.stored;
        EXPECT_EQ(s.on(Toggle::holdBusy), c.read.value_or(true)) << c.stored;
    }
}

TEST(SaveSettings, WritesEveryKeyAndLoadGivesItBack) {
    FakeStore store;
    Settings saved;
    saved.folder = L"E:\\Klänge";
    saved.volume = 0;
    saved.delayText = L"3 minutes";
    saved.quiet = {true, 22 * 60, 7 * 60 + 30, 0x41};
    for (const Toggle t : {Toggle::mute, Toggle::startInTray, Toggle::runAtStartup, Toggle::noRepeat})
        saved.toggles[static_cast<std::size_t>(t)] = true;
    saved.device = L"{0.0.0.00000000}.{5b0bd45e-7a4b-4a0b-9d1e-2f8a7c3e6b10}";
    saved.deviceName = L"Speakers (USB)";
    saved.leadInMs = 300;  // the user's own, never written by the program

    saveSettings(store, saved);

    const auto text = [&](const wchar_t* name) { return store.get(settingKey(name), L"String"); };
    EXPECT_EQ(text(L"path"), L"E:\\Klänge");
    EXPECT_EQ(text(L"volume"), L"0");
    EXPECT_EQ(text(L"mute"), L"1");
    EXPECT_EQ(text(L"delay"), L"3 minutes");
    EXPECT_EQ(text(L"systray"), L"True");
    EXPECT_EQ(text(L"absolute"), L"False");
    EXPECT_EQ(text(L"holdbusy"), L"True");
    EXPECT_EQ(text(L"norepeat"), L"True");
    EXPECT_EQ(text(L"level"), L"True");
    EXPECT_EQ(text(L"softstart"), L"False");
    EXPECT_EQ(text(L"quietdays"), L"0000011");
    EXPECT_EQ(text(L"muteuntil"), L"");
    // Run at startup is the entry, written when it is toggled; the tray hint when shown.
    EXPECT_TRUE(store.get(kRunKeyText, kRunValueText).empty());
    EXPECT_EQ(text(L"devicename"), L"Speakers (USB)");
    EXPECT_EQ(text(L"leadin"), L"");
    EXPECT_EQ(store.writes.size(), 17u);  // each key once

    Settings back = load(store);
    back.toggles[static_cast<std::size_t>(Toggle::runAtStartup)] = true;
    EXPECT_EQ(back.folder, saved.folder);
    EXPECT_EQ(back.volume, saved.volume);
    EXPECT_EQ(back.delayText, saved.delayText);
    EXPECT_EQ(back.quiet, saved.quiet);
    EXPECT_EQ(back.toggles, saved.toggles);
    EXPECT_EQ(back.device, saved.device);
    EXPECT_EQ(back.deviceName, saved.deviceName);
}

TEST(LoadSettings, DeviceAndLeadIn) {
    struct Case {
        const char* name;
        std::vector<std::pair<std::wstring_view, std::wstring>> stored;
        std::wstring device, deviceName;
        std::optional<std::int32_t> leadIn;
    };
    const Case cases[] = {
        {"nothing stored: the default, each device's own lead-in", {}, L"", L"", std::nullopt},
        {"a device with its name", {{L"device", L"{id}"}, {L"devicename", L"Speakers"}}, L"{id}", L"Speakers", {}},
        {"a name without a device is no choice", {{L"devicename", L"Speakers"}}, L"", L"", {}},
        {"a lead-in in range", {{L"leadin", L"750"}}, L"", L"", 750},
        {"no lead-in for every device", {{L"leadin", L"0"}}, L"", L"", 0},
        {"clamped above", {{L"leadin", L"5000"}}, L"", L"", 2000},
        {"clamped below", {{L"leadin", L"-20"}}, L"", L"", 0},
        {"no number: each device's own", {{L"leadin", L"half a second"}}, L"", L"", std::nullopt},
    };
    for (const auto& c : cases) {
        FakeStore store;
        for (const auto& [name, text] : c.stored) store.setSetting(name, text);
        const Settings s = load(store);
        EXPECT_EQ(s.device, c.device) << c.name;
        EXPECT_EQ(s.deviceName, c.deviceName) << c.name;
        EXPECT_EQ(s.leadInMs, c.leadIn) << c.name;
    }
}

TEST(SaveSettings, AnEmptyDelayOrAnUnknownFolderKeepsWhatIsStored) {
    FakeStore store;
    store.setSetting(L"delay", L"2.5");
    store.setSetting(L"path", L"D:\\Sounds");
    Settings s;
    s.delayText = L"";
    s.folder = L"";
    saveSettings(store, s);
    EXPECT_EQ(store.get(settingKey(L"delay"), L"String"), L"2.5");
    EXPECT_EQ(store.get(settingKey(L"path"), L"String"), L"D:\\Sounds");
}

TEST(SaveAtOnce, WritesOnlyWhatSurvivesACrashOrTheSystemReads) {
    const std::wstring exe = L"C:\\Program Files\\Zirrotone\\zirrotone.exe";
    struct Case {
        const char* name;
        SettingsModel::Change change;
        Log writes;
    };
    Settings s;
    s.quiet.on = true;
    s.muteUntil = StampedTime{LocalTime{2026, 12, 7, 14, 30}, -330};
    s.trayHintShown = true;
    s.toggles[static_cast<std::size_t>(Toggle::runAtStartup)] = true;
    s.toggles[static_cast<std::size_t>(Toggle::noRepeat)] = true;
    s.device = L"{id}";
    s.deviceName = L"Speakers";
    const std::wstring root = L"Software\\Zirrotone\\";
    const Case cases[] = {
        {"hold while busy", {Field::toggle, Toggle::holdBusy}, {root + L"holdbusy|String=True"}},
        {"avoid repeats", {Field::toggle, Toggle::noRepeat}, {root + L"norepeat|String=True"}},
        {"even out loudness", {Field::toggle, Toggle::level}, {root + L"level|String=True"}},
        {"start softly", {Field::toggle, Toggle::softStart}, {root + L"softstart|String=False"}},
        {"quiet hours",
         {Field::quiet},
         {root + L"quiet|String=True", root + L"quietfrom|String=22:00", root + L"quietto|String=07:30",
          root + L"quietdays|String=1111111"}},
        {"mute end", {Field::muteUntil}, {root + L"muteuntil|String=2026-12-07 14:30-05:30"}},
        {"tray hint", {Field::trayHint}, {root + L"trayhint|String=True"}},
        {"play on", {Field::device}, {root + L"device|String={id}", root + L"devicename|String=Speakers"}},
        {"run at startup",
         {Field::toggle, Toggle::runAtStartup},
         {L"Software\\Microsoft\\Windows\\CurrentVersion\\Run|zirrotone=\"" + exe + L"\""}},
        {"mute (at the end)", {Field::toggle, Toggle::mute}, {}},
        {"start in tray (at the end)", {Field::toggle, Toggle::startInTray}, {}},
        {"volume (at the end)", {Field::volume}, {}},
        {"delay (at the end)", {Field::delay}, {}},
    };
    for (const auto& c : cases) {
        FakeStore store;
        saveAtOnce(store, s, c.change, exe);
        EXPECT_EQ(store.writes, c.writes) << c.name;
    }
    FakeStore store;
    saveAtOnce(store, Settings{}, {Field::toggle, Toggle::runAtStartup}, exe);
    EXPECT_EQ(store.writes, (Log{L"Software\\Microsoft\\Windows\\CurrentVersion\\Run|zirrotone deleted"}));
}

TEST(SettingsModel, TellsEachListenerOnlyOfRealChanges) {
    SettingsModel model;
    std::vector<Field> heard;
    model.listen([&](const SettingsModel::Change& c) { heard.push_back(c.field); });
    model.setVolume(50);  // as it is
    model.setVolume(101);  // out of range: refused
    model.set(Toggle::holdBusy, true);
    model.setDelay(L"1", kMinDelay);
    EXPECT_TRUE(heard.empty());

    model.setVolume(70);
    model.set(Toggle::mute, true);
    model.setDelay(L"1", 2);  // the same text counting something else is a change
    model.setFolder(L"D:\\Sounds");
    EXPECT_EQ(heard, (std::vector<Field>{Field::volume, Field::toggle, Field::delay, Field::folder}));
    EXPECT_EQ(model.value().volume, 70);
    EXPECT_TRUE(model.on(Toggle::mute));
    EXPECT_EQ(model.value().countedDelay, 2);
}

TEST(SettingsModel, AListenerThatChangesTheModelAgainIsHeardByAll) {
    SettingsModel model;
    Log heard;
    // The first view floors the volume, as a control with a narrower range would.
    model.listen([&](const SettingsModel::Change& c) {
        if (c.field == Field::volume && model.value().volume > 90) model.setVolume(90);
        heard.push_back(L"a" + std::to_wstring(model.value().volume));
    });
    model.listen([&](const SettingsModel::Change&) { heard.push_back(L"b" + std::to_wstring(model.value().volume)); });
    model.setVolume(95);
    EXPECT_EQ(model.value().volume, 90);
    EXPECT_EQ(heard, (Log{L"a90", L"b90", L"a90", L"b90"}));
}

}  // namespace
}  // namespace zt
