#include "mainwindow/scheduler.h"

#include "common/numbers.h"
#include "common/text.h"

#include <algorithm>
#include <limits>
#include <utility>

namespace zt {

namespace {

constexpr int kStepsPerSecond = 1000 / Waiter::kStepMs;
constexpr int kDelayEditSteps = 50;  // about 5 s for the user to finish typing

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

Scheduler::Scheduler(Parts parts)
    : folder_(parts.folder),
      view_(parts.view),
      numbers_(parts.numbers),
      waiter_(parts.waiter),
      random_(parts.random),
      play_(std::move(parts.play)),
      abandoned_(std::move(parts.abandoned)) {}

std::int32_t Scheduler::drawInterval() {
    const float r = random_.next();
    if (const auto delay = numbers_.read(view_.delayText())) {
        const auto seconds = intervalSeconds(*delay, r);
        if (seconds && *seconds >= 1) {
            lastGoodDelay_ = *delay;
            return *seconds;
        }
    }
    // At least one second, so that the loop always passes through event processing.
    return std::max(intervalSeconds(lastGoodDelay_, r).value_or(1), 1);
}

void Scheduler::showCountdown(std::int32_t seconds) {
    secondsLeft_ = seconds;
    view_.showCountdown(seconds);
    publishStatus();
}

void Scheduler::publishStatus() {
    const bool muted = view_.muted();
    std::optional<std::wstring> words = gate_ ? gate_->tipPrefix(muted) : std::nullopt;
    if (!words) words = muted ? L"MUTED!" : std::to_wstring(secondsLeft_) + L" secs to go";
    view_.showTip(statusTip(*words, lastPlayed));
}

void Scheduler::Command1_Click() {
    while (!abandoned_()) {
        const std::int32_t seconds = drawInterval();
        showCountdown(seconds);
        waiter_.processEvents();  // shows the new count now, not after the first step
        if (abandoned_()) return;
        for (std::int32_t i = 1; i <= seconds; ++i) {
            for (int step = 0; step < kStepsPerSecond; ++step) {
                waiter_.step();
                if (abandoned_()) return;
            }
            showCountdown(seconds - i);
            waiter_.processEvents();
            if (abandoned_()) return;
            if (restartFlag) break;
        }
        // Re-read the folder so that files added or removed while counting count.
        folder_.refresh();
        countdownEnded();
    }
}

void Scheduler::countdownEnded() {
    auto verdict = PlayGate::AtEnd::Play;
    if (gate_ && !restartFlag) {
        verdict = gate_->countdownEnded(view_.muted());
        if (verdict == PlayGate::AtEnd::Hold) {
            verdict = holdWhileBusy();
            if (abandoned_()) return;
        }
    }
    const bool playOne = std::exchange(playNow_, false);
    const bool restart = std::exchange(restartFlag, false);
    if (playOne)
        playRandomFile(true);
    else if (!restart && verdict == PlayGate::AtEnd::Play)
        playRandomFile();
}

PlayGate::AtEnd Scheduler::holdWhileBusy() {
    publishStatus();
    while (waitASecond() && !restartFlag) {
        switch (gate_->whileHeld(view_.muted())) {
        case PlayGate::Held::Play: return PlayGate::AtEnd::Play;
        case PlayGate::Held::Drop: return PlayGate::AtEnd::Silent;
        case PlayGate::Held::Wait: publishStatus(); break;
        }
    }
    // Abandoned, or the user asked for something else (play now, skip, a new delay).
    gate_->endHold();
    return PlayGate::AtEnd::Silent;
}

bool Scheduler::waitASecond() {
    for (int step = 0; step < kStepsPerSecond; ++step) {
        waiter_.step();
        if (abandoned_()) return false;
    }
    return true;
}

void Scheduler::playRandomFile(bool evenMuted) {
    const int entries = folder_.count();
    // Nothing to play; the next countdown starts (the file list says why it is empty).
    if (entries < 1) return;
    const auto count = static_cast<std::int16_t>(
        std::min(entries, static_cast<int>(std::numeric_limits<std::int16_t>::max())));
    const std::int16_t index = pickIndex(count, random_.next());
    const std::wstring entry = folder_.entry(index);
    const std::wstring path = addSlash(folder_.path()) + entry;
    if (view_.muted() && !evenMuted) return;
    lastPlayed = entry;
    view_.showStatusNow(L"Last played: " + lastPlayed);
    play_(path);
}

void Scheduler::txtDelay_Change() {
    // Give the user time to finish typing before judging the text.
    for (int i = 0; i < kDelayEditSteps; ++i) {
        waiter_.step();
        if (lenientNumber(view_.delayText()) > 0) break;
    }
    if (lenientNumber(view_.delayText()) < kMinDelay) {
        // Only when it changes anything: where the user's decimal separator is not ".",
        // the lenient reading cannot read the floor either, and setting it again would
        // run this handler again for ever.
        const std::wstring floor = numbers_.write(kMinDelay);
        if (view_.delayText() != floor) view_.setDelayText(floor);
    }
    restartFlag = true;
    waiter_.processEvents();
}

}  // namespace zt
