#pragma once
// The random-play scheduler: counts down a random interval around the user's delay, then
// plays one file picked at random from the folder, and starts over. It knows nothing of
// windows: the main window is its status view and its sound folder, the application hands
// in the settings model, the waiter, the number format and the player.
#include "common/numbers.h"
#include "common/random.h"
#include "common/wait.h"
#include "core/considerate.h"
#include "core/history.h"
#include "core/shuffle_bag.h"
#include "core/sound_folder.h"
#include "settings/settings_model.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <utility>

namespace zt {

// What the user sees of the scheduler. None of these may throw.
class StatusView {
public:
    virtual ~StatusView() = default;

    // The seconds left of the countdown (txtCountdown).
    virtual void showCountdown(std::int32_t seconds) = 0;
    // The tray icon's tip.
    virtual void showTip(const std::wstring& text) = 0;
    // The tray icon's image; told before the tip, which may be what first adds the icon.
    virtual void showIconState(IconState /*state*/) {}
    // The status line (Label3), on screen at once: it names a sound before it starts.
    virtual void showStatusNow(const std::wstring& text) = 0;
    // What holds the sounds back now, on a line of its own: "Quiet until 07:30", "Muted
    // until 14:30", "Held: full-screen program"; empty when nothing does.
    virtual void showState(const std::wstring& /*text*/) {}
    // After a delay edit, when the minutes counted are not what the text plainly says:
    // "Counting 15 minutes" (delayTipText). A window without a tip ignores it.
    virtual void showDelayTip(const std::wstring& /*text*/) {}
};

// The countdown in seconds for a delay in minutes and a draw r in [0, 1): 45 to 75 seconds
// per minute of delay, rounded half to even. Nothing when it does not fit 32 bits.
std::optional<std::int32_t> intervalSeconds(double delayMinutes, float r);

// The list index for a draw r in [0, 1) among count entries (count >= 1). The first and
// last entries are half as likely as each of the others.
std::int16_t pickIndex(std::int16_t count, float r);

class Scheduler {
public:
    // play: plays the file and returns when it has ended (or failed to start).
    // abandoned: true once this run has been replaced by a newer one (RunDriver).
    struct Parts {
        SettingsModel& settings;  // the delay and the mute
        SoundFolder& folder;
        StatusView& view;
        const NumberFormat& numbers;
        Waiter& waiter;
        Random& random;
        std::function<void(const std::wstring& path)> play;
        std::function<bool()> abandoned;
    };
    explicit Scheduler(const Parts& parts);
    Scheduler(const Scheduler&) = delete;
    Scheduler& operator=(const Scheduler&) = delete;

    // Asked at the end of every countdown from then on (quiet hours, hold while busy, mute
    // for a while). Without a gate every countdown's end plays, as it always did.
    void useGate(PlayGate& gate) { gate_ = &gate; }
    // Told how each countdown ended where no sound started (muted, quiet, dropped, skipped,
    // no sounds); a sound's own entry is its player's to make, once it knows how it went.
    void useHistory(History& history) { history_ = &history; }
    // What the play the scheduler asks for now is, for that entry: a countdown's end, "Play
    // one now", or a held end.
    const HistoryEntry& playCause() const { return cause_; }

    // The endless countdown-and-play loop; returns only once abandoned() is true.
    void run();
    // Picks, announces and plays one file; returns when playback has ended, or at once
    // when muted (unless evenMuted: an explicit request) or the folder has no sounds.
    void playRandomFile(bool evenMuted = false);
    // A new delay text: the model keeps it with the minutes it counts (its strict reading
    // when that is usable, else the minutes counted before).
    void setDelayText(const std::wstring& text);
    // Runs on every change of the delay text, its own included: waits for the user to
    // finish typing, puts the floor in place of a text below it, and ends the countdown at
    // its next second (not for a delay restored at start, whose count stands).
    void delayChanged(bool restored = false);
    // The minutes the next countdown counts for the delay text as it stands.
    double countedDelay() const { return settings_.value().countedDelay; }
    // An edit ended the countdown and its end has not been handled yet.
    bool restartPending() const { return restartFlag_; }
    // "Play one now": the countdown (or a hold) ends at once and one file plays, even when
    // muted. "Skip this wait": it ends at once without a sound; a new interval is drawn.
    // Kept apart from the edit's restart, which a restored delay does not ask for and which
    // ends the countdown at its next second.
    void playNow() { playNow_ = true; }
    void skipWait() { skip_ = true; }
    // Writes the tray tip for the state now: gate's words, "MUTED!" or the seconds to go;
    // and the state line (publishState).
    void publishStatus();
    // Shows the gate's words for the state now on the state line, without the tip: for a
    // change of the settings or the time that the tip takes in at its next second.
    void publishState();

    std::wstring lastPlayed;

private:
    std::int32_t drawInterval();
    // The file to play: today's draw, or with "Avoid repeats" the bag's.
    std::wstring pickedEntry(int entries);
    void showCountdown(std::int32_t seconds);
    // The delay text as the lenient reading sees it.
    double typedDelay() const;
    void countdownEnded();
    PlayGate::AtEnd holdWhileBusy();
    bool waitASecond();
    void note(HistoryEntry entry) {
        if (history_) history_->add(std::move(entry));
    }

    bool muted() const { return settings_.on(Toggle::mute); }

    SettingsModel& settings_;
    SoundFolder& folder_;
    StatusView& view_;
    const NumberFormat& numbers_;
    Waiter& waiter_;
    Random& random_;
    std::function<void(const std::wstring& path)> play_;
    std::function<bool()> abandoned_;
    PlayGate* gate_ = nullptr;
    History* history_ = nullptr;
    HistoryEntry cause_;
    ShuffleBag bag_;
    bool restartFlag_ = false;
    bool playNow_ = false;
    bool skip_ = false;
    // An edit, "Play one now" or "Skip this wait" ends the countdown or the hold.
    bool restartAsked() const { return restartFlag_ || commandAsked(); }
    bool commandAsked() const { return playNow_ || skip_; }
    std::int32_t secondsLeft_ = 0;  // as shown in the countdown
    bool inDelayWait_ = false;        // txtDelay_Change is waiting for the user
    bool delayChangedAgain_ = false;  // the text changed during that wait
};

}  // namespace zt
