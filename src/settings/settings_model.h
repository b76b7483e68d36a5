#pragma once
// The program's settings as one typed value, owned by the application and shown by the
// windows. A command changes the model; the model tells every listener what changed, and
// each view updates the controls and menu items that show it. Window-free.
#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "settings/considerate_settings.h"

namespace zt {

// The shortest delay counted, in minutes; a shorter one is replaced by it.
inline constexpr double kMinDelay = 0.1;
inline constexpr std::int32_t kMinVolume = 0;
inline constexpr std::int32_t kMaxVolume = 100;

// The on/off options. A new one is a name here, a row in the store mapping (settings.cpp),
// a row in the menu description (mainwindow/menus.cpp) and the code that acts on it.
enum class Toggle {
    mute,
    absoluteVolume,  // stored, never offered
    startInTray,
    runAtStartup,
    holdBusy,
    noRepeat,  // the pick is a shuffle bag
    level,      // each file played at one loudness
    softStart,  // each sound rises over its first second
    count
};
inline constexpr std::size_t kToggleCount = static_cast<std::size_t>(Toggle::count);

// What a first start has: the controls' state at creation.
constexpr bool defaultOf(Toggle t) { return t == Toggle::holdBusy || t == Toggle::level; }

struct Settings {
    std::wstring folder;            // the file list's folder; empty until known
    std::int32_t volume = 50;       // the slider, kMinVolume..kMaxVolume
    std::wstring delayText = L"1";  // the delay as the user typed it
    // The minutes the countdown counts for it; until a text reads as a usable delay, the
    // floor, as a first start counts.
    double countedDelay = kMinDelay;
    QuietHours quiet;
    std::optional<StampedTime> muteUntil;
    bool trayHintShown = false;  // the tray balloon has said once that the program goes on
    // "Play on": the output device's endpoint id, empty for the system's default, and its
    // name as the menu showed it, for telling the user about it once it is gone.
    std::wstring device;
    std::wstring deviceName;
    // The silence before each sound's first sample, in milliseconds, for every device;
    // none: each device's own (kept in the store only, never offered).
    std::optional<std::int32_t> leadInMs;
    std::array<bool, kToggleCount> toggles = [] {
        std::array<bool, kToggleCount> on{};
        for (std::size_t i = 0; i < kToggleCount; ++i) on[i] = defaultOf(static_cast<Toggle>(i));
        return on;
    }();

    bool on(Toggle t) const { return toggles[static_cast<std::size_t>(t)]; }
    ConsiderateSettings considerate() const { return {quiet, on(Toggle::holdBusy), muteUntil}; }
};

class SettingsModel {
public:
    enum class Field { folder, volume, delay, toggle, quiet, muteUntil, trayHint, device, all };
    struct Change {
        Field field;
        Toggle toggle = Toggle::count;  // which, for Field::toggle
    };
    using Listener = std::function<void(const Change&)>;

    const Settings& value() const { return value_; }
    bool on(Toggle t) const { return value_.on(t); }

    // Each setter tells the listeners only when the value changes.
    void set(Toggle t, bool on);
    void setFolder(const std::wstring& folder);
    void setVolume(std::int32_t volume);
    // The delay text and the minutes counted for it (the text itself may not read).
    void setDelay(const std::wstring& text, double counted);
    void setQuietHours(const QuietHours& quiet);
    void setMuteUntil(const std::optional<StampedTime>& end);
    void setTrayHintShown(bool shown);
    // The output device (empty id: the default) with its name.
    void setDevice(const std::wstring& id, const std::wstring& name);
    // A whole new value (the one read at start): every listener hears Field::all.
    void replace(const Settings& value);

    // Listeners are told in the order they were added, on the thread that changed the model.
    void listen(Listener listener) { listeners_.push_back(std::move(listener)); }

private:
    void changed(Change change);

    Settings value_;
    std::vector<Listener> listeners_;
};

}  // namespace zt
