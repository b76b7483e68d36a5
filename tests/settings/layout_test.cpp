// Load, save and the run-at-logon entry against the real keys of Wine's registry.
// Whatever was stored there before is put back afterwards.
#include <gtest/gtest.h>

#include <array>

#include "common/text.h"
#include "common/winutil.h"
#include "fakes.h"
#include "reg_helpers.h"
#include "settings/registry.h"
#include "settings/settings.h"

namespace zt {
namespace {

using test::bytesOf;
using test::CommaNumberFormat;
using test::deleteRaw;
using test::keyExists;
using test::RawValue;
using test::readRaw;
using test::writeRaw;
constexpr std::size_t kKeys = 12;
const std::array<std::wstring, kKeys> kNames = {L"path",     L"volume",    L"mute",    L"delay",
                                                L"absolute", L"systray",   L"quiet",   L"quietfrom",
                                                L"quietto",  L"quietdays", L"holdbusy", L"muteuntil"};
const std::wstring kRoot(kSettingsKey);
const std::wstring kRun(kRunKey);
const std::wstring kRunName(kRunValue);

DWORD valueCount(const std::wstring& subKey) {
    ScopedKey key;
    DWORD count = 0;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, subKey.c_str(), 0, KEY_READ, key.put()) == ERROR_SUCCESS)
        RegQueryInfoKeyW(key.get(), nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &count,
                         nullptr, nullptr, nullptr, nullptr);
    return count;
}

class SettingsInRegistry : public ::testing::Test {
protected:
    void SetUp() override {
        rootExisted_ = keyExists(kRoot);
        for (std::size_t i = 0; i < kNames.size(); ++i) {
            keyExisted_[i] = keyExists(settingKey(kNames[i]));
            saved_[i] = readRaw(settingKey(kNames[i]), L"String");
            deleteRaw(settingKey(kNames[i]), L"String");
        }
        savedRun_ = readRaw(kRun, kRunName);
        deleteRaw(kRun, kRunName);

        wchar_t temp[MAX_PATH];
        GetTempPathW(MAX_PATH, temp);
        folder_ = addSlash(temp) + L"zt_Звуки_\u97f3\u697d_\U0001F514";
        CreateDirectoryW(folder_.c_str(), nullptr);
    }

    void TearDown() override {
        RemoveDirectoryW(folder_.c_str());
        for (std::size_t i = 0; i < kNames.size(); ++i) {
            const std::wstring key = settingKey(kNames[i]);
            if (saved_[i]) writeRaw(*saved_[i], key, L"String");
            else deleteRaw(key, L"String");
            if (!keyExisted_[i]) RegDeleteKeyW(HKEY_CURRENT_USER, key.c_str());
        }
        if (!rootExisted_) RegDeleteKeyW(HKEY_CURRENT_USER, kRoot.c_str());
        if (savedRun_) writeRaw(*savedRun_, kRun, kRunName);
        else deleteRaw(kRun, kRunName);
    }

    void writeSetting(const std::wstring& name, DWORD type, const std::wstring& data) {
        writeRaw(settingKey(name), L"String", type, bytesOf(data));
    }

    RegistryStore store_;
    std::wstring folder_;

private:
    bool rootExisted_ = false;
    std::array<bool, kKeys> keyExisted_{};
    std::array<std::optional<RawValue>, kKeys> saved_;
    std::optional<RawValue> savedRun_;
};

TEST_F(SettingsInRegistry, EverySettingRoundTrips) {
    Settings saved;
    saved.folder = folder_;
    saved.volume = 37;
    saved.delayText = L"2.5";
    saved.quiet = {true, 21 * 60, 6 * 60, 0x3E};
    saved.muteUntil = StampedTime{localTimeAt(localSeconds(LocalTime{2026, 12, 7, 14, 30, 0})), 60};
    for (const Toggle t : {Toggle::mute, Toggle::startInTray, Toggle::absoluteVolume})
        saved.toggles[static_cast<std::size_t>(t)] = true;
    saved.toggles[static_cast<std::size_t>(Toggle::holdBusy)] = false;
    saveSettings(store_, saved);

    const Settings restored = loadSettings(store_, CommaNumberFormat());
    EXPECT_EQ(restored.folder, folder_);
    EXPECT_EQ(restored.volume, 37);
    EXPECT_EQ(restored.delayText, L"2.5");
    EXPECT_EQ(restored.quiet, saved.quiet);
    EXPECT_EQ(restored.muteUntil, saved.muteUntil);
    EXPECT_EQ(restored.toggles, saved.toggles);  // run at startup: off, no entry
}

TEST_F(SettingsInRegistry, SaveWritesOneRegSzValueStringPerSettingKey) {
    const DWORD rootValues = valueCount(kRoot);
    Settings s;
    s.folder = L"D:\\Sounds";
    s.volume = 100;
    s.delayText = L"3 minutes";
    s.toggles[static_cast<std::size_t>(Toggle::absoluteVolume)] = true;
    saveSettings(store_, s);

    const std::pair<const wchar_t*, std::wstring> expected[] = {
        {L"Software\\Zirrotone\\path", L"D:\\Sounds"}, {L"Software\\Zirrotone\\volume", L"100"},
        {L"Software\\Zirrotone\\mute", L"0"},          {L"Software\\Zirrotone\\delay", L"3 minutes"},
        {L"Software\\Zirrotone\\absolute", L"True"},   {L"Software\\Zirrotone\\systray", L"False"},
    };
    for (const auto& [key, text] : expected) {
        const auto raw = readRaw(key, L"String");
        ASSERT_TRUE(raw) << key;
        EXPECT_EQ(raw->type, static_cast<DWORD>(REG_SZ)) << key;
        EXPECT_EQ(raw->bytes, bytesOf(text + L'\0')) << key;
    }
    EXPECT_EQ(valueCount(kRoot), rootValues);
}

TEST_F(SettingsInRegistry, HandWrittenValuesReadWithOrWithoutNul) {
    writeSetting(L"volume", REG_SZ, L"70");
    writeSetting(L"mute", REG_SZ, std::wstring(L"1\0", 2));
    writeSetting(L"delay", REG_SZ, std::wstring(L"4\0", 2));
    writeSetting(L"systray", REG_SZ, L"true");
    const Settings s = loadSettings(store_, CommaNumberFormat());
    EXPECT_EQ(s.volume, 70);
    EXPECT_TRUE(s.on(Toggle::mute));
    EXPECT_EQ(s.delayText, L"4");
    EXPECT_TRUE(s.on(Toggle::startInTray));
}

TEST_F(SettingsInRegistry, ExpandSzAndEmptyValuesReadAsMissing) {
    writeSetting(L"volume", REG_EXPAND_SZ, L"70");
    writeSetting(L"mute", REG_SZ, L"");
    writeSetting(L"delay", REG_EXPAND_SZ, L"5");
    writeSetting(L"absolute", REG_EXPAND_SZ, L"True");
    const Settings s = loadSettings(store_, CommaNumberFormat());
    const Settings first;
    EXPECT_EQ(s.volume, first.volume);
    EXPECT_EQ(s.delayText, L"0,1");
    EXPECT_EQ(s.toggles, first.toggles);
}

TEST_F(SettingsInRegistry, RunAtStartupWritesAndDeletesTheRunValueOnly) {
    saveSettings(store_, Settings{});
    std::vector<std::optional<RawValue>> before;
    for (const auto& name : kNames) before.push_back(readRaw(settingKey(name), L"String"));
    const SettingsModel::Change change{SettingsModel::Field::toggle, Toggle::runAtStartup};

    Settings on;
    on.toggles[static_cast<std::size_t>(Toggle::runAtStartup)] = true;
    saveAtOnce(store_, on, change, programPath());
    const auto raw = readRaw(kRun, kRunName);
    ASSERT_TRUE(raw);
    EXPECT_EQ(raw->type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(raw->bytes, bytesOf(L"\"" + programPath() + L"\"" + L'\0'));
    EXPECT_TRUE(loadSettings(store_, CommaNumberFormat()).on(Toggle::runAtStartup));  // the next start sees it

    saveAtOnce(store_, Settings{}, change, programPath());
    EXPECT_FALSE(readRaw(kRun, kRunName));
    EXPECT_TRUE(keyExists(kRun));
    EXPECT_FALSE(loadSettings(store_, CommaNumberFormat()).on(Toggle::runAtStartup));

    for (std::size_t i = 0; i < kNames.size(); ++i)
        EXPECT_EQ(readRaw(settingKey(kNames[i]), L"String"), before[i]) << kNames[i];
}

}  // namespace
}  // namespace zt
