// Restore, save and the run-at-logon toggle against the real keys of Wine's registry.
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
using Option = SettingsView::Option;
using Log = std::vector<std::wstring>;

const std::array<std::wstring, 6> kNames = {L"path", L"volume", L"mute", L"delay", L"absolute", L"systray"};
const std::wstring kRoot(kSettingsKey);
const std::wstring kRun(kRunKey);
const std::wstring kRunName(kRunValue);

// Opens the folders that exist, as the window does.
class WineControls : public test::FakeSettingsView {
public:
    void openSoundFolder(const std::wstring& path) override {
        log.push_back(L"open=" + path);
        if (PathExists(path)) folder = path;
    }
};

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
    std::array<bool, 6> keyExisted_{};
    std::array<std::optional<RawValue>, 6> saved_;
    std::optional<RawValue> savedRun_;
};

TEST_F(SettingsInRegistry, AllSixSettingsRoundTrip) {
    ASSERT_TRUE(PathExists(folder_));
    WineControls saved;
    saved.folder = folder_;
    saved.slider = 37;
    saved.mute = 1;
    saved.delay = L"2.5";
    saved.options[Option::startInTray] = true;
    saved.options[Option::absoluteVolume] = true;
    saveSettings(store_, saved);

    WineControls restored;
    restoreSettings(store_, restored, CommaNumberFormat());
    EXPECT_EQ(restored.log, (Log{L"open=" + folder_, L"volume=37", L"mute=1", L"delay=2.5",
                                 L"absoluteVolume=1", L"startInTray=1", L"runAtStartup=0"}));
    EXPECT_EQ(restored.folder, folder_);
}

TEST_F(SettingsInRegistry, SaveWritesOneRegSzValueStringPerSettingKey) {
    const DWORD rootValues = valueCount(kRoot);
    WineControls controls;
    controls.folder = L"D:\\Sounds";
    controls.slider = 100;
    controls.mute = 0;
    controls.delay = L"3 minutes";
    controls.options[Option::startInTray] = false;
    controls.options[Option::absoluteVolume] = true;
    saveSettings(store_, controls);

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
    WineControls controls;
    restoreSettings(store_, controls, CommaNumberFormat());
    EXPECT_EQ(controls.log, (Log{L"volume=70", L"mute=1", L"delay=4", L"startInTray=1", L"runAtStartup=0"}));
}

TEST_F(SettingsInRegistry, ExpandSzEmptyOrVanishedFolderLeaveControls) {
    writeSetting(L"path", REG_SZ, folder_ + L"\\gone");
    writeSetting(L"volume", REG_EXPAND_SZ, L"70");
    writeSetting(L"mute", REG_SZ, L"");
    writeSetting(L"delay", REG_EXPAND_SZ, L"5");
    writeSetting(L"absolute", REG_EXPAND_SZ, L"True");
    WineControls controls;
    restoreSettings(store_, controls, CommaNumberFormat());
    EXPECT_EQ(controls.log, (Log{L"open=" + folder_ + L"\\gone", L"delay=0,1", L"runAtStartup=0"}));
    EXPECT_EQ(controls.folder, L"C:\\start");
}

TEST_F(SettingsInRegistry, ToggleWritesAndDeletesRunValueOnly) {
    WineControls controls;
    saveSettings(store_, controls);
    std::vector<std::optional<RawValue>> before;
    for (const auto& name : kNames) before.push_back(readRaw(settingKey(name), L"String"));

    toggleRunAtStartup(store_, controls, programPath());
    EXPECT_TRUE(controls.options[Option::runAtStartup]);
    const auto raw = readRaw(kRun, kRunName);
    ASSERT_TRUE(raw);
    EXPECT_EQ(raw->type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(raw->bytes, bytesOf(L"\"" + programPath() + L"\"" + L'\0'));

    WineControls next;  // the next start sees the entry
    restoreSettings(store_, next, CommaNumberFormat());
    EXPECT_TRUE(next.options[Option::runAtStartup]);

    toggleRunAtStartup(store_, controls, programPath());
    EXPECT_FALSE(controls.options[Option::runAtStartup]);
    EXPECT_FALSE(readRaw(kRun, kRunName));
    EXPECT_TRUE(keyExists(kRun));

    for (std::size_t i = 0; i < kNames.size(); ++i)
        EXPECT_EQ(readRaw(settingKey(kNames[i]), L"String"), before[i]) << kNames[i];
}

}  // namespace
}  // namespace zt
