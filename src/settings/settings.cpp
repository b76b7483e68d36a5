#include "settings/settings.h"

#include <algorithm>
#include <optional>

#include "common/numbers.h"
#include "common/text.h"

namespace zt {

namespace {

using Option = SettingsView::Option;

constexpr double kMinDelay = 0.1;
constexpr std::int32_t kMinVolume = 0;
constexpr std::int32_t kMaxVolume = 100;

}  // namespace

std::optional<bool> parseBoolean(std::wstring_view text) {
    if (equalsNoCase(text, L"True")) return true;
    if (equalsNoCase(text, L"False")) return false;
    return std::nullopt;
}

const wchar_t* booleanText(bool value) { return value ? L"True" : L"False"; }

std::wstring readSetting(StringStore& store, std::wstring_view name) {
    return store.get(settingKey(name), std::wstring(kSettingValue));
}

void writeSetting(StringStore& store, std::wstring_view name, const std::wstring& text) {
    store.set(settingKey(name), std::wstring(kSettingValue), text);
}

std::wstring settingKey(std::wstring_view name) {
    std::wstring key(kSettingsKey);
    key += L'\\';
    key += name;
    return key;
}

void restoreSettings(StringStore& store, SettingsView& view, const NumberFormat& numbers) {
    const std::wstring path = readSetting(store, kPathSetting);
    if (!path.empty()) view.openSoundFolder(path);

    // Out of range is clamped, as the slider would itself; a text that is no number at
    // all leaves the slider where it is.
    if (const auto volume = plainNumber(readSetting(store, kVolumeSetting))) {
        const double clamped = std::clamp(*volume, double{kMinVolume}, double{kMaxVolume});
        if (const auto value = toInt32(clamped)) view.setVolume(*value);
    }

    // The box has no state other than 0 and 1 to take.
    if (const auto mute = plainNumber(readSetting(store, kMuteSetting))) {
        const auto value = toInt16(*mute);
        if (value && (*value == 0 || *value == 1)) view.setMuteValue(*value);
    }

    // Any text that starts with a usable delay stays exactly as the user typed it.
    const std::wstring delay = readSetting(store, kDelaySetting);
    if (delay.empty() || lenientNumber(delay, numbers.decimalSeparator()) < kMinDelay) {
        const std::wstring fallback = numbers.write(kMinDelay);
        view.setDelayText(fallback.empty() ? L"0.1" : fallback);
    } else {
        view.setDelayText(delay);
    }

    if (const auto absolute = parseBoolean(readSetting(store, kAbsoluteSetting)))
        view.setOption(Option::absoluteVolume, *absolute);

    if (const auto systray = parseBoolean(readSetting(store, kSystraySetting)))
        view.setOption(Option::startInTray, *systray);

    // Any text at all counts as on: the entry may point at another copy of the program.
    view.setOption(Option::runAtStartup, !store.get(std::wstring(kRunKey), std::wstring(kRunValue)).empty());
}

void saveSettings(StringStore& store, SettingsView& view) {
    writeSetting(store, kPathSetting, view.soundFolder());
    // A volume or delay that could not be read keeps what is stored rather than losing it.
    const std::int32_t volume = view.volume();
    if (volume >= kMinVolume && volume <= kMaxVolume) writeSetting(store, kVolumeSetting, std::to_wstring(volume));
    writeSetting(store, kMuteSetting, std::to_wstring(view.muteValue()));
    const std::wstring delay = view.delayText();
    if (!delay.empty()) writeSetting(store, kDelaySetting, delay);
    writeSetting(store, kSystraySetting, booleanText(view.option(Option::startInTray)));
    writeSetting(store, kAbsoluteSetting, booleanText(view.option(Option::absoluteVolume)));
}

void toggleRunAtStartup(StringStore& store, SettingsView& view, const std::wstring& programPath) {
    const bool on = !view.option(Option::runAtStartup);
    view.setOption(Option::runAtStartup, on);
    if (on) {
        // Quoted, so a path with blanks ("C:\Program Files\...") starts this very program.
        store.set(std::wstring(kRunKey), std::wstring(kRunValue), L"\"" + programPath + L"\"");
    } else {
        store.remove(std::wstring(kRunKey), std::wstring(kRunValue));
    }
}

}  // namespace zt
