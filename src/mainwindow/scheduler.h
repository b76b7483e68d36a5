#pragma once
// The random-play scheduler: counts down a random interval around the user's delay, then
// plays one file picked at random from the folder, and starts over. It knows nothing of
// windows; the main window implements SchedulerHost and hands in its waiter.
#include "common/random.h"
#include "common/wait.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace zt {

// What the scheduler needs from the main window. None of these may throw.
class SchedulerHost {
public:
    virtual ~SchedulerHost() = default;

    virtual std::wstring delayText() const = 0;  // txtDelay
    // Changing the text runs txtDelay_Change again, as any edit does.
    virtual void setDelayText(const std::wstring& text) = 0;
    virtual std::wstring countdownText() const = 0;  // txtCountdown
    virtual void setCountdownText(const std::wstring& text) = 0;
    virtual bool mnuMuteChecked() const = 0;
    virtual int chkMuteValue() const = 0;  // 1 when checked
    virtual void setTrayTip(const std::wstring& text) = 0;

    // File1: re-read the folder; its entries (file names without folder) and its folder.
    virtual void refreshFile1() = 0;
    virtual int file1Count() const = 0;
    virtual std::wstring file1Entry(int index) const = 0;
    virtual std::wstring file1Path() const = 0;
    // Shown when a pick found no sounds in the folder, hidden at the next pick that did.
    virtual void showNoSoundsHint(bool show) = 0;

    virtual void setLabel3Caption(const std::wstring& text) = 0;
    virtual void repaintNow() = 0;
    // Plays the file and returns when it has ended (or failed to start).
    virtual void playsound(const std::wstring& path) = 0;

    // The whole text as a number in the user's locale; nothing when it is not one.
    virtual std::optional<double> strictNumber(const std::wstring& text) const = 0;
    // The number in the user's format (decimal separator).
    virtual std::wstring formatNumber(double value) const = 0;
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
    // abandoned: true once this run has been replaced by a newer one (RunDriver).
    Scheduler(SchedulerHost& host, Waiter& waiter, Random& random,
              std::function<bool()> abandoned);
    Scheduler(const Scheduler&) = delete;
    Scheduler& operator=(const Scheduler&) = delete;

    // The endless countdown-and-play loop; returns only once abandoned() is true.
    void Command1_Click();
    // Picks, announces and plays one file; returns when playback has ended, or at once
    // when muted or the folder has no sounds.
    void playRandomFile();
    // The delay text's change handler; runs on every change, its own included.
    void txtDelay_Change();
    // The minutes the next countdown counts for the delay text as it stands.
    double countedDelay() const;

    bool restartFlag = false;
    std::wstring lastPlayed;

    static constexpr double kMinDelay = 0.1;  // minutes

private:
    std::int32_t drawInterval();
    void publishStatus();

    SchedulerHost& host_;
    Waiter& waiter_;
    Random& random_;
    std::function<bool()> abandoned_;
    // Used while the delay text does not read as a usable number (mid-edit, letters, or
    // too large for the countdown).
    double lastGoodDelay_ = kMinDelay;
};

}  // namespace zt
