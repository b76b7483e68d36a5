#include "settings/settings_model.h"

#include <utility>

namespace zt {

void SettingsModel::changed(Change change) {
    // A listener may add listeners or change the model again: walk by index.
    for (std::size_t i = 0; i < listeners_.size(); ++i) listeners_[i](change);
}

void SettingsModel::set(Toggle t, bool on) {
    auto& slot = value_.toggles[static_cast<std::size_t>(t)];
    if (slot == on) return;
    slot = on;
    changed({Field::toggle, t});
}

void SettingsModel::setFolder(const std::wstring& folder) {
    if (value_.folder == folder) return;
    value_.folder = folder;
    changed({Field::folder});
}

void SettingsModel::setVolume(std::int32_t volume) {
    if (value_.volume == volume || volume < kMinVolume || volume > kMaxVolume) return;
    value_.volume = volume;
    changed({Field::volume});
}

void SettingsModel::setDelay(const std::wstring& text, double counted) {
    if (value_.delayText == text && value_.countedDelay == counted) return;
    value_.delayText = text;
    value_.countedDelay = counted;
    changed({Field::delay});
}

void SettingsModel::setQuietHours(const QuietHours& quiet) {
    if (value_.quiet == quiet) return;
    value_.quiet = quiet;
    changed({Field::quiet});
}

void SettingsModel::setMuteUntil(const std::optional<StampedTime>& end) {
    if (value_.muteUntil == end) return;
    value_.muteUntil = end;
    changed({Field::muteUntil});
}

void SettingsModel::setTrayHintShown(bool shown) {
    if (value_.trayHintShown == shown) return;
    value_.trayHintShown = shown;
    changed({Field::trayHint});
}

void SettingsModel::setDevice(const std::wstring& id, const std::wstring& name) {
    if (value_.device == id && value_.deviceName == name) return;
    value_.device = id;
    value_.deviceName = id.empty() ? std::wstring() : name;
    changed({Field::device});
}

void SettingsModel::replace(const Settings& value) {
    value_ = value;
    changed({Field::all});
}

}  // namespace zt
