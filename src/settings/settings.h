#pragma once
// The six stored settings and the run-at-logon entry, mapped onto the main window's
// controls. Window-free: the window implements SettingsControls, the program passes a
// RegistryStore (settings/registry.h).
#include <cstdint>
#include <string>
#include <string_view>

#include "settings/string_store.h"

namespace zt {

// Where everything lives, relative to HKEY_CURRENT_USER. Each setting is a key of its own,
// kSettingsKey + name, holding its text in the value kSettingValue.
inline constexpr std::wstring_view kSettingsKey = L"Software\\Zirrotone";
inline constexpr std::wstring_view kSettingValue = L"String";
inline constexpr std::wstring_view kPathSetting = L"path";
inline constexpr std::wstring_view kVolumeSetting = L"volume";
inline constexpr std::wstring_view kMuteSetting = L"mute";
inline constexpr std::wstring_view kDelaySetting = L"delay";
inline constexpr std::wstring_view kAbsoluteSetting = L"absolute";
inline constexpr std::wstring_view kSystraySetting = L"systray";
inline constexpr std::wstring_view kRunKey = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";
inline constexpr std::wstring_view kRunValue = L"zirrotone";

// "Software\Zirrotone\<name>".
std::wstring settingKey(std::wstring_view name);

// The main window's side of restore and save. Every setter runs the control's own change
// handling as a user's change would (the lists pass the folder down, the slider updates
// its label, the mute box updates mnuMute, a new delay text runs the delay handler).
class SettingsControls {
public:
    enum class MenuItem { mnuAbVol, mnuSystray, mnuSystray2, mnuStartup, mnuStartup2 };

    virtual ~SettingsControls() = default;

    // True only for an existing folder (PathExists).
    virtual bool folderExists(const std::wstring& path) = 0;
    // Drive1 takes the drive of the folder path.
    virtual void setDrive1(const std::wstring& folderPath) = 0;
    virtual void setFile1Path(const std::wstring& path) = 0;
    virtual void setDir1Path(const std::wstring& path) = 0;
    virtual std::wstring file1Path() = 0;

    // Slider1, 0..100; -1 when the slider cannot be read.
    virtual std::int32_t slider1Value() = 0;
    virtual void setSlider1Value(std::int32_t value) = 0;

    // chkMute: 0 unchecked, 1 checked.
    virtual std::int16_t chkMuteValue() = 0;
    virtual void setChkMuteValue(std::int16_t value) = 0;

    virtual std::wstring txtDelayText() = 0;
    virtual void setTxtDelayText(const std::wstring& text) = 0;

    // The number in the user's format (VarBstrFromR8), e.g. "0,1" for 0.1 where the comma
    // is the decimal separator.
    virtual std::wstring formatNumber(double value) = 0;
    // The user's decimal separator, which the lenient reading takes besides the point.
    virtual wchar_t decimalSeparator() = 0;

    virtual bool menuChecked(MenuItem item) = 0;
    virtual void setMenuChecked(MenuItem item, bool checked) = 0;
};

// Applies the stored settings to the controls, at load. Texts that are missing or do not
// convert leave their control as it is; the delay then becomes 0.1 and run-at-logon is
// derived from the entry's presence (both menu items are always set).
void restoreSettings(StringStore& store, SettingsControls& controls);

// Writes the six settings from the controls, at unload; an empty delay or a volume that
// could not be read leaves the stored one alone.
void saveSettings(StringStore& store, SettingsControls& controls);

// mnuStartup_Click (mnuStartup2_Click runs the same): flips mnuStartup, copies it to
// mnuStartup2, then writes the quoted program path as the run-at-logon entry or removes it.
void toggleRunAtStartup(StringStore& store, SettingsControls& controls,
                        const std::wstring& programPath);

}  // namespace zt
