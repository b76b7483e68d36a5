#include "core/considerate.h"

#include "considerate_fakes.h"
#include "settings/considerate_settings.h"
#include "fakes.h"

#include <gtest/gtest.h>

#include <iterator>
#include <optional>
#include <string>

namespace zt {
namespace {

using test::at;
using test::ScriptedProbe;
using test::SimClock;
using AtEnd = PlayGate::AtEnd;
using Held = PlayGate::Held;

// December 2026: the 7th is a Monday, the 11th a Friday, the 12th a Saturday.
constexpr std::uint8_t kSunday = 1 << 0, kMonday = 1 << 1, kFriday = 1 << 5, kSaturday = 1 << 6;
constexpr std::uint8_t kEveryDay = 0x7F;

QuietHours quiet(int from, int to, std::uint8_t days) {
    QuietHours q;
    q.on = true;
    q.from = from;
    q.to = to;
    q.days = days;
    return q;
}

constexpr int hm(int h, int m) { return h * 60 + m; }

const BusyReason kBusyStates[] = {BusyReason::FullScreen, BusyReason::Direct3D,
                                  BusyReason::Presentation, BusyReason::QuietTime,
                                  BusyReason::Microphone};

TEST(QuietHours, RangesBelongToTheDayTheyStartOn) {
    const QuietHours fridayNight = quiet(hm(22, 0), hm(7, 30), kFriday);
    const QuietHours mondayDay = quiet(hm(9, 0), hm(17, 0), kMonday);
    const QuietHours weekend = quiet(0, 0, kSaturday | kSunday);  // from == to: whole days
    QuietHours off = fridayNight;
    off.on = false;
    struct Case { const char* name; const QuietHours& q; LocalTime now; bool quiet; };
    const Case cases[] = {
        {"Fri just before", fridayNight, at(2026, 12, 11, 21, 59, 59), false},
        {"Fri at from", fridayNight, at(2026, 12, 11, 22, 0), true},
        {"Sat past midnight", fridayNight, at(2026, 12, 12, 0, 0), true},
        {"Sat 03:00", fridayNight, at(2026, 12, 12, 3, 0), true},
        {"Sat just before to", fridayNight, at(2026, 12, 12, 7, 29, 59), true},
        {"Sat at to", fridayNight, at(2026, 12, 12, 7, 30), false},
        {"Sat night, unticked", fridayNight, at(2026, 12, 12, 23, 0), false},
        {"Fri 03:00 is Thursday's", fridayNight, at(2026, 12, 11, 3, 0), false},
        {"Mon before", mondayDay, at(2026, 12, 7, 8, 59, 59), false},
        {"Mon from", mondayDay, at(2026, 12, 7, 9, 0), true},
        {"Mon before to", mondayDay, at(2026, 12, 7, 16, 59, 59), true},
        {"Mon to", mondayDay, at(2026, 12, 7, 17, 0), false},
        {"Tue same hours", mondayDay, at(2026, 12, 8, 12, 0), false},
        {"weekend starts", weekend, at(2026, 12, 12, 0, 0), true},
        {"weekend's last second", weekend, at(2026, 12, 13, 23, 59, 59), true},
        {"Monday after", weekend, at(2026, 12, 14, 0, 0), false},
        {"Friday before", weekend, at(2026, 12, 11, 23, 59, 59), false},
        {"off", off, at(2026, 12, 11, 23, 0), false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(isQuiet(c.q, c.now), c.quiet);
        EXPECT_EQ(quietEnd(c.q, c.now).has_value(), c.quiet);
    }
}

TEST(QuietHours, EndIsWhereTheQuietStops) {
    struct Case {
        const char* name;
        QuietHours q;
        LocalTime now;
        std::optional<LocalTime> end;
    };
    const Case cases[] = {
        {"overnight", quiet(hm(22, 0), hm(7, 30), kEveryDay), at(2026, 12, 11, 23, 0),
         at(2026, 12, 12, 7, 30)},
        {"after midnight, not the next night", quiet(hm(22, 0), hm(7, 30), kEveryDay),
         at(2026, 12, 12, 3, 0), at(2026, 12, 12, 7, 30)},
        {"into the new year", quiet(hm(22, 0), hm(7, 30), kEveryDay),
         at(2026, 12, 31, 23, 0), at(2027, 1, 1, 7, 30)},
        {"whole days run on", quiet(0, 0, kSaturday | kSunday), at(2026, 12, 12, 10, 0),
         at(2026, 12, 14, 0, 0)},
        {"whole days at 13:00", quiet(hm(13, 0), hm(13, 0), kMonday), at(2026, 12, 8, 12, 59),
         at(2026, 12, 8, 13, 0)},
        {"every day, all day", quiet(hm(6, 0), hm(6, 0), kEveryDay), at(2026, 12, 9, 10, 0),
         std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(quietEnd(c.q, c.now), c.end);
    }
}

TEST(MuteFor, EndsOnTheMinuteAtOrAfterTheChoice) {
    const QuietHours none;  // off
    const QuietHours nights = quiet(hm(22, 0), hm(7, 30), kEveryDay);
    const QuietHours fridays = quiet(hm(22, 0), hm(7, 30), kFriday);
    const QuietHours always = quiet(hm(6, 0), hm(6, 0), kEveryDay);
    struct Case {
        const char* name;
        MuteFor choice;
        LocalTime now;
        const QuietHours& q;
        LocalTime end;
    };
    const Case cases[] = {
        {"15 min", MuteFor::Minutes15, at(2026, 12, 7, 14, 7, 33), none, at(2026, 12, 7, 14, 23)},
        {"15 min on the minute", MuteFor::Minutes15, at(2026, 12, 7, 14, 15), none,
         at(2026, 12, 7, 14, 30)},
        {"1 h", MuteFor::Hour1, at(2026, 12, 7, 14, 7, 1), none, at(2026, 12, 7, 15, 8)},
        {"4 h past midnight", MuteFor::Hours4, at(2026, 12, 31, 22, 30), none,
         at(2027, 1, 1, 2, 30)},
        {"morning from the afternoon", MuteFor::TomorrowMorning, at(2026, 12, 7, 14, 0), none,
         at(2026, 12, 8, 8, 0)},
        {"morning at 03:00 is today's", MuteFor::TomorrowMorning, at(2026, 12, 8, 3, 0), none,
         at(2026, 12, 8, 8, 0)},
        {"morning at 04:59", MuteFor::TomorrowMorning, at(2026, 12, 8, 4, 59, 59), none,
         at(2026, 12, 8, 8, 0)},
        {"morning at 05:00 is tomorrow's", MuteFor::TomorrowMorning, at(2026, 12, 8, 5, 0), none,
         at(2026, 12, 9, 8, 0)},
        {"morning at new year's eve", MuteFor::TomorrowMorning, at(2026, 12, 31, 23, 0), none,
         at(2027, 1, 1, 8, 0)},
        {"end of tonight's quiet", MuteFor::TomorrowMorning, at(2026, 12, 7, 14, 0), nights,
         at(2026, 12, 8, 7, 30)},
        {"end of the quiet now", MuteFor::TomorrowMorning, at(2026, 12, 8, 3, 0), nights,
         at(2026, 12, 8, 7, 30)},
        {"no quiet within a day", MuteFor::TomorrowMorning, at(2026, 12, 7, 14, 0), fridays,
         at(2026, 12, 8, 8, 0)},
        {"Friday's quiet", MuteFor::TomorrowMorning, at(2026, 12, 11, 14, 0), fridays,
         at(2026, 12, 12, 7, 30)},
        {"quiet that never ends", MuteFor::TomorrowMorning, at(2026, 12, 7, 14, 0), always,
         at(2026, 12, 8, 8, 0)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(muteForEnd(c.choice, SimClock(c.now), c.q), (StampedTime{c.end, 0}));
    }
}

// A gate reading its options from a settings model that holds these.
struct Gate {
    explicit Gate(LocalTime now, const ConsiderateSettings& settings = {}, test::Zone zone = nullptr)
        : clock(now, zone) {
        Settings s;
        s.quiet = settings.quiet;
        s.toggles[static_cast<std::size_t>(Toggle::holdBusy)] = settings.holdBusy;
        s.muteUntil = settings.muteUntil;
        model.replace(s);
    }
    SimClock clock;
    ScriptedProbe probe;
    SettingsModel model;
    PlayGate gate{clock, probe, model};
};

TEST(PlayGate, CountdownEndsAtTheEdgesOfQuietHours) {
    ConsiderateSettings s;
    s.quiet = quiet(hm(22, 0), hm(7, 30), kEveryDay);
    struct Case { LocalTime now; AtEnd verdict; };
    const Case cases[] = {
        {at(2026, 12, 7, 21, 59, 59), AtEnd::Play},
        {at(2026, 12, 7, 22, 0, 0), AtEnd::Silent},
        {at(2026, 12, 8, 7, 29, 59), AtEnd::Silent},
        {at(2026, 12, 8, 7, 30, 0), AtEnd::Play},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(formatStamp(c.now) + L":" + std::to_wstring(c.now.second));
        Gate g(c.now, s);
        EXPECT_EQ(g.gate.countdownEnded(false), c.verdict);
        // Muted, the countdown's end goes the way it always went.
        EXPECT_EQ(g.gate.countdownEnded(true), AtEnd::Play);
    }
}

TEST(PlayGate, HoldsOnlyWhenAskedToAndBusy) {
    for (const BusyReason reason : kBusyStates) {
        SCOPED_TRACE(static_cast<int>(reason));
        ConsiderateSettings s;
        s.quiet = quiet(hm(22, 0), hm(7, 30), kEveryDay);
        Gate g(at(2026, 12, 7, 12, 0), s);
        g.probe.reason = reason;
        EXPECT_EQ(g.gate.countdownEnded(true), AtEnd::Play);
        EXPECT_EQ(g.probe.queries, 0);  // muted: nothing to hold
        EXPECT_EQ(g.gate.countdownEnded(false), AtEnd::Hold);
        EXPECT_TRUE(g.gate.holding());
        g.gate.setHoldBusy(false);
        EXPECT_EQ(g.gate.countdownEnded(false), AtEnd::Play);
        EXPECT_FALSE(g.gate.holding());
        g.gate.setHoldBusy(true);
        g.clock.advance(11 * 3600);  // 23:00, quiet hours
        EXPECT_EQ(g.gate.countdownEnded(false), AtEnd::Silent);
    }
    Gate free(at(2026, 12, 7, 12, 0));
    EXPECT_EQ(free.gate.countdownEnded(false), AtEnd::Play);
    EXPECT_EQ(free.probe.queries, 1);
}

TEST(PlayGate, HeldSoundPlaysOnceTheUserIsFree) {
    for (const BusyReason reason : kBusyStates) {
        SCOPED_TRACE(static_cast<int>(reason));
        Gate g(at(2026, 12, 7, 12, 0));
        g.probe.reason = reason;
        ASSERT_EQ(g.gate.countdownEnded(false), AtEnd::Hold);
        for (int second = 1; second < 300; ++second) {
            g.clock.advance(1);
            ASSERT_EQ(g.gate.whileHeld(false), Held::Wait) << second;
        }
        g.probe.reason = BusyReason::Free;
        g.clock.advance(1);
        EXPECT_EQ(g.gate.whileHeld(false), Held::Play);
        EXPECT_FALSE(g.gate.holding());
        EXPECT_EQ(g.gate.tipPrefix(false), std::nullopt);
    }
}

TEST(PlayGate, ABusyStateHoldsOnlyOnceItHasLastedFiveSeconds) {
    // Busy at the countdown's end and at each look up to lastBusy seconds after it, then free.
    struct Case { int lastBusy; bool held; };
    const Case cases[] = {{0, false}, {3, false}, {4, false}, {5, true}, {6, true}, {120, true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.lastBusy);
        Gate g(at(2026, 12, 7, 12, 0));
        g.probe.reason = BusyReason::FullScreen;
        ASSERT_EQ(g.gate.countdownEnded(false), AtEnd::Hold);
        EXPECT_EQ(g.gate.tipPrefix(false), std::nullopt);
        for (int second = 1; second <= c.lastBusy; ++second) {
            g.clock.advance(1);
            ASSERT_EQ(g.gate.whileHeld(false), Held::Wait) << second;
            // Named from the fifth second on, never before.
            const auto words = second >= 5 ? std::optional<std::wstring>(L"Held: full-screen program")
                                           : std::nullopt;
            ASSERT_EQ(g.gate.tipPrefix(false), words) << second;
            ASSERT_EQ(g.gate.holdReason(), words) << second;
        }
        g.clock.advance(1);
        g.probe.reason = BusyReason::Free;
        EXPECT_EQ(g.gate.whileHeld(false), Held::Play);
        EXPECT_EQ(g.gate.tipPrefix(false), std::nullopt);
        // Kept past the hold's end for whoever records what happened, until the next end.
        EXPECT_EQ(g.gate.holdReason().has_value(), c.held);
        EXPECT_EQ(g.gate.countdownEnded(false), AtEnd::Play);
        EXPECT_EQ(g.gate.holdReason(), std::nullopt);
    }
}

TEST(PlayGate, EachHoldWaitsItsOwnFiveSeconds) {
    Gate g(at(2026, 12, 7, 12, 0));
    g.probe.reason = BusyReason::Presentation;
    ASSERT_EQ(g.gate.countdownEnded(false), AtEnd::Hold);
    g.clock.advance(PlayGate::kMaxHoldMs / 1000);
    ASSERT_EQ(g.gate.whileHeld(false), Held::Drop);
    EXPECT_EQ(g.gate.holdReason(), L"Held: presentation");
    // Busy again at the next end, a second later: the gate did not look in between.
    g.clock.advance(1);
    ASSERT_EQ(g.gate.countdownEnded(false), AtEnd::Hold);
    EXPECT_EQ(g.gate.tipPrefix(false), std::nullopt);
    g.clock.advance(4);
    EXPECT_EQ(g.gate.whileHeld(false), Held::Wait);
    EXPECT_EQ(g.gate.holdReason(), std::nullopt);
    g.clock.advance(1);
    EXPECT_EQ(g.gate.whileHeld(false), Held::Wait);
    EXPECT_EQ(g.gate.tipPrefix(false), L"Held: presentation");
}

TEST(PlayGate, TheTipNamesWhatTheUserIsBusyWith) {
    struct Case { BusyReason reason; const wchar_t* words; };
    const Case cases[] = {
        {BusyReason::FullScreen, L"Held: full-screen program"},
        {BusyReason::Direct3D, L"Held: full-screen game"},
        {BusyReason::Presentation, L"Held: presentation"},
        {BusyReason::QuietTime, L"Held: Windows quiet time"},
        {BusyReason::Microphone, L"Held: microphone in use"},
    };
    static_assert(std::size(cases) == std::size(kBusyStates));
    for (const auto& c : cases) {
        SCOPED_TRACE(c.words);
        Gate g(at(2026, 12, 7, 12, 0));
        g.probe.reason = c.reason;
        ASSERT_EQ(g.gate.countdownEnded(false), AtEnd::Hold);
        g.clock.advance(5);
        ASSERT_EQ(g.gate.whileHeld(false), Held::Wait);
        EXPECT_EQ(g.gate.tipPrefix(false), c.words);
        EXPECT_EQ(g.gate.holdReason(), c.words);
        EXPECT_EQ(statusTip(*g.gate.tipPrefix(false), L"bell.wav"), std::wstring(c.words) + L". Last played: bell.wav");
        // The words follow the latest look: a call that starts during a presentation.
        g.probe.reason = c.reason == BusyReason::Microphone ? BusyReason::FullScreen : BusyReason::Microphone;
        g.clock.advance(1);
        ASSERT_EQ(g.gate.whileHeld(false), Held::Wait);
        EXPECT_EQ(g.gate.tipPrefix(false), L"Held: " + std::wstring(busyWords(g.probe.reason)));
    }
    EXPECT_EQ(busyWords(BusyReason::Free), L"");
}

TEST(BusyRules, TheShellInFrontIsNeverBusy) {
    const wchar_t* const startMenu =
        L"C:\\Windows\\SystemApps\\Microsoft.Windows.StartMenuExperienceHost_cw5n1h2txyewy\\StartMenuExperienceHost.exe";
    struct Case { const wchar_t* className; const wchar_t* program; bool shell; };
    const Case cases[] = {
        {L"Progman", L"", true},
        {L"WorkerW", L"C:\\Windows\\explorer.exe", true},
        {L"Shell_TrayWnd", L"", true},
        {L"Shell_SecondaryTrayWnd", L"", true},
        {L"DV2ControlHost", L"", true},
        {L"progman", L"", true},  // class names are matched as Windows does, without case
        {L"Windows.UI.Core.CoreWindow", startMenu, true},
        {L"Windows.UI.Core.CoreWindow", L"C:\\Windows\\SystemApps\\ShellExperienceHost_cw5n1h2txyewy\\ShellExperienceHost.exe", true},
        {L"Windows.UI.Core.CoreWindow", L"C:\\Windows\\SystemApps\\MicrosoftWindows.Client.CBS_cw5n1h2txyewy\\SearchHost.exe", true},
        {L"Windows.UI.Core.CoreWindow", L"startmenuexperiencehost.exe", true},
        // A store app's own window has the Start menu's class; a full-screen one is busy.
        {L"Windows.UI.Core.CoreWindow", L"C:\\Program Files\\WindowsApps\\Some.Game_1.0_x64\\Game.exe", false},
        {L"Windows.UI.Core.CoreWindow", L"", false},
        {L"UnrealWindow", startMenu, false},
        {L"Chrome_WidgetWin_1", L"", false},
        {L"ProgmanX", L"", false},
        {L"", L"", false},  // no window in front
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::wstring(c.className) + L" / " + c.program);
        const WindowInFront window{c.className, c.program};
        EXPECT_EQ(isShellWindow(window), c.shell);
        for (const BusyReason reason : kBusyStates)
            EXPECT_EQ(busyWithWindowInFront(reason, window), c.shell ? BusyReason::Free : reason);
        EXPECT_EQ(busyWithWindowInFront(BusyReason::Free, window), BusyReason::Free);
    }
}

// The system as the real probe reads it: the shell's state and the window in front.
class ShellProbe : public BusyProbe {
public:
    BusyReason query() override { return busyWithWindowInFront(state, front); }
    BusyReason state = BusyReason::FullScreen;
    WindowInFront front;
};

TEST(PlayGate, TheShellInFrontNeverHolds) {
    // The shell says "full-screen program" throughout, as some systems do for an empty
    // desktop: only the time a real program is in front holds the sound.
    SimClock clock(at(2026, 12, 7, 12, 0));
    ShellProbe probe;
    SettingsModel model;
    PlayGate gate(clock, probe, model);
    const WindowInFront desktop{L"WorkerW", L""}, taskbar{L"Shell_TrayWnd", L""},
        start{kStoreAppWindowClass, L"C:\\Windows\\SystemApps\\x\\StartMenuExperienceHost.exe"},
        game{kStoreAppWindowClass, L"C:\\Program Files\\WindowsApps\\Game\\Game.exe"};

    probe.front = desktop;
    EXPECT_EQ(gate.countdownEnded(false), AtEnd::Play);
    probe.front = taskbar;
    EXPECT_EQ(gate.countdownEnded(false), AtEnd::Play);

    // The game in front for three seconds, then the Start menu: it plays then, unheld.
    probe.front = game;
    ASSERT_EQ(gate.countdownEnded(false), AtEnd::Hold);
    clock.advance(3);
    EXPECT_EQ(gate.whileHeld(false), Held::Wait);
    probe.front = start;
    clock.advance(1);
    EXPECT_EQ(gate.whileHeld(false), Held::Play);
    EXPECT_EQ(gate.holdReason(), std::nullopt);

    // The game for a minute: held, until the user goes to the desktop.
    probe.front = game;
    ASSERT_EQ(gate.countdownEnded(false), AtEnd::Hold);
    for (int second = 1; second <= 60; ++second) {
        clock.advance(1);
        ASSERT_EQ(gate.whileHeld(false), Held::Wait) << second;
    }
    EXPECT_EQ(gate.tipPrefix(false), L"Held: full-screen program");
    probe.front = desktop;
    clock.advance(1);
    EXPECT_EQ(gate.whileHeld(false), Held::Play);
    EXPECT_EQ(gate.holdReason(), L"Held: full-screen program");
}

TEST(PlayGate, HeldSoundIsDroppedAfterTenMinutes) {
    for (const BusyReason reason : kBusyStates) {
        SCOPED_TRACE(static_cast<int>(reason));
        Gate g(at(2026, 12, 7, 12, 0));
        g.probe.reason = reason;
        ASSERT_EQ(g.gate.countdownEnded(false), AtEnd::Hold);
        // The user moving the wall clock does not shorten or lengthen the hold.
        g.clock.setWallClock(at(2026, 12, 7, 9, 0));
        for (int second = 1; second < 600; ++second) {
            g.clock.advance(1);
            ASSERT_EQ(g.gate.whileHeld(false), Held::Wait) << second;
        }
        g.clock.advance(1);
        EXPECT_EQ(g.gate.whileHeld(false), Held::Drop);
        EXPECT_FALSE(g.gate.holding());
        EXPECT_EQ(g.gate.whileHeld(false), Held::Drop);  // nothing held any more
        // The next countdown's end holds again, for ten minutes of its own.
        ASSERT_EQ(g.gate.countdownEnded(false), AtEnd::Hold);
        g.clock.advance(599);
        EXPECT_EQ(g.gate.whileHeld(false), Held::Wait);
    }
}

TEST(PlayGate, HoldEndsWhenMutedQuietOrTurnedOff) {
    ConsiderateSettings s;
    s.quiet = quiet(hm(22, 0), hm(7, 30), kEveryDay);
    struct Case {
        const char* name;
        void (*change)(Gate&);
        bool muted;
        Held verdict;
    };
    const Case cases[] = {
        {"muted", [](Gate&) {}, true, Held::Drop},
        {"quiet hours begin", [](Gate& g) { g.clock.advance(5 * 60); }, false, Held::Drop},
        {"holding turned off", [](Gate& g) { g.gate.setHoldBusy(false); }, false, Held::Play},
        {"still busy", [](Gate&) {}, false, Held::Wait},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Gate g(at(2026, 12, 7, 21, 58), s);
        g.probe.reason = BusyReason::Microphone;
        ASSERT_EQ(g.gate.countdownEnded(false), AtEnd::Hold);
        c.change(g);
        EXPECT_EQ(g.gate.whileHeld(c.muted), c.verdict);
        EXPECT_EQ(g.gate.holding(), c.verdict == Held::Wait);
    }
}

TEST(PlayGate, MuteForExpiresOnceAtItsEnd) {
    Gate g(at(2026, 12, 7, 14, 7, 33));
    EXPECT_FALSE(g.gate.muteForExpired());
    const StampedTime end = g.gate.muteFor(MuteFor::Minutes15);
    EXPECT_EQ(end, (StampedTime{at(2026, 12, 7, 14, 23), 0}));
    EXPECT_EQ(g.gate.mutedUntil(), end);
    EXPECT_EQ(g.gate.tipPrefix(true), L"Muted until 14:23");
    g.clock.advance(15 * 60 + 26);  // 14:22:59
    EXPECT_FALSE(g.gate.muteForExpired());
    g.clock.advance(1);
    EXPECT_TRUE(g.gate.muteForExpired());
    EXPECT_FALSE(g.gate.muteForExpired());
    EXPECT_EQ(g.gate.mutedUntil(), std::nullopt);
    EXPECT_EQ(g.gate.tipPrefix(true), std::nullopt);  // a plain mute's tip
}

TEST(PlayGate, UserMuteCancelsMuteFor) {
    Gate g(at(2026, 12, 7, 14, 0));
    g.gate.muteFor(MuteFor::Hours4);
    g.clock.advance(60);
    g.gate.cancelMuteFor();
    EXPECT_EQ(g.gate.mutedUntil(), std::nullopt);
    EXPECT_EQ(g.gate.tipPrefix(true), std::nullopt);
    g.clock.advance(5 * 3600);
    EXPECT_FALSE(g.gate.muteForExpired());  // nothing left to clear the user's mute
}

TEST(PlayGate, MuteForSurvivesARestart) {
    test::FakeStore store;
    {
        Gate before(at(2026, 12, 7, 22, 40), loadConsiderateSettings(store));
        saveMuteUntil(store, before.gate.muteFor(MuteFor::Hour1));
    }
    EXPECT_EQ(store.get(settingKey(kMuteUntilSetting), L"String"), L"2026-12-07 23:40+00:00");

    struct Case { const char* name; LocalTime restart; bool over; };
    const Case cases[] = {
        {"restarted before the end", at(2026, 12, 7, 23, 0), false},
        {"restarted after the end", at(2026, 12, 8, 9, 0), true},
        {"clock put back three days", at(2026, 12, 4, 23, 0), true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Gate after(c.restart, loadConsiderateSettings(store));
        EXPECT_EQ(after.gate.muteForExpired(), c.over);
        EXPECT_EQ(after.gate.mutedUntil().has_value(), !c.over);
        if (!c.over) {
            EXPECT_EQ(after.gate.tipPrefix(true), L"Muted until 23:40");
            after.clock.advance(40 * 60);
            EXPECT_TRUE(after.gate.muteForExpired());
        }
    }
}

// A mute for that is not over a second before this many seconds from now, and is then.
void expectOverAfter(Gate& g, std::int64_t seconds) {
    g.clock.advance(seconds - 1);
    EXPECT_FALSE(g.gate.muteForExpired());
    g.clock.advance(1);
    EXPECT_TRUE(g.gate.muteForExpired());
}

// Europe/London in 2026: the clocks go forward at 01:00 on 29 March (01:00 GMT is 02:00
// BST) and back at 02:00 on 25 October (02:00 BST is 01:00 GMT). A mute for hours lasts
// those hours of real time; tomorrow morning is 08:00 on the wall clock.
TEST(PlayGate, MuteForAcrossADaylightSavingChangeEndsAtTheRightMoment) {
    struct Case {
        const char* name;
        MuteFor choice;
        LocalTime start;  // on the London wall clock
        const wchar_t* stored;
        int minutes;  // of real time until it is over
    };
    const Case cases[] = {
        {"1 h into summer time", MuteFor::Hour1, at(2026, 3, 29, 0, 30), L"2026-03-29 02:30+01:00", 60},
        {"15 min over the skipped hour", MuteFor::Minutes15, at(2026, 3, 29, 0, 50), L"2026-03-29 02:05+01:00", 15},
        {"4 h into summer time", MuteFor::Hours4, at(2026, 3, 28, 23, 10), L"2026-03-29 04:10+01:00", 240},
        {"morning after the clocks go forward", MuteFor::TomorrowMorning, at(2026, 3, 28, 22, 0),
         L"2026-03-29 08:00+01:00", 9 * 60},
        {"1 h back into winter time", MuteFor::Hour1, at(2026, 10, 25, 1, 30), L"2026-10-25 01:30+00:00", 60},
        {"4 h back into winter time", MuteFor::Hours4, at(2026, 10, 24, 23, 0), L"2026-10-25 02:00+00:00", 240},
        {"morning after the clocks go back", MuteFor::TomorrowMorning, at(2026, 10, 24, 22, 0),
         L"2026-10-25 08:00+00:00", 11 * 60},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        test::FakeStore store;
        {
            Gate g(c.start, {}, test::london);
            saveMuteUntil(store, g.gate.muteFor(c.choice));
        }
        EXPECT_EQ(store.get(settingKey(kMuteUntilSetting), L"String"), c.stored);
        // Read back as after a restart, and followed minute by minute through the change.
        Gate g(c.start, loadConsiderateSettings(store), test::london);
        const std::wstring tip = std::wstring(L"Muted until ") + std::wstring(c.stored).substr(11, 5);
        for (int minute = 0; minute + 1 < c.minutes; ++minute) {
            ASSERT_EQ(g.gate.tipPrefix(true), tip) << minute;
            ASSERT_FALSE(g.gate.muteForExpired()) << minute;
            g.clock.advance(60);
        }
        EXPECT_EQ(g.gate.tipPrefix(true), tip);
        expectOverAfter(g, 60);
    }
}

// The form stored before ("2026-03-29 02:30") is the moment the wall clock shows it.
TEST(PlayGate, AnEndStoredWithoutAnOffsetIsLocalTime) {
    struct Case {
        const char* name;
        LocalTime start;
        const wchar_t* stored;
        int minutes;
        const wchar_t* tip;
    };
    const Case cases[] = {
        {"in summer time", at(2026, 3, 29, 0, 30), L"2026-03-29 02:30", 60, L"Muted until 02:30"},
        {"in the skipped hour: as if not yet forward", at(2026, 3, 29, 0, 50), L"2026-03-29 01:30", 40,
         L"Muted until 02:30"},
        {"in the hour that comes twice: the first", at(2026, 10, 25, 0, 50), L"2026-10-25 01:30", 40,
         L"Muted until 01:30"},
        {"on a plain day", at(2026, 12, 7, 14, 0), L"2026-12-07 14:45", 45, L"Muted until 14:45"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        test::FakeStore store;
        store.setSetting(kMuteUntilSetting, c.stored);
        Gate g(c.start, loadConsiderateSettings(store), test::london);
        EXPECT_EQ(g.gate.tipPrefix(true), c.tip);
        expectOverAfter(g, c.minutes * 60);
    }
}

// A new time zone moves the wall clock: the quiet hours follow it at once, the end of a
// mute for stays the same moment and the tip shows it on the new clock.
TEST(PlayGate, ATimeZoneChangeIsJudgedAtOnce) {
    ConsiderateSettings s;
    s.quiet = quiet(hm(15, 0), hm(16, 0), kEveryDay);
    Gate g(at(2026, 12, 7, 14, 30), s);  // UTC
    g.gate.muteFor(MuteFor::Hour1);
    EXPECT_EQ(g.gate.tipPrefix(true), L"Muted until 15:30");
    EXPECT_EQ(g.gate.tipPrefix(false), std::nullopt);
    g.clock.setZone([](std::int64_t) { return 60; });  // now 15:30 on the wall
    EXPECT_EQ(g.gate.tipPrefix(true), L"Muted until 16:30");
    EXPECT_EQ(g.gate.tipPrefix(false), L"Quiet until 16:00");
    EXPECT_EQ(g.gate.countdownEnded(false), AtEnd::Silent);
    expectOverAfter(g, 60 * 60);
}

// The tip's words and the tray icon's image for each state, by the same precedence: a
// muted program shows muted whatever the hours; a hold has words but no image of its own.
TEST(PlayGate, TipAndIconPrecedence) {
    ConsiderateSettings s;
    s.quiet = quiet(hm(22, 0), hm(7, 30), kEveryDay);
    struct Case {
        const char* name;
        LocalTime now;
        bool muted, muteFor, busy;
        std::optional<std::wstring> prefix;
        IconState icon;
    };
    const Case cases[] = {
        {"nothing on", at(2026, 12, 7, 12, 0), false, false, false, std::nullopt, IconState::Normal},
        {"plain mute", at(2026, 12, 7, 12, 0), true, false, false, std::nullopt, IconState::Muted},
        {"mute for", at(2026, 12, 7, 12, 0), true, true, false, L"Muted until 13:00", IconState::Muted},
        {"mute for, in quiet", at(2026, 12, 7, 23, 0), true, true, false, L"Muted until 00:00", IconState::Muted},
        {"plain mute, in quiet", at(2026, 12, 7, 23, 0), true, false, false, std::nullopt, IconState::Muted},
        {"quiet", at(2026, 12, 7, 23, 0), false, false, false, L"Quiet until 07:30", IconState::Quiet},
        {"quiet, its last second", at(2026, 12, 8, 7, 29, 59), false, false, false, L"Quiet until 07:30",
         IconState::Quiet},
        {"quiet just over", at(2026, 12, 8, 7, 30), false, false, false, std::nullopt, IconState::Normal},
        {"held", at(2026, 12, 7, 12, 0), false, false, true, L"Held: full-screen program", IconState::Normal},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Gate g(c.now, s);
        if (c.muteFor) g.gate.muteFor(MuteFor::Hour1);
        g.probe.reason = c.busy ? BusyReason::FullScreen : BusyReason::Free;
        if (g.gate.countdownEnded(c.muted) == AtEnd::Hold) {
            g.clock.advance(5);
            g.gate.whileHeld(c.muted);
        }
        EXPECT_EQ(g.gate.tipPrefix(c.muted), c.prefix);
        EXPECT_EQ(g.gate.iconState(c.muted), c.icon);
    }
    // Quiet hours turned off show the plain image in what were its hours.
    Gate off(at(2026, 12, 7, 23, 0));
    EXPECT_EQ(off.gate.iconState(false), IconState::Normal);
}

TEST(PlayGate, TipsAreCutToTheTipsLength) {
    const std::wstring name(80, L'x');
    for (const wchar_t* prefix : {L"Quiet until 07:30", L"Held: microphone in use", L"Muted until 14:30",
                                  L"MUTED!", L"123 secs to go"}) {
        SCOPED_TRACE(prefix);
        EXPECT_EQ(statusTip(prefix, L"bell.wav"), std::wstring(prefix) + L". Last played: bell.wav");
        const std::wstring tip = statusTip(prefix, name);
        EXPECT_EQ(tip.size(), 63u);
        EXPECT_EQ(tip.substr(0, std::wcslen(prefix) + 15), std::wstring(prefix) + L". Last played: ");
    }
}

}  // namespace
}  // namespace zt
