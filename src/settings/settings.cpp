#include "settings/settings.h"

#include <algorithm>
#include <optional>

#include "common/numbers.h"
#include "common/text.h"

namespace zt {

namespace {

// The on/off options kept as "True"/"False" under a key of their own. atOnce: written the
// moment they change, not only at the end.
struct ToggleKey {
    std::wstring_view name;
    Toggle toggle;
    bool atOnce;
};
constexpr ToggleKey kToggleKeys[] = {
    {kAbsoluteSetting, Toggle::absoluteVolume, false},
    {kSystraySetting, Toggle::startInTray, false},
    {kHoldBusySetting, Toggle::holdBusy, true},
    {kNoRepeatSetting, Toggle::noRepeat, true},
    {kLevelSetting, Toggle::level, true},
    {kSoftStartSetting, Toggle::softStart, true},
};

const ToggleKey* toggleKey(Toggle t) {
    const auto* it = std::find_if(std::begin(kToggleKeys), std::end(kToggleKeys),
                                  [t](const ToggleKey& k) { return k.toggle == t; });
    return it == std::end(kToggleKeys) ? nullptr : it;
}

void saveDevice(StringStore& store, const Settings& s) {
    writeSetting(store, kDeviceSetting, s.device);
    writeSetting(store, kDeviceNameSetting, s.deviceName);
}

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

Settings loadSettings(StringStore& store, const NumberFormat& numbers) {
    Settings s;
    s.folder = readSetting(store, kPathSetting);

    // Out of range is clamped, as the slider would itself; a text that is no number at
    // all leaves the slider where it is.
    if (const auto volume = plainNumber(readSetting(store, kVolumeSetting))) {
        const double clamped = std::clamp(*volume, double{kMinVolume}, double{kMaxVolume});
        if (const auto value = toInt32(clamped)) s.volume = *value;
    }

    // The box has no state other than 0 and 1 to take.
    if (const auto mute = plainNumber(readSetting(store, kMuteSetting))) {
        const auto value = toInt16(*mute);
        if (value && (*value == 0 || *value == 1)) s.toggles[static_cast<std::size_t>(Toggle::mute)] = *value == 1;
    }

    // Any text that starts with a usable delay stays exactly as the user typed it.
    const std::wstring delay = readSetting(store, kDelaySetting);
    if (delay.empty() || lenientNumber(delay, numbers.decimalSeparator()) < kMinDelay) {
        const std::wstring floor = numbers.write(kMinDelay);
        s.delayText = floor.empty() ? L"0.1" : floor;
    } else {
        s.delayText = delay;
    }

    for (const auto& key : kToggleKeys)
        if (const auto on = parseBoolean(readSetting(store, key.name)))
            s.toggles[static_cast<std::size_t>(key.toggle)] = *on;

    const ConsiderateSettings considerate = loadConsiderateSettings(store);
    s.quiet = considerate.quiet;
    s.muteUntil = considerate.muteUntil;

    // Any text at all counts as on: the entry may point at another copy of the program.
    s.toggles[static_cast<std::size_t>(Toggle::runAtStartup)] =
        !store.get(std::wstring(kRunKey), std::wstring(kRunValue)).empty();
    s.trayHintShown = readSetting(store, kTrayHintSetting) == L"True";

    s.device = readSetting(store, kDeviceSetting);
    if (!s.device.empty()) s.deviceName = readSetting(store, kDeviceNameSetting);
    // Out of range is clamped; a text that is no number leaves each device its own.
    if (const auto leadIn = plainNumber(readSetting(store, kLeadInSetting)))
        s.leadInMs = toInt32(std::clamp(*leadIn, double{kMinLeadInMs}, double{kMaxLeadInMs}));
    return s;
}

void saveSettings(StringStore& store, const Settings& s) {
    if (!s.folder.empty()) writeSetting(store, kPathSetting, s.folder);
    writeSetting(store, kVolumeSetting, std::to_wstring(s.volume));
    writeSetting(store, kMuteSetting, s.on(Toggle::mute) ? L"1" : L"0");
    if (!s.delayText.empty()) writeSetting(store, kDelaySetting, s.delayText);
    for (const auto& key : kToggleKeys) writeSetting(store, key.name, booleanText(s.on(key.toggle)));
    saveQuietHours(store, s.quiet);
    saveMuteUntil(store, s.muteUntil);
    saveDevice(store, s);
}

void saveAtOnce(StringStore& store, const Settings& s, const SettingsModel::Change& change,
                const std::wstring& programPath) {
    using Field = SettingsModel::Field;
    switch (change.field) {
    case Field::quiet: saveQuietHours(store, s.quiet); break;
    case Field::muteUntil: saveMuteUntil(store, s.muteUntil); break;
    case Field::device: saveDevice(store, s); break;
    case Field::trayHint:
        if (s.trayHintShown) writeSetting(store, kTrayHintSetting, L"True");
        break;
    case Field::toggle:
        if (change.toggle == Toggle::runAtStartup) {
            // Quoted, so a path with blanks ("C:\Program Files\...") starts this very program.
            if (s.on(Toggle::runAtStartup))
                store.set(std::wstring(kRunKey), std::wstring(kRunValue), L"\"" + programPath + L"\"");
            else
                store.remove(std::wstring(kRunKey), std::wstring(kRunValue));
        } else if (const ToggleKey* key = toggleKey(change.toggle); key && key->atOnce) {
            writeSetting(store, key->name, booleanText(s.on(change.toggle)));
        }
        break;
    default: break;
    }
}

}  // namespace zt
