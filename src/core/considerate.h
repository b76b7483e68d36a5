#pragma once
// Considerate timing, the part that needs no window: whether a countdown's end may play now
// (quiet hours, the user busy), the hold while busy, "mute for a while" and the tray tip's
// words for each. The scheduler asks a PlayGate at the end of every countdown; the main
// gate reads its options from the settings model and keeps the mute end there.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "common/local_time.h"
#include "settings/considerate_settings.h"
#include "settings/settings_model.h"

namespace zt {

// Why the user counts as busy; Free when they do not.
enum class BusyReason {
    Free,
    FullScreen,    // a full-screen program, or presentation settings applied
    Direct3D,      // a full-screen (exclusive) Direct3D program, usually a game
    Presentation,  // presentation settings blocking notifications
    QuietTime,     // the platform's own quiet time after a first logon
    Microphone,    // some program has the microphone open: a call
};

class BusyProbe {
public:
    virtual ~BusyProbe() = default;
    // Asked at the end of a countdown and about once a second while a sound is held.
    virtual BusyReason query() = 0;
};

// What the user is busy with, in the words the tip shows after "Held: "; "" for Free.
std::wstring_view busyWords(BusyReason reason);

// The window in front: its class, and the program that owns it (a path or a file name).
struct WindowInFront {
    std::wstring className;
    std::wstring program;
};

// The class of every store app's window, the Start menu's among them.
inline constexpr wchar_t kStoreAppWindowClass[] = L"Windows.UI.Core.CoreWindow";

// The desktop, a taskbar or the Start menu; for the store app class the program that owns
// the window decides.
bool isShellWindow(const WindowInFront& window);
// The shell's notification state, unless the shell itself is in front: some systems report
// an empty desktop or an open Start menu as a full-screen program.
BusyReason busyWithWindowInFront(BusyReason notificationState, const WindowInFront& window);

// Whether the moment lies in the quiet hours (always false while they are off).
bool isQuiet(const QuietHours& quiet, const LocalTime& now);
// When the quiet hours that hold now end, following on into the next day's where they
// meet; nothing when it is not quiet now or it stays quiet for over a week.
std::optional<LocalTime> quietEnd(const QuietHours& quiet, const LocalTime& now);

enum class MuteFor { Minutes15, Hour1, Hours4, TomorrowMorning };

// The end of a "mute for a while" chosen now, on a whole minute (rounded up), with the
// clock's offset from UTC then. The hours are real time: 1 hour is 1 hour, across a change
// to or from daylight saving too. Tomorrow morning is a time on the wall clock: the end of
// the quiet hours that hold now or start within a day; without those, 08:00 of the next
// morning, where before 05:00 counts as still the night before (at 03:00 it is 08:00 of
// the same date).
StampedTime muteForEnd(MuteFor choice, const Clock& clock, const QuietHours& quiet);

// Which image the tray icon shows.
enum class IconState { Normal, Muted, Quiet };

// "<prefix>. Last played: <file>", cut as the tip will show it.
std::wstring statusTip(std::wstring_view prefix, std::wstring_view lastPlayed);

class PlayGate {
public:
    // What to do when a countdown ends.
    enum class AtEnd {
        Play,    // as always (a muted program still plays nothing, as before)
        Silent,  // quiet hours: no sound, "Last played" unchanged, the next countdown starts
        Hold,    // the user is busy: call whileHeld about once a second
    };
    enum class Held { Wait, Play, Drop };

    // A held sound is dropped after this long, and the next countdown starts.
    static constexpr std::uint64_t kMaxHoldMs = std::uint64_t{10} * 60 * 1000;
    // A busy state counts once it has lasted this long; until then the sound only waits
    // (a moment's full-screen switch or a window in passing holds nothing).
    static constexpr std::uint64_t kBusyAfterMs = 5000;

    PlayGate(const Clock& clock, BusyProbe& probe, SettingsModel& settings);

    ConsiderateSettings settings() const { return model_.value().considerate(); }
    void setQuietHours(const QuietHours& quiet) { model_.setQuietHours(quiet); }
    void setHoldBusy(bool on) { model_.set(Toggle::holdBusy, on); }

    // muted: the Mute box is checked (by a plain mute or a mute for a while). Hold when the
    // user is busy: for the first kBusyAfterMs the sound only waits to see if it lasts.
    AtEnd countdownEnded(bool muted);
    // While held: Play once the user is free (or holding was turned off), Drop once muted,
    // in quiet hours or held for kMaxHoldMs, Wait otherwise. Play and Drop end the hold.
    Held whileHeld(bool muted);
    // A countdown's end waits on the gate (busy, counted or not yet).
    bool holding() const { return holdStartMs_.has_value(); }
    // "Held: full-screen program": what the hold is for once the busy state has lasted
    // kBusyAfterMs, and after the hold has ended, what it was for, until the next countdown
    // ends. Nothing when no busy state lasted that long.
    std::optional<std::wstring> holdReason() const;
    // Why the user counted as busy in that hold, in the bare words ("full-screen program").
    std::optional<std::wstring> heldFor() const;
    // Ends a hold without a verdict: "Play one now", "Skip this wait", a new delay.
    void endHold() { holdStartMs_.reset(); }
    // When the quiet hours that hold now end (nothing when it is not quiet now).
    std::optional<LocalTime> quietUntil() const { return quietEnd(model_.value().quiet, clock_.now()); }

    // Starts a mute for a while and returns its end, kept in the model. The caller mutes
    // first, so its own "user changed the mute" handling does not cancel it straight away.
    StampedTime muteFor(MuteFor choice);
    // The user muted or unmuted by hand.
    void cancelMuteFor() { model_.setMuteUntil(std::nullopt); }
    const std::optional<StampedTime>& mutedUntil() const { return model_.value().muteUntil; }
    // True once when a mute for a while is over, and forgets it: the caller unmutes. An end
    // more than two days ahead, which no choice sets (a damaged value, or the clock put
    // back), counts as over too. Judged against the clock as it is now: after a resume or a
    // change of the time, the time zone or daylight saving, the next call knows.
    bool muteForExpired();

    // The tip's words before ". Last played: ", by precedence: a mute for a while (it says
    // when it ends, on the clock as it is now), held, quiet hours. Nothing where the tip
    // stays as it always was ("MUTED!" for a plain mute, the seconds to go otherwise).
    std::optional<std::wstring> tipPrefix(bool muted) const;
    // The tray icon's image: muted (the Mute box, also for a mute for a while) before quiet
    // hours that hold now, since a muted program stays silent whatever the hours.
    IconState iconState(bool muted) const;

private:
    const Clock& clock_;
    BusyProbe& probe_;
    SettingsModel& model_;
    std::optional<std::uint64_t> holdStartMs_;
    std::optional<BusyReason> heldFor_;  // the latest busy state once it has lasted
};

}  // namespace zt
