#pragma once
// The settings model's mapping onto the string store: which key holds what, how each text
// reads back, what a missing or unusable text means. Window-free: the program passes a
// RegistryStore (settings/registry.h) and its number format.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "common/names.h"
#include "common/numbers.h"
#include "settings/settings_model.h"
#include "settings/string_store.h"

namespace zt {

// Where everything lives, relative to HKEY_CURRENT_USER (the keys: common/names.h). Each
// setting is a key of its own, kSettingsKey + name, holding its text in the value
// kSettingValue.
inline constexpr std::wstring_view kSettingValue = L"String";
inline constexpr std::wstring_view kPathSetting = L"path";
inline constexpr std::wstring_view kVolumeSetting = L"volume";
inline constexpr std::wstring_view kMuteSetting = L"mute";
inline constexpr std::wstring_view kDelaySetting = L"delay";
inline constexpr std::wstring_view kAbsoluteSetting = L"absolute";
inline constexpr std::wstring_view kSystraySetting = L"systray";
inline constexpr std::wstring_view kNoRepeatSetting = L"norepeat";
// The output device's endpoint id (empty or missing: the default) and its name; the
// lead-in in milliseconds (kMinLeadInMs..kMaxLeadInMs, clamped; missing: each device's own).
inline constexpr std::wstring_view kDeviceSetting = L"device";
inline constexpr std::wstring_view kDeviceNameSetting = L"devicename";
inline constexpr std::wstring_view kLeadInSetting = L"leadin";
inline constexpr std::int32_t kMinLeadInMs = 0;
inline constexpr std::int32_t kMaxLeadInMs = 2000;
inline constexpr std::wstring_view kLevelSetting = L"level";
inline constexpr std::wstring_view kSoftStartSetting = L"softstart";
// Not one of the settings, but kept the same way: "True" once the tray icon has said, the
// first time the window went to the tray, that the program goes on from there.
inline constexpr std::wstring_view kTrayHintSetting = L"trayhint";

// "Software\Zirrotone\<name>".
std::wstring settingKey(std::wstring_view name);

// One setting's text (empty when missing), and writing it.
std::wstring readSetting(StringStore& store, std::wstring_view name);
void writeSetting(StringStore& store, std::wstring_view name, const std::wstring& text);
// A Boolean setting's text: "True" or "False", read in any case; nothing for anything else.
std::optional<bool> parseBoolean(std::wstring_view text);
const wchar_t* booleanText(bool value);

// The stored settings, read once at start. A text that is missing or does not convert
// leaves the first start's value, with two exceptions: a delay that is missing or reads
// below kMinDelay becomes kMinDelay in the user's number format, and run at startup is the
// presence of the run-at-logon entry. The counted delay is left for the caller to judge.
Settings loadSettings(StringStore& store, const NumberFormat& numbers);

// Everything, as the program writes it when it ends. An empty delay text keeps the stored
// one; an empty folder (never known) writes nothing for it.
void saveSettings(StringStore& store, const Settings& settings);

// What is written the moment it changes rather than at the end (it survives a crash, or the
// system reads it): the considerate options, the mute end, the tray hint, the output device
// and the run-at-logon entry (the quoted program path, or removed). Nothing for the rest.
void saveAtOnce(StringStore& store, const Settings& settings, const SettingsModel::Change& change,
                const std::wstring& programPath);

}  // namespace zt
