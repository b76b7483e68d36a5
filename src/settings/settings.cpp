#include "settings/settings.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <optional>

#include "common/text.h"

namespace zt {

namespace {

using MenuItem = SettingsControls::MenuItem;

constexpr double kMinDelay = 0.1;
constexpr std::int32_t kMinVolume = 0;
constexpr std::int32_t kMaxVolume = 100;

bool isBlank(wchar_t c) { return c == L' ' || c == L'\t'; }
bool isDigit(wchar_t c) { return c >= L'0' && c <= L'9'; }

// The whole text as a plain decimal number (blanks around it allowed), or nothing. Stricter
// than strtod on its own, which would also take "inf", "nan" and hexadecimal.
std::optional<double> parseNumber(std::wstring_view text) {
    while (!text.empty() && isBlank(text.front())) text.remove_prefix(1);
    while (!text.empty() && isBlank(text.back())) text.remove_suffix(1);
    std::string number;
    std::size_t i = 0;
    auto digits = [&] {
        const std::size_t start = i;
        while (i < text.size() && isDigit(text[i])) number += static_cast<char>(text[i++]);
        return i - start;
    };
    if (i < text.size() && (text[i] == L'+' || text[i] == L'-')) number += static_cast<char>(text[i++]);
    std::size_t mantissa = digits();
    if (i < text.size() && text[i] == L'.') {
        number += static_cast<char>(text[i++]);
        mantissa += digits();
    }
    if (mantissa == 0) return std::nullopt;
    if (i < text.size() && (text[i] == L'e' || text[i] == L'E')) {
        number += static_cast<char>(text[i++]);
        if (i < text.size() && (text[i] == L'+' || text[i] == L'-')) number += static_cast<char>(text[i++]);
        if (digits() == 0) return std::nullopt;
    }
    if (i != text.size()) return std::nullopt;
    const double value = std::strtod(number.c_str(), nullptr);
    if (!std::isfinite(value)) return std::nullopt;
    return value;
}

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

}  // namespace

std::wstring settingKey(std::wstring_view name) {
    std::wstring key(kSettingsKey);
    key += L'\\';
    key += name;
    return key;
}

void restoreSettings(StringStore& store, SettingsControls& controls) {
    const std::wstring path = readSetting(store, kPathSetting);
    if (!path.empty() && controls.folderExists(path)) {
        controls.setDrive1(path);
        controls.setFile1Path(path);
        controls.setDir1Path(path);
    }

    // Out of range is clamped, as the slider would itself; a text that is no number at
    // all leaves the slider where it is.
    if (const auto volume = parseNumber(readSetting(store, kVolumeSetting))) {
        const double clamped = std::clamp(*volume, double{kMinVolume}, double{kMaxVolume});
        if (const auto value = toInt32(clamped)) controls.setSlider1Value(*value);
    }

    // The box has no state other than 0 and 1 to take.
    if (const auto mute = parseNumber(readSetting(store, kMuteSetting))) {
        const auto value = toInt16(*mute);
        if (value && (*value == 0 || *value == 1)) controls.setChkMuteValue(*value);
    }

    // Any text that starts with a usable delay stays exactly as the user typed it.
    const std::wstring delay = readSetting(store, kDelaySetting);
    if (delay.empty() || lenientNumber(delay, controls.decimalSeparator()) < kMinDelay) {
        std::wstring fallback = controls.formatNumber(kMinDelay);
        controls.setTxtDelayText(fallback.empty() ? L"0.1" : fallback);
    } else {
        controls.setTxtDelayText(delay);
    }

    if (const auto absolute = parseBoolean(readSetting(store, kAbsoluteSetting)))
        controls.setMenuChecked(MenuItem::mnuAbVol, *absolute);

    if (const auto systray = parseBoolean(readSetting(store, kSystraySetting))) {
        controls.setMenuChecked(MenuItem::mnuSystray, *systray);
        controls.setMenuChecked(MenuItem::mnuSystray2, *systray);
    }

    // Any text at all counts as on: the entry may point at another copy of the program.
    const bool runAtLogon = !store.get(std::wstring(kRunKey), std::wstring(kRunValue)).empty();
    controls.setMenuChecked(MenuItem::mnuStartup, runAtLogon);
    controls.setMenuChecked(MenuItem::mnuStartup2, runAtLogon);
}

void saveSettings(StringStore& store, SettingsControls& controls) {
    writeSetting(store, kPathSetting, controls.file1Path());
    // A volume or delay that could not be read keeps what is stored rather than losing it.
    const std::int32_t volume = controls.slider1Value();
    if (volume >= kMinVolume && volume <= kMaxVolume) writeSetting(store, kVolumeSetting, std::to_wstring(volume));
    writeSetting(store, kMuteSetting, std::to_wstring(controls.chkMuteValue()));
    const std::wstring delay = controls.txtDelayText();
    if (!delay.empty()) writeSetting(store, kDelaySetting, delay);
    writeSetting(store, kSystraySetting, booleanText(controls.menuChecked(MenuItem::mnuSystray)));
    writeSetting(store, kAbsoluteSetting, booleanText(controls.menuChecked(MenuItem::mnuAbVol)));
}

void toggleRunAtStartup(StringStore& store, SettingsControls& controls,
                        const std::wstring& programPath) {
    controls.setMenuChecked(MenuItem::mnuStartup, !controls.menuChecked(MenuItem::mnuStartup));
    const bool on = controls.menuChecked(MenuItem::mnuStartup);
    controls.setMenuChecked(MenuItem::mnuStartup2, on);
    if (on) {
        // Quoted, so a path with blanks ("C:\Program Files\...") starts this very program.
        store.set(std::wstring(kRunKey), std::wstring(kRunValue), L"\"" + programPath + L"\"");
    } else {
        store.remove(std::wstring(kRunKey), std::wstring(kRunValue));
    }
}

}  // namespace zt
