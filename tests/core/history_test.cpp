#include "core/history.h"

#include "considerate_fakes.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace zt {
namespace {

using test::at;
using test::SimClock;

TEST(HistoryWords, EveryEventInWords) {
    struct Case {
        HistoryEntry entry;
        const wchar_t* words;
    } const cases[] = {
        {{HistoryEvent::Played, L"bell.wav"}, L"played"},
        {{HistoryEvent::TestPlay, L"bell.wav"}, L"test play"},
        {{HistoryEvent::PlayNow, L"bell.wav"}, L"play one now"},
        {{HistoryEvent::StartupSound, L"startup.wav"}, L"start-up sound"},
        {{HistoryEvent::Muted}, L"muted"},
        {{HistoryEvent::Quiet, {}, L"07:30"}, L"quiet hours until 07:30"},
        {{HistoryEvent::Quiet}, L"quiet hours"},  // quiet for over a week: no end to name
        {{HistoryEvent::HeldPlayed, L"bell.wav", {}, 125}, L"held while busy, then played after 2 minutes"},
        {{HistoryEvent::HeldPlayed, L"bell.wav", {}, 1}, L"held while busy, then played after 1 second"},
        {{HistoryEvent::HeldPlayed, L"bell.wav", {}, 40}, L"held while busy, then played after 40 seconds"},
        {{HistoryEvent::HeldPlayed, L"bell.wav", L"full-screen program", 60},
         L"held while busy (full-screen program), then played after 1 minute"},
        {{HistoryEvent::HeldDropped, {}, {}, 601}, L"held while busy, dropped after 10 minutes"},
        {{HistoryEvent::HeldDropped, {}, {}, 90}, L"held while busy, dropped after 2 minutes"},  // to the nearest
        {{HistoryEvent::Skipped}, L"skipped"},
        {{HistoryEvent::Stopped, L"bell.wav"}, L"stopped by the user"},
        {{HistoryEvent::CouldNotPlay, L"bad.mp3", L"the file is damaged"}, L"could not play: the file is damaged"},
        {{HistoryEvent::CouldNotPlay, L"bad.mp3"}, L"could not play"},
        {{HistoryEvent::DefaultDevice, L"bell.wav"},
         L"played on the default device because the chosen one was missing"},
        {{HistoryEvent::CutShort, L"bell.wav", L"Speakers is no longer available"},
         L"cut short: Speakers is no longer available"},
    };
    for (const auto& c : cases) EXPECT_EQ(historyWords(c.entry), c.words);
}

TEST(History, NewestFirstStampedWithTheClockAndToldToTheListener) {
    SimClock clock(at(2026, 3, 29, 1, 59, 30));
    History history(clock);
    std::vector<std::wstring> told;
    history.onAdded([&](const HistoryEntry& e) { told.push_back(e.file); });
    history.add(HistoryEvent::Played, L"a.wav");
    clock.advance(45);
    history.add(HistoryEvent::Stopped, L"a.wav");
    ASSERT_EQ(history.entries().size(), 2u);
    EXPECT_EQ(history.entries()[0].what, HistoryEvent::Stopped);
    EXPECT_EQ(history.entries()[0].time, at(2026, 3, 29, 2, 0, 15));
    EXPECT_EQ(history.entries()[1].time, at(2026, 3, 29, 1, 59, 30));
    EXPECT_EQ(told, (std::vector<std::wstring>{L"a.wav", L"a.wav"}));
}

TEST(History, KeepsTheNewest500) {
    SimClock clock(at(2026, 12, 7, 14, 0));
    History history(clock);
    std::size_t told = 0;
    history.onAdded([&](const HistoryEntry&) { ++told; });
    for (int i = 0; i < 1234; ++i) {
        history.add(HistoryEvent::Played, std::to_wstring(i) + L".wav");
        clock.advance(1);
        ASSERT_EQ(history.entries().size(), std::min<std::size_t>(static_cast<std::size_t>(i) + 1, 500));
    }
    EXPECT_EQ(history.entries().front().file, L"1233.wav");
    EXPECT_EQ(history.entries().back().file, L"734.wav");
    EXPECT_EQ(told, 1234u);
}

TEST(HistoryTable, HeaderThenOneTabSeparatedLinePerEntryNewestFirst) {
    SimClock clock(at(2026, 12, 7, 14, 0));
    History history(clock);
    history.add(HistoryEvent::Quiet, {}, L"07:30");
    clock.advance(61);
    history.add(HistoryEvent::CouldNotPlay, L"odd\tname.wav", L"line one\r\nline two");
    const auto stamp = [](const LocalTime& t) { return formatStamp(t); };
    EXPECT_EQ(historyTable(history.entries(), stamp),
              L"Time\tFile\tWhat happened\r\n"
              L"2026-12-07 14:01\todd name.wav\tcould not play: line one  line two\r\n"
              L"2026-12-07 14:00\t\tquiet hours until 07:30\r\n");
    EXPECT_EQ(historyTable({}, stamp), L"Time\tFile\tWhat happened\r\n");
}

}  // namespace
}  // namespace zt
