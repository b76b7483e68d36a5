#pragma once
// The six stored settings and the run-at-logon entry, mapped onto the main window.
// Window-free: the window implements SettingsView, the program passes a RegistryStore
// (settings/registry.h) and its number format.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "common/names.h"
#include "common/numbers.h"
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
// Not one of the settings, but kept the same way: "True" once the tray icon has said, the
// first time the window went to the tray, that the program goes on from there.
inline constexpr std::wstring_view kTrayHintSetting = L"trayhint";

// "Software\Zirrotone\<name>".
std::wstring settingKey(std::wstring_view name);

// The settings as the main window shows them. Every setter runs the same change handling
// as a user's change would (the lists pass the folder down, the slider updates its label,
// the mute box updates the tray menu, a new delay text runs the delay handler).
class SettingsView {
public:
    // The menu options that are stored (each may show in more than one menu).
    enum class Option { absoluteVolume, startInTray, runAtStartup };

    virtual ~SettingsView() = default;

    // The folder the sounds are picked from.
    virtual std::wstring soundFolder() = 0;
    // Opens the folder in the drive, folder and file lists; a folder that does not exist
    // leaves them as they are.
    virtual void openSoundFolder(const std::wstring& path) = 0;

    // The volume slider, 0..100; -1 when the slider cannot be read.
    virtual std::int32_t volume() = 0;
    virtual void setVolume(std::int32_t value) = 0;

    // The mute box: 0 unchecked, 1 checked.
    virtual std::int16_t muteValue() = 0;
    virtual void setMuteValue(std::int16_t value) = 0;

    // The delay as the user typed it.
    virtual std::wstring delayText() = 0;
    virtual void setDelayText(const std::wstring& text) = 0;

    virtual bool option(Option option) = 0;
    virtual void setOption(Option option, bool on) = 0;
};

// One setting's text (empty when missing), and writing it.
std::wstring readSetting(StringStore& store, std::wstring_view name);
void writeSetting(StringStore& store, std::wstring_view name, const std::wstring& text);
// A Boolean setting's text: "True" or "False", read in any case; nothing for anything else.
std::optional<bool> parseBoolean(std::wstring_view text);
const wchar_t* booleanText(bool value);

// Applies the stored settings to the view, at load. Texts that are missing or do not
// convert leave their part as it is; the delay then becomes 0.1 in the user's number
// format, and run-at-logon is derived from the entry's presence (always set).
void restoreSettings(StringStore& store, SettingsView& view, const NumberFormat& numbers);

// Writes the six settings from the view, at unload; an empty delay or a volume that could
// not be read leaves the stored one alone.
void saveSettings(StringStore& store, SettingsView& view);

// mnuStartup_Click (mnuStartup2_Click runs the same): flips the option, then writes the
// quoted program path as the run-at-logon entry or removes it.
void toggleRunAtStartup(StringStore& store, SettingsView& view, const std::wstring& programPath);

}  // namespace zt
