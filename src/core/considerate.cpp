#include "core/considerate.h"

#include <algorithm>
#include <initializer_list>

#include "common/text.h"
#include "tray/tray_tip.h"

namespace zt {

namespace {

constexpr int kMinutesPerDay = 24 * 60;
constexpr std::int64_t kFarthestMuteEnd = 2 * kSecondsPerDay;
constexpr int kMorningHour = 8;
constexpr int kNightEndsHour = 5;  // before this, "tomorrow morning" is the coming one

std::int64_t dayOf(std::int64_t seconds) {
    return seconds / kSecondsPerDay - (seconds % kSecondsPerDay < 0 ? 1 : 0);
}

int minuteOfDay(int minutes) { return (minutes % kMinutesPerDay + kMinutesPerDay) % kMinutesPerDay; }

std::int64_t periodStart(const QuietHours& q, std::int64_t day) {
    return day * kSecondsPerDay + minuteOfDay(q.from) * std::int64_t{60};
}

std::int64_t periodLength(const QuietHours& q) {
    const int minutes = minuteOfDay(q.to - q.from);
    return (minutes == 0 ? kMinutesPerDay : minutes) * std::int64_t{60};
}

bool periodOn(const QuietHours& q, std::int64_t day) {
    return q.appliesOn(localTimeAt(day * kSecondsPerDay).weekday);
}

// The end of the quiet period that holds at t; a period starts on a ticked day and may
// run into the next, so yesterday's is looked at as well as today's.
std::optional<std::int64_t> coveringEnd(const QuietHours& q, std::int64_t t) {
    if (!q.on) return std::nullopt;
    std::optional<std::int64_t> end;
    for (std::int64_t day = dayOf(t) - 1; day <= dayOf(t); ++day) {
        const std::int64_t start = periodStart(q, day);
        if (periodOn(q, day) && start <= t && t < start + periodLength(q))
            end = std::max(end.value_or(start), start + periodLength(q));
    }
    return end;
}

std::optional<std::int64_t> quietEndAt(const QuietHours& q, std::int64_t t) {
    auto end = coveringEnd(q, t);
    // Whole-day periods on following days meet; the quiet ends where one is not followed.
    for (int day = 0; end && day < 8; ++day) {
        const auto next = coveringEnd(q, *end);
        if (!next) return end;
        end = next;
    }
    return std::nullopt;
}

std::int64_t roundUpToMinute(std::int64_t seconds) {
    const std::int64_t rest = (seconds % 60 + 60) % 60;
    return rest == 0 ? seconds : seconds + 60 - rest;
}

std::int64_t tomorrowMorning(const LocalTime& now, const QuietHours& q) {
    const std::int64_t t = localSeconds(now);
    if (q.on) {
        if (const auto end = quietEndAt(q, t)) return *end;
        for (std::int64_t day = dayOf(t); day <= dayOf(t) + 1; ++day) {
            const std::int64_t start = periodStart(q, day);
            if (periodOn(q, day) && start > t && start <= t + kSecondsPerDay)
                if (const auto end = quietEndAt(q, start)) return *end;
        }
    }
    const std::int64_t day = dayOf(t) + (now.hour < kNightEndsHour ? 0 : 1);
    return day * kSecondsPerDay + kMorningHour * std::int64_t{3600};
}

std::wstring clockOf(const LocalTime& t) { return formatClock(t.hour * 60 + t.minute); }

// The file name of a program given by its path.
std::wstring_view fileNameOf(std::wstring_view program) {
    const auto slash = program.find_last_of(L"\\/");
    return slash == std::wstring_view::npos ? program : program.substr(slash + 1);
}

bool inList(std::wstring_view name, std::initializer_list<std::wstring_view> list) {
    return std::any_of(list.begin(), list.end(), [&](std::wstring_view n) { return equalsNoCase(name, n); });
}

}  // namespace

std::wstring_view busyWords(BusyReason reason) {
    switch (reason) {
    case BusyReason::Free: return L"";
    case BusyReason::FullScreen: return L"full-screen program";
    case BusyReason::Direct3D: return L"full-screen game";
    case BusyReason::Presentation: return L"presentation";
    case BusyReason::QuietTime: return L"Windows quiet time";
    case BusyReason::Microphone: return L"microphone in use";
    }
    return L"";
}

bool isShellWindow(const WindowInFront& window) {
    // The desktop (Progman; WorkerW behind the icons once the wallpaper has changed), the
    // taskbars, and the Start menu before Windows 8.
    if (inList(window.className, {L"Progman", L"WorkerW", L"Shell_TrayWnd", L"Shell_SecondaryTrayWnd",
                                  L"DV2ControlHost"}))
        return true;
    // The Start menu of Windows 10 and 11, and its search once the user types.
    return equalsNoCase(window.className, kStoreAppWindowClass) &&
           inList(fileNameOf(window.program), {L"StartMenuExperienceHost.exe", L"ShellExperienceHost.exe",
                                               L"SearchHost.exe", L"SearchApp.exe", L"SearchUI.exe"});
}

BusyReason busyWithWindowInFront(BusyReason notificationState, const WindowInFront& window) {
    return isShellWindow(window) ? BusyReason::Free : notificationState;
}

bool isQuiet(const QuietHours& quiet, const LocalTime& now) {
    return coveringEnd(quiet, localSeconds(now)).has_value();
}

std::optional<LocalTime> quietEnd(const QuietHours& quiet, const LocalTime& now) {
    const auto end = quietEndAt(quiet, localSeconds(now));
    if (!end) return std::nullopt;
    return localTimeAt(*end);
}

StampedTime muteForEnd(MuteFor choice, const Clock& clock, const QuietHours& quiet) {
    std::int64_t minutes = 0;
    switch (choice) {
    case MuteFor::Minutes15: minutes = 15; break;
    case MuteFor::Hour1: minutes = 60; break;
    case MuteFor::Hours4: minutes = 240; break;
    case MuteFor::TomorrowMorning: {
        const LocalTime morning = localTimeAt(roundUpToMinute(tomorrowMorning(clock.now(), quiet)));
        return stampAt(momentOf({morning, std::nullopt}, clock), clock);
    }
    }
    // Zones are whole minutes from UTC: a whole minute there is one here.
    return stampAt(roundUpToMinute(clock.utcNow() + minutes * 60), clock);
}

std::wstring statusTip(std::wstring_view prefix, std::wstring_view lastPlayed) {
    std::wstring text(prefix);
    text += L". Last played: ";
    text += lastPlayed;
    return trayTipText(text);
}

PlayGate::PlayGate(const Clock& clock, BusyProbe& probe, SettingsModel& settings)
    : clock_(clock), probe_(probe), model_(settings) {}

PlayGate::AtEnd PlayGate::countdownEnded(bool muted) {
    endHold();
    heldFor_.reset();
    const Settings& s = model_.value();
    if (muted) return AtEnd::Play;  // the mute box keeps it silent, as it always has
    if (isQuiet(s.quiet, clock_.now())) return AtEnd::Silent;
    // The gate does not look between holds, so a busy state seen here starts its wait anew.
    if (s.on(Toggle::holdBusy) && probe_.query() != BusyReason::Free) {
        holdStartMs_ = clock_.tickMs();
        return AtEnd::Hold;
    }
    return AtEnd::Play;
}

PlayGate::Held PlayGate::whileHeld(bool muted) {
    if (!holdStartMs_) return Held::Drop;  // nothing is held
    Held verdict = Held::Wait;
    const Settings& s = model_.value();
    const std::uint64_t heldMs = clock_.tickMs() - *holdStartMs_;
    if (muted || isQuiet(s.quiet, clock_.now())) {
        verdict = Held::Drop;  // it would not play now anyway
    } else if (const BusyReason reason = s.on(Toggle::holdBusy) ? probe_.query() : BusyReason::Free;
               reason == BusyReason::Free) {
        verdict = Held::Play;  // free, or holding was turned off
    } else {
        // Every look since the countdown ended was busy (a free one plays): it has lasted.
        if (heldMs >= kBusyAfterMs) heldFor_ = reason;
        if (heldMs >= kMaxHoldMs) verdict = Held::Drop;
    }
    if (verdict != Held::Wait) endHold();
    return verdict;
}

std::optional<std::wstring> PlayGate::heldFor() const {
    if (!heldFor_) return std::nullopt;
    return std::wstring(busyWords(*heldFor_));
}

std::optional<std::wstring> PlayGate::holdReason() const {
    const auto why = heldFor();
    if (!why) return std::nullopt;
    return L"Held: " + *why;
}

StampedTime PlayGate::muteFor(MuteFor choice) {
    const StampedTime end = muteForEnd(choice, clock_, model_.value().quiet);
    model_.setMuteUntil(end);
    return end;
}

bool PlayGate::muteForExpired() {
    const auto& until = model_.value().muteUntil;
    if (!until) return false;
    const std::int64_t left = momentOf(*until, clock_) - clock_.utcNow();
    if (left > 0 && left <= kFarthestMuteEnd) return false;
    model_.setMuteUntil(std::nullopt);
    return true;
}

std::optional<std::wstring> PlayGate::tipPrefix(bool muted) const {
    const Settings& s = model_.value();
    if (muted) {
        if (s.muteUntil) return L"Muted until " + clockOf(stampAt(momentOf(*s.muteUntil, clock_), clock_).local);
        return std::nullopt;
    }
    if (holding()) {
        if (auto reason = holdReason()) return reason;
    }
    if (!s.quiet.on) return std::nullopt;  // asked every second: no clock read for nothing
    const LocalTime now = clock_.now();
    if (!isQuiet(s.quiet, now)) return std::nullopt;
    if (const auto end = quietEnd(s.quiet, now)) return L"Quiet until " + clockOf(*end);
    return std::wstring(L"Quiet");
}

IconState PlayGate::iconState(bool muted) const {
    if (muted) return IconState::Muted;
    const QuietHours& quiet = model_.value().quiet;
    return quiet.on && isQuiet(quiet, clock_.now()) ? IconState::Quiet : IconState::Normal;
}

}  // namespace zt
