#include "core/scheduler.h"

#include "common/local_time.h"
#include "common/numbers.h"
#include "common/text.h"
#include "core/delay_tip.h"

#include <algorithm>
#include <limits>
#include <utility>
#include <vector>

namespace zt {

namespace {

constexpr std::int64_t kSecondMs = 1000;
constexpr int kDelayEditSteps = 50;  // about 5 s for the user to finish typing

// A delay the countdown can use whatever the draw: at least a second, within 32 bits.
bool usableDelay(double minutes) {
    const auto shortest = intervalSeconds(minutes, 0.0f);
    return shortest && *shortest >= 1 && intervalSeconds(minutes, 1.0f);
}

}  // namespace

std::optional<std::int32_t> intervalSeconds(double delayMinutes, float r) {
    // Double precision, in this order, so that the draws land exactly where they always did.
    const double t1 = delayMinutes * 0.5 * static_cast<double>(r);
    const double t2 = t1 - delayMinutes * 0.25;
    const double t3 = (delayMinutes + t2) * 60.0;
    return toInt32(t3);
}

std::int16_t pickIndex(std::int16_t count, float r) {
    // Single precision on purpose: this is the arithmetic that gives the outer entries
    // half the share of the inner ones.
    const auto last = static_cast<std::int16_t>(count - 1);
    const float scaled = static_cast<float>(last) * r;
    const std::int16_t index = toInt16(static_cast<double>(scaled)).value_or(0);
    return std::clamp<std::int16_t>(index, 0, std::max<std::int16_t>(last, 0));
}

Scheduler::Scheduler(const Parts& parts)
    : settings_(parts.settings),
      folder_(parts.folder),
      view_(parts.view),
      numbers_(parts.numbers),
      waiter_(parts.waiter),
      random_(parts.random),
      play_(parts.play),
      abandoned_(parts.abandoned) {}

void Scheduler::setDelayText(const std::wstring& text) {
    // A text that does not read as a usable number (mid-edit, letters, or too large for the
    // countdown) keeps the minutes counted before.
    const auto delay = numbers_.read(text);
    settings_.setDelay(text, delay && usableDelay(*delay) ? *delay : countedDelay());
}

std::int32_t Scheduler::drawInterval() {
    const float r = random_.next();
    // At least one second, so that the loop always passes through event processing.
    return std::max(intervalSeconds(countedDelay(), r).value_or(1), 1);
}

void Scheduler::showCountdown(std::int32_t seconds) {
    secondsLeft_ = seconds;
    view_.showCountdown(seconds);
    publishStatus();
}

void Scheduler::publishStatus() {
    const bool muted = this->muted();
    std::optional<std::wstring> words = gate_ ? gate_->tipPrefix(muted) : std::nullopt;
    view_.showState(words.value_or(L""));
    if (!words) words = muted ? L"MUTED!" : std::to_wstring(secondsLeft_) + L" secs to go";
    view_.showIconState(gate_ ? gate_->iconState(muted) : muted ? IconState::Muted : IconState::Normal);
    view_.showTip(statusTip(*words, lastPlayed));
}

void Scheduler::publishState() {
    const std::optional<std::wstring> words = gate_ ? gate_->tipPrefix(muted()) : std::nullopt;
    view_.showState(words.value_or(L""));
}

void Scheduler::run() {
    while (!abandoned_()) {
        const std::int32_t seconds = drawInterval();
        showCountdown(seconds);
        waiter_.processEvents();  // shows the new count now, not after the first step
        if (abandoned_()) return;
        // Each value lasts one second of a clock read now, so the count keeps time however
        // long the passes over the events take.
        std::int64_t boundary = waiter_.clockMs();
        for (std::int32_t i = 1; i <= seconds; ++i) {
            boundary += kSecondMs;
            while (waiter_.clockMs() < boundary && !commandAsked()) {
                waiter_.waitUntil(boundary, nullptr);
                if (abandoned_()) return;
            }
            // "Play one now" and "Skip this wait" act when chosen, not at the next second.
            if (commandAsked()) break;
            // Held up for more than a second (a test play, the delay edit's wait): go on
            // from now instead of running the missed values down at once.
            if (waiter_.clockMs() - boundary >= kSecondMs) boundary = waiter_.clockMs();
            showCountdown(seconds - i);
            waiter_.processEvents();
            if (abandoned_()) return;
            if (restartAsked()) break;
        }
        // Re-read the folder so that files added or removed while counting count.
        folder_.refresh();
        countdownEnded();
    }
}

void Scheduler::countdownEnded() {
    auto verdict = PlayGate::AtEnd::Play;
    cause_ = {HistoryEvent::Played};
    if (gate_ && !restartAsked()) {
        verdict = gate_->countdownEnded(muted());
        if (verdict == PlayGate::AtEnd::Silent) {
            const auto end = gate_->quietUntil();
            note({HistoryEvent::Quiet, {}, end ? formatClock(end->hour * 60 + end->minute) : std::wstring()});
        }
        if (verdict == PlayGate::AtEnd::Hold) {
            verdict = holdWhileBusy();
            if (abandoned_()) return;
            publishStatus();  // the hold is over: its words go before the sound starts
        }
    }
    const bool playOne = std::exchange(playNow_, false);
    const bool skip = std::exchange(skip_, false);
    const bool restart = std::exchange(restartFlag_, false) || skip;
    if (skip && !playOne) note({HistoryEvent::Skipped});
    if (playOne) {
        cause_ = {HistoryEvent::PlayNow};
        playRandomFile(true);
    } else if (!restart && verdict == PlayGate::AtEnd::Play) {
        playRandomFile();
    }
}

PlayGate::AtEnd Scheduler::holdWhileBusy() {
    publishStatus();
    const std::int64_t since = waiter_.clockMs();
    const auto held = [&] { return (waiter_.clockMs() - since) / kSecondMs; };
    while (waitASecond() && !restartAsked()) {
        switch (gate_->whileHeld(muted())) {
        case PlayGate::Held::Play:
            // Busy for less than the hold's threshold: the sound only waited.
            if (const auto why = gate_->heldFor()) cause_ = {HistoryEvent::HeldPlayed, {}, *why, held()};
            return PlayGate::AtEnd::Play;
        case PlayGate::Held::Drop:
            note({HistoryEvent::HeldDropped, {}, gate_->heldFor().value_or(L""), held()});
            return PlayGate::AtEnd::Silent;
        case PlayGate::Held::Wait: publishStatus(); break;
        }
    }
    // Abandoned, or the user asked for something else (play now, skip, a new delay).
    gate_->endHold();
    return PlayGate::AtEnd::Silent;
}

bool Scheduler::waitASecond() {
    const std::int64_t until = waiter_.clockMs() + kSecondMs;
    while (waiter_.clockMs() < until && !commandAsked()) {
        waiter_.waitUntil(until, nullptr);
        if (abandoned_()) return false;
    }
    return true;
}

void Scheduler::playRandomFile(bool evenMuted) {
    const int entries = folder_.count();
    const bool silent = muted() && !evenMuted;
    // Nothing to play; the next countdown starts (the file list says why it is empty).
    if (entries < 1) {
        note(silent ? HistoryEntry{HistoryEvent::Muted}
                    : HistoryEntry{HistoryEvent::CouldNotPlay, {}, L"the folder has no sounds"});
        return;
    }
    // A silent end takes nothing out of the bag: what it drew would not be heard this round.
    if (silent && settings_.on(Toggle::noRepeat)) {
        note({HistoryEvent::Muted});
        return;
    }
    const std::wstring entry = pickedEntry(entries);
    const std::wstring path = addSlash(folder_.path()) + entry;
    if (silent) {
        note({HistoryEvent::Muted});
        return;
    }
    lastPlayed = entry;
    view_.showStatusNow(L"Last played: " + lastPlayed);
    play_(path);
}

std::wstring Scheduler::pickedEntry(int entries) {
    if (settings_.on(Toggle::noRepeat)) {
        std::vector<std::wstring> files;
        files.reserve(static_cast<std::size_t>(entries));
        for (int i = 0; i < entries; ++i) files.push_back(folder_.entry(i));
        return files[static_cast<std::size_t>(bag_.draw(files, random_, lastPlayed))];
    }
    // Drawn even when muted, so that the draws stay where they always were.
    const auto count = static_cast<std::int16_t>(
        std::min(entries, static_cast<int>(std::numeric_limits<std::int16_t>::max())));
    return folder_.entry(pickIndex(count, random_.next()));
}

double Scheduler::typedDelay() const {
    return lenientNumber(settings_.value().delayText, numbers_.decimalSeparator());
}

void Scheduler::delayChanged(bool restored) {
    // A change during the wait below arrives from inside it: it only restarts that wait.
    // Waiting again inside the wait would nest one level per keystroke without limit.
    if (inDelayWait_) {
        delayChangedAgain_ = true;
        return;
    }
    inDelayWait_ = true;
    // Give the user time to finish typing before judging the text.
    for (int i = 0; i < kDelayEditSteps; ++i) {
        waiter_.step();
        if (std::exchange(delayChangedAgain_, false)) i = -1;  // the full wait for the new text
        if (typedDelay() > 0) break;
    }
    const std::wstring typed = settings_.value().delayText;
    if (typedDelay() < kMinDelay) {
        // Only when it changes anything: a floor the lenient reading cannot read back (a
        // separator of several characters) would otherwise run this handler for ever.
        const std::wstring floor = numbers_.write(kMinDelay);
        if (typed != floor) setDelayText(floor);  // the box shows it, and runs this again
    }
    inDelayWait_ = false;
    delayChangedAgain_ = false;  // the floor just set needs no wait of its own
    restartFlag_ = !restored;
    // Judged (and perhaps replaced): say what will be counted when the text does not show it.
    const auto tip = delayTipText(typed, countedDelay(), [this](double v) { return numbers_.write(v); });
    if (tip) view_.showDelayTip(*tip);
    waiter_.processEvents();
}

}  // namespace zt
