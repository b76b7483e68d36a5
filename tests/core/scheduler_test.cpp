#include "core/scheduler.h"

#include "common/random.h"
#include "common/wait.h"
#include "core/history.h"
#include "core/run_driver.h"
#include "considerate_fakes.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cwchar>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace zt {
namespace {

constexpr float kJustBelowOne = 1.0f - 1.0f / 16777216.0f;

// Simulated time: sleeping advances a clock; each pass over events runs the actions that
// are due, then the per-pass hook.
class FakeWaiter : public Waiter {
public:
    void sleepMs(int ms) override {
        if (onCall) onCall();
        nowMs += ms;
    }
    void processEvents() override {
        if (onCall) onCall();
        ++passes;
        while (!due.empty() && due.begin()->first <= nowMs) {
            auto action = std::move(due.begin()->second);
            due.erase(due.begin());
            action();
        }
        if (onEvents) onEvents();
    }
    std::int64_t clockMs() override { return nowMs; }
    void at(long long ms, std::function<void()> action) { due.emplace(ms, std::move(action)); }

    long long nowMs = 0;
    long long passes = 0;
    std::multimap<long long, std::function<void()>> due;
    std::function<void()> onEvents;
    std::function<void()> onCall;
};

// The main window as the scheduler sees it (its status view and its sound folder, the
// delay box showing the settings model's delay) with a number format, recording what it was
// told.
class FakeHost : public StatusView, public SoundFolder, public NumberFormat {
public:
    explicit FakeHost(FakeWaiter& waiter) : waiter_(waiter) {
        model.setDelay(delay, 1);  // the box shows "1" and counts it
        model.listen([this](const SettingsModel::Change& change) {
            // The box shows a new delay of the model's, and runs its change handling.
            if (change.field != SettingsModel::Field::delay || model.value().delayText == delay) return;
            call();
            delaySets.push_back({model.value().delayText, waiter_.nowMs});
            typeDelay(model.value().delayText);
        });
    }
    void showCountdown(std::int32_t seconds) override {
        call();
        const std::wstring text = std::to_wstring(seconds);
        countdown = text;
        log.push_back(L"count " + text);
        if (fresh_) intervals.push_back(std::stoi(text));
        fresh_ = false;
    }
    void showTip(const std::wstring& text) override {
        call();
        tips.push_back(text);
    }
    void showState(const std::wstring& text) override {
        call();
        state = text;
        if (states.empty() || states.back() != text) states.push_back(text);
    }
    void refresh() override {
        call();
        list = disk;
        log.push_back(L"refresh");
        refreshTimes.push_back(waiter_.nowMs);
        fresh_ = true;
        if (onRefresh) onRefresh();
    }
    int count() const override { return static_cast<int>(list.size()); }
    std::wstring entry(int index) const override {
        return index >= 0 && index < count() ? list[static_cast<std::size_t>(index)] : std::wstring();
    }
    std::wstring path() const override { return folder; }
    void showStatusNow(const std::wstring& text) override {
        call();
        label3 = text;
        log.push_back(L"repaint");
    }
    void playsound(const std::wstring& path) {
        call();
        log.push_back(L"play " + path);
        plays.push_back({path, waiter_.nowMs});
        if (onPlay) onPlay(path);
    }
    std::optional<double> read(const std::wstring& text) const override {
        std::wstring t = text;
        if (thousands) t.erase(std::remove(t.begin(), t.end(), thousands), t.end());
        if (decimalPoint != L'.') {
            if (t.find(L'.') != std::wstring::npos) return std::nullopt;
            std::replace(t.begin(), t.end(), decimalPoint, L'.');
        }
        const wchar_t* begin = t.c_str();
        wchar_t* end = nullptr;
        const double value = std::wcstod(begin, &end);
        if (end == begin) return std::nullopt;
        while (*end == L' ') ++end;
        if (*end != L'\0' || !std::isfinite(value)) return std::nullopt;
        return value;
    }
    std::wstring write(double value) const override {
        wchar_t buffer[32];
        std::swprintf(buffer, 32, L"%g", value);
        std::wstring text = buffer;
        std::replace(text.begin(), text.end(), L'.', decimalPoint);
        return text;
    }

    wchar_t decimalSeparator() const override { return decimalPoint; }

    void showDelayTip(const std::wstring& text) override {
        call();
        delayTips.push_back({text, waiter_.nowMs});
    }

    // The user (or the scheduler) changes the delay box: the change handler runs.
    void typeDelay(const std::wstring& text) {
        delay = text;
        if (!scheduler) return;
        scheduler->setDelayText(text);
        ++delayDepth;
        scheduler->delayChanged();
        --delayDepth;
    }
    // The box's text replaced without its change handling running.
    void putDelay(const std::wstring& text) {
        delay = text;
        if (scheduler) scheduler->setDelayText(text);
    }

    std::size_t refreshes() const { return refreshTimes.size(); }
    void clearRecords() {
        log.clear();
        intervals.clear();
        refreshTimes.clear();
        delaySets.clear();
        delayTips.clear();
        plays.clear();
        tips.clear();
        states.clear();
        fresh_ = true;
    }

    struct Timed {
        std::wstring text;
        long long atMs;
    };

    SettingsModel model;
    std::wstring delay = L"1";  // the box
    std::wstring countdown;
    std::wstring label3;
    std::wstring folder = L"C:\\Sounds";
    wchar_t decimalPoint = L'.';
    wchar_t thousands = 0;  // read anywhere in a number, as the platform does
    std::vector<std::wstring> disk, list;
    std::wstring state;                          // the state line
    std::vector<std::wstring> tips, log, states;  // states: each new text of the state line
    std::vector<Timed> plays, delaySets, delayTips;
    std::vector<int> intervals;  // the first countdown value of each cycle
    std::vector<long long> refreshTimes;
    Scheduler* scheduler = nullptr;
    int delayDepth = 0;  // delay handlers in progress, inside each other
    std::function<void()> onRefresh;
    std::function<void()> onCall;
    std::function<void(const std::wstring& path)> onPlay;

private:
    void call() {
        if (onCall) onCall();
    }
    FakeWaiter& waiter_;
    bool fresh_ = true;
};

class SchedulerTest : public ::testing::Test {
protected:
    SchedulerTest() {
        host.scheduler = &scheduler;
        // How many delay handlers were waiting inside each other at the deepest wait.
        waiter.onCall = [this] { maxDelayDepth = std::max(maxDelayDepth, host.delayDepth); };
    }

    void setMuted(bool muted) {
        host.model.set(Toggle::mute, muted);
    }
    // Runs the loop until the condition holds at one of its checks, or gives up after a
    // working day of simulated time (or the time given) so that a broken loop fails instead
    // of hanging.
    void runUntil(std::function<bool()> condition, long long giveUpAfterMs = 8LL * 3600 * 1000) {
        const long long giveUpAt = waiter.nowMs + giveUpAfterMs;
        bool gaveUp = false;
        stop = [&] { return condition() || (gaveUp = waiter.nowMs > giveUpAt); };
        scheduler.run();
        ASSERT_FALSE(gaveUp) << "the condition never came true";
    }

    FakeWaiter waiter;
    FakeHost host{waiter};
    int maxDelayDepth = 0;
    Random random{20240601};
    std::function<bool()> stop = [] { return true; };
    Scheduler scheduler{{host.model, host, host, host, waiter, random, [this](const std::wstring& path) { host.playsound(path); },
                         [this] { return stop(); }}};
};

TEST(SchedulerArithmetic, IntervalCoversThreeToFiveQuartersOfTheDelay) {
    struct Case {
        double delay;
        float r;
        std::int32_t seconds;
    } const cases[] = {
        {1, 0.0f, 45},
        {1, kJustBelowOne, 75},
        {1, 0.5f, 60},
        // 0.1 is stored a little above a tenth: its lowest draw is 4.500000000000001.
        {0.1, 0.0f, 5},
        {0.1, kJustBelowOne, 7},
        {0.5, 0.0f, 22},  // 22.5: halves go to even
        {1.5, 0.0f, 68},  // 67.5
        {2.5, 0.5f, 150},
        {-1, 0.0f, -45},
    };
    for (const auto& c : cases)
        EXPECT_EQ(intervalSeconds(c.delay, c.r), c.seconds) << c.delay << " " << c.r;
    EXPECT_EQ(intervalSeconds(1e12, 0.5f), std::nullopt);
    EXPECT_EQ(intervalSeconds(-1e12, 0.5f), std::nullopt);
    EXPECT_EQ(intervalSeconds(NAN, 0.5f), std::nullopt);
}

TEST(SchedulerArithmetic, PickIndexStaysInTheList) {
    struct Case {
        std::int16_t count;
        float r;
        std::int16_t index;
    } const cases[] = {
        {1, 0.0f, 0},      {1, kJustBelowOne, 0}, {2, 0.5f, 0},           {2, 0.51f, 1},
        {3, 0.25f, 0},     {3, 0.26f, 1},         {3, 0.75f, 2},          {3, kJustBelowOne, 2},
        {32767, 0.0f, 0},  {32767, kJustBelowOne, 32766},
    };
    for (const auto& c : cases) EXPECT_EQ(pickIndex(c.count, c.r), c.index) << c.count << " " << c.r;
}

TEST_F(SchedulerTest, CountsDownOneValueASecondThenPlays) {
    host.disk = {L"bell.wav"};
    runUntil([&] { return host.plays.size() == 2; });

    const auto intervals = host.intervals;
    ASSERT_GE(intervals.size(), 2u);
    const int first = intervals[0];
    ASSERT_GE(first, 45);
    ASSERT_LE(first, 75);
    EXPECT_EQ(host.plays[0].atMs, first * 1000LL);
    EXPECT_EQ(host.plays[0].text, L"C:\\Sounds\\bell.wav");
    EXPECT_EQ(host.plays[1].atMs, (first + intervals[1]) * 1000LL);

    // N, N-1, ..., 0, then a refresh, the name painted, and the sound.
    for (int i = 0; i <= first; ++i)
        EXPECT_EQ(host.log[static_cast<std::size_t>(i)], L"count " + std::to_wstring(first - i));
    EXPECT_EQ(host.log[static_cast<std::size_t>(first) + 1], L"refresh");
    EXPECT_EQ(host.log[static_cast<std::size_t>(first) + 2], L"repaint");
    EXPECT_EQ(host.log[static_cast<std::size_t>(first) + 3], L"play C:\\Sounds\\bell.wav");

    EXPECT_EQ(host.tips[0], std::to_wstring(first) + L" secs to go. Last played: ");
    EXPECT_EQ(host.tips.back(), L"0 secs to go. Last played: bell.wav");
    EXPECT_EQ(scheduler.lastPlayed, L"bell.wav");
    EXPECT_EQ(host.label3, L"Last played: bell.wav");
}

TEST_F(SchedulerTest, KeepsTimeWhenEventsTakeTimeAndGoesOnAfterAHoldUp) {
    host.disk = {L"bell.wav"};
    // Every pass over the events costs 30 ms: the values still change on the second.
    waiter.onEvents = [&] { waiter.nowMs += 30; };
    runUntil([&] { return host.plays.size() == 1; });
    const int first = host.intervals[0];
    EXPECT_EQ(host.plays[0].atMs / 1000, first);
    EXPECT_LT(host.plays[0].atMs % 1000, 100);

    // Held up 5 s inside one pass (a test play from the list): the count goes on from
    // there, a second per value, rather than running the missed values down at once.
    host.clearRecords();
    waiter.onEvents = nullptr;
    const long long start = waiter.nowMs;
    waiter.at(start + 3'050, [&] { waiter.nowMs += 5'000; });
    runUntil([&] { return host.plays.size() == 1; });
    const int second = host.intervals[0];
    EXPECT_EQ(host.plays[0].atMs - start, second * 1000LL + 4'100);
    for (int i = 0; i <= second; ++i)
        EXPECT_EQ(host.log[static_cast<std::size_t>(i)], L"count " + std::to_wstring(second - i));
}

TEST_F(SchedulerTest, IntervalsSpreadOverTheDelayRange) {
    setMuted(true);  // faster: nothing to play
    struct Case {
        const wchar_t* delay;
        int low, high;
    } const cases[] = {{L"1", 45, 75}, {L"0.1", 4, 7}};
    for (const auto& c : cases) {
        host.clearRecords();
        host.putDelay(c.delay);
        runUntil([&] { return host.refreshes() == 300; });
        const auto intervals = host.intervals;
        const auto [low, high] = std::minmax_element(intervals.begin(), intervals.end());
        EXPECT_GE(*low, c.low) << c.delay;
        EXPECT_LE(*high, c.high) << c.delay;
        EXPECT_LE(*low, c.low + 2) << c.delay;
        EXPECT_EQ(*high, c.high) << c.delay;
    }
}

TEST_F(SchedulerTest, PickSharesFavourInnerEntries) {
    struct Case {
        std::vector<std::wstring> files;
        std::vector<double> shares;
    } const cases[] = {
        {{L"a.wav"}, {1.0}},
        {{L"a.wav", L"b.wav"}, {0.5, 0.5}},
        {{L"a.wav", L"b.wav", L"c.mp3"}, {0.25, 0.5, 0.25}},
    };
    constexpr int kDraws = 40'000;
    for (const auto& c : cases) {
        host.list = c.files;
        host.plays.clear();
        for (int i = 0; i < kDraws; ++i) scheduler.playRandomFile();
        ASSERT_EQ(host.plays.size(), static_cast<std::size_t>(kDraws));
        for (std::size_t f = 0; f < c.files.size(); ++f) {
            const auto hits = std::count_if(host.plays.begin(), host.plays.end(), [&](const auto& p) {
                return p.text == L"C:\\Sounds\\" + c.files[f];
            });
            EXPECT_NEAR(static_cast<double>(hits) / kDraws, c.shares[f], 0.01) << c.files[f];
        }
    }
}

// Avoid repeats: the plays through the scheduler, folder changes and muted ends included.
TEST_F(SchedulerTest, AvoidRepeatsPlaysEachFileOnceBeforeAnyPlaysAgain) {
    host.model.set(Toggle::noRepeat, true);
    host.list = {L"a.wav", L"b.wav", L"c.mp3", L"d.wav"};
    std::vector<std::wstring> heard;
    std::size_t bagStart = 0;
    for (int i = 0; i < 10'000; ++i) {
        if (i == 5'001) {  // mid-bag: a file added, another gone
            host.list = {L"a.wav", L"c.mp3", L"d.wav", L"e.wav", L"f.wav"};
            bagStart = heard.size();
        }
        // Muted ends between the plays: they take no file out of the bag.
        setMuted(true);
        for (int m = 0; m < i % 3; ++m) scheduler.playRandomFile();
        setMuted(false);
        scheduler.playRandomFile();
        ASSERT_EQ(host.plays.size(), heard.size() + 1);
        heard.push_back(host.plays.back().text.substr(std::wstring(L"C:\\Sounds\\").size()));
        ASSERT_EQ(heard.back(), scheduler.lastPlayed);
        if (heard.size() > 1) {
            ASSERT_NE(heard.back(), heard[heard.size() - 2]) << "play " << i;
        }
        const auto bagSize = host.list.size();
        if (heard.size() - bagStart == bagSize) {
            const std::set<std::wstring> bag(heard.begin() + static_cast<std::ptrdiff_t>(bagStart), heard.end());
            ASSERT_EQ(bag, std::set<std::wstring>(host.list.begin(), host.list.end())) << "play " << i;
            bagStart = heard.size();
        }
    }
}

TEST_F(SchedulerTest, WithoutAvoidRepeatsThePickIsTodaysDrawEvenWhenMuted) {
    host.list = {L"a.wav", L"b.wav", L"c.mp3", L"d.wav", L"e.wav"};
    Random same{20240601};
    for (int i = 0; i < 2'000; ++i) {
        setMuted(i % 5 == 0);  // a muted end draws and drops its pick, as it always did
        const auto plays = host.plays.size();
        scheduler.playRandomFile();
        const std::wstring expected = host.list[static_cast<std::size_t>(pickIndex(5, same.next()))];
        if (i % 5 == 0) {
            ASSERT_EQ(host.plays.size(), plays);
        } else {
            ASSERT_EQ(host.plays.back().text, L"C:\\Sounds\\" + expected) << "pick " << i;
        }
    }
}

TEST_F(SchedulerTest, MutedCountsOnButPlaysNothing) {
    host.disk = {L"a.wav"};
    scheduler.lastPlayed = L"bell.wav";
    host.label3 = L"Last played: bell.wav";
    setMuted(true);
    runUntil([&] { return host.refreshes() == 3; });
    EXPECT_TRUE(host.plays.empty());
    EXPECT_EQ(scheduler.lastPlayed, L"bell.wav");
    EXPECT_EQ(host.label3, L"Last played: bell.wav");
    EXPECT_EQ(host.countdown, L"0");
    ASSERT_FALSE(host.tips.empty());
    for (const auto& tip : host.tips) EXPECT_EQ(tip, L"MUTED!. Last played: bell.wav");

    // Unmuted again: the next cycle plays.
    setMuted(false);
    runUntil([&] { return host.plays.size() == 1; });
    EXPECT_EQ(scheduler.lastPlayed, L"a.wav");
}

TEST_F(SchedulerTest, DelayEditEndsTheCountdownAtTheNextSecondWithoutASound) {
    host.disk = {L"a.wav"};
    waiter.at(10'050, [&] { host.typeDelay(L"2"); });
    runUntil([&] { return host.intervals.size() == 2; });

    EXPECT_TRUE(host.plays.empty());
    EXPECT_FALSE(scheduler.restartPending());
    const auto intervals = host.intervals;
    // The edit ran at the 10.1 s pass and waited one step; the second still ends on time.
    ASSERT_EQ(host.refreshes(), 1u);
    EXPECT_EQ(host.refreshTimes[0], 11'000);
    const auto refresh = std::find(host.log.begin(), host.log.end(), L"refresh");
    EXPECT_EQ(*(refresh - 1), L"count " + std::to_wstring(intervals[0] - 11));
    EXPECT_GE(intervals[1], 90);
    EXPECT_LE(intervals[1], 150);
}

TEST_F(SchedulerTest, UnusableDelayEditsBecomeTheFloorAfterAboutFiveSeconds) {
    setMuted(true);
    for (const wchar_t* typed : {L"0", L"abc", L"-3", L""}) {
        host.clearRecords();
        host.putDelay(L"1");
        const long long editAt = waiter.nowMs + 2'050;
        waiter.at(editAt, [&] { host.typeDelay(typed); });
        runUntil([&] { return host.intervals.size() == 2; });

        EXPECT_EQ(host.delay, L"0.1") << typed;
        ASSERT_EQ(host.delaySets.size(), 1u) << typed;
        EXPECT_EQ(host.delaySets[0].atMs, editAt + 50 + 5'000) << typed;
        EXPECT_GE(host.intervals[1], 4) << typed;
        EXPECT_LE(host.intervals[1], 7) << typed;
    }
}

TEST_F(SchedulerTest, EditsDuringTheDelayWaitRestartItInsteadOfNesting) {
    setMuted(true);
    // Keys arriving at every pass, several per pass, or now and then: 200 characters each.
    for (const int keysPerPass : {1, 4, 0}) {
        host.clearRecords();
        host.putDelay(L"");
        maxDelayDepth = 0;
        int typed = 0, passes = 0;
        waiter.onEvents = [&] {
            ++passes;
            const int keys = keysPerPass > 0 ? keysPerPass : (passes % 7 == 0 ? 1 : 0);
            for (int k = 0; k < keys && typed < 200; ++k) {
                ++typed;
                host.typeDelay(host.delay + L"x");  // never a number
            }
        };
        runUntil([&] { return typed >= 200 && host.intervals.size() == 2; });
        waiter.onEvents = nullptr;
        EXPECT_EQ(maxDelayDepth, 1) << keysPerPass;
        // One floor, about five seconds after the last key.
        ASSERT_EQ(host.delaySets.size(), 1u) << keysPerPass;
        EXPECT_EQ(host.delay, L"0.1");
        EXPECT_GE(host.intervals[1], 4);
        EXPECT_LE(host.intervals[1], 7);
    }
}

TEST_F(SchedulerTest, AnEditDuringTheDelayWaitWaitsAfreshForTheNewText) {
    setMuted(true);
    waiter.at(2'050, [&] { host.typeDelay(L"0"); });
    waiter.at(4'050, [&] { host.typeDelay(L"abc"); });
    runUntil([&] { return host.intervals.size() == 2; });
    ASSERT_EQ(host.delaySets.size(), 1u);
    EXPECT_EQ(host.delaySets[0].atMs, 4'100 + 5'000);
    EXPECT_EQ(maxDelayDepth, 1);
}

TEST_F(SchedulerTest, SmallDelayIsRaisedAfterOneStep) {
    setMuted(true);
    waiter.at(1'050, [&] { host.typeDelay(L"0.05"); });
    runUntil([&] { return host.intervals.size() == 2; });
    ASSERT_EQ(host.delaySets.size(), 1u);
    EXPECT_EQ(host.delaySets[0].atMs, 1'200);
    EXPECT_EQ(host.delay, L"0.1");
}

TEST_F(SchedulerTest, ADecimalCommaIsReadAndTheFloorIsWrittenWithIt) {
    setMuted(true);
    host.decimalPoint = L',';
    waiter.at(1'050, [&] { host.typeDelay(L"0"); });
    runUntil([&] { return host.intervals.size() == 2; });
    ASSERT_EQ(host.delaySets.size(), 1u);
    EXPECT_EQ(host.delay, L"0,1");
    EXPECT_GE(host.intervals[1], 4);
    EXPECT_LE(host.intervals[1], 7);

    // "0,2" is the user's own way to write 0.2: kept, and counted as 12 s on average.
    host.clearRecords();
    const long long typedAt = waiter.nowMs + 1'050;
    waiter.at(typedAt, [&] { host.typeDelay(L"0,2"); });
    runUntil([&] { return host.intervals.size() == 2; });
    EXPECT_TRUE(host.delaySets.empty());
    EXPECT_EQ(host.delay, L"0,2");
    EXPECT_GE(host.intervals[1], 9);
    EXPECT_LE(host.intervals[1], 15);
}

TEST_F(SchedulerTest, DelayEditsTellWhatIsCountedWhenTheTextDoesNotShowIt) {
    setMuted(true);
    host.thousands = L',';
    struct Case {
        const wchar_t* typed;
        const wchar_t* tip;  // nullptr: none
        long long afterMs;   // how long after the edit it comes
        int low, high;       // the next countdown
    } const cases[] = {
        {L"2", nullptr, 0, 90, 150},
        {L"1,5", L"Counting 15 minutes", 100, 675, 1125},
        {L" 3 ", nullptr, 0, 135, 225},
        {L"1 5", L"Counting 3 minutes", 100, 135, 225},  // not a number: the last usable one
        {L"abc", L"Counting 0.1 minutes", 5'000, 4, 7},  // the floor, set without a wait of its own
    };
    for (const auto& c : cases) {
        host.clearRecords();
        const long long editAt = waiter.nowMs + 1'050;
        waiter.at(editAt, [&] { host.typeDelay(c.typed); });
        runUntil([&] { return host.intervals.size() == 2; });
        if (c.tip) {
            ASSERT_EQ(host.delayTips.size(), 1u) << c.typed;
            EXPECT_EQ(host.delayTips[0].text, c.tip) << c.typed;
            EXPECT_EQ(host.delayTips[0].atMs, editAt + 50 + c.afterMs) << c.typed;
        } else {
            EXPECT_TRUE(host.delayTips.empty()) << c.typed;
        }
        EXPECT_GE(host.intervals[1], c.low) << c.typed;
        EXPECT_LE(host.intervals[1], c.high) << c.typed;
    }
}

TEST_F(SchedulerTest, FileAddedWhileCountingCanBePickedAtTheEnd) {
    host.putDelay(L"0.1");
    waiter.at(2'000, [&] { host.disk.push_back(L"new.wav"); });
    runUntil([&] { return host.refreshes() == 1; });
    ASSERT_EQ(host.plays.size(), 1u);
    EXPECT_EQ(host.plays[0].text, L"C:\\Sounds\\new.wav");
}

TEST_F(SchedulerTest, EmptyFolderPlaysNothingAndKeepsCounting) {
    host.putDelay(L"0.1");
    host.folder = L"C:\\Empty\\";
    scheduler.lastPlayed = L"old.wav";
    host.label3 = L"Last played: old.wav";
    runUntil([&] { return host.refreshes() == 3; });
    EXPECT_TRUE(host.plays.empty());
    EXPECT_EQ(scheduler.lastPlayed, L"old.wav");
    EXPECT_EQ(host.label3, L"Last played: old.wav");
    EXPECT_EQ(host.intervals.size(), 3u);

    host.disk = {L"x.mp3"};
    runUntil([&] { return host.plays.size() == 1; });
    EXPECT_EQ(host.plays[0].text, L"C:\\Empty\\x.mp3");
}

TEST_F(SchedulerTest, UnreadableDelayKeepsTheLastGoodOne) {
    setMuted(true);
    struct Cycle {
        const wchar_t* delay;
        int low, high;
    };
    auto check = [&](std::vector<Cycle> cycles) {
        host.clearRecords();
        std::size_t next = 0;
        host.putDelay(cycles[0].delay);
        host.onRefresh = [&] {
            if (++next < cycles.size()) host.putDelay(cycles[next].delay);
        };
        runUntil([&] { return host.intervals.size() == cycles.size(); });
        const auto intervals = host.intervals;
        for (std::size_t i = 0; i < cycles.size(); ++i) {
            EXPECT_GE(intervals[i], cycles[i].low) << cycles[i].delay;
            EXPECT_LE(intervals[i], cycles[i].high) << cycles[i].delay;
        }
        host.onRefresh = nullptr;
    };
    // Before any good delay: the delay of a clean start.
    host.model.replace(Settings{});
    check({{L"abc", 4, 7}, {L"1.", 45, 75}});
    check({{L"1", 45, 75},
           {L"2abc", 45, 75},
           {L"1e12", 45, 75},
           {L"", 45, 75},
           {L"2", 90, 150},
           {L"-5", 90, 150},
           {L"0", 90, 150}});
}

TEST(SchedulerStorm, ActivationsReplaceRunsWithoutGrowingTheStack) {
    FakeWaiter waiter;
    FakeHost host(waiter);
    Random random(99);
    RunDriver driver;
    bool finished = false;
    Scheduler scheduler({host.model, host, host, host, waiter, random, [&](const std::wstring& path) { host.playsound(path); },
                         [&] { return driver.abandoned() || finished; }});
    host.scheduler = &scheduler;
    host.putDelay(L"0.1");
    host.disk = {L"a.wav", L"b.wav"};

    constexpr int kReplacements = 10'000;
    const int gaps[] = {1, 3, 11, 40, 75, 160};  // passes between activations
    int requests = 0, sincePrevious = 0;
    bool replaced = false;
    long long callsAfterReplacement = 0;
    waiter.onEvents = [&] {
        if (requests == kReplacements) {
            finished = true;
            return;
        }
        if (++sincePrevious < gaps[requests % 6]) return;
        sincePrevious = 0;
        ++requests;
        EXPECT_FALSE(driver.request());  // a run is in progress: no new message
        replaced = true;
    };
    // Anything the scheduler does between its replacement and its return is a resumption.
    waiter.onCall = host.onCall = [&] {
        if (replaced) ++callsAfterReplacement;
    };

    int runs = 0, depth = 0, maxDepth = 0;
    std::set<const void*> frames;
    auto body = [&] {
        maxDepth = std::max(maxDepth, ++depth);
        frames.insert(__builtin_frame_address(0));
        ++runs;
        replaced = false;
        scheduler.run();
        --depth;
    };
    ASSERT_TRUE(driver.request());
    driver.drive(body);

    EXPECT_EQ(requests, kReplacements);
    EXPECT_EQ(runs, kReplacements + 1);
    EXPECT_EQ(maxDepth, 1);
    EXPECT_EQ(frames.size(), 1u);
    EXPECT_EQ(callsAfterReplacement, 0);
    EXPECT_FALSE(host.plays.empty());  // the long gaps let countdowns finish
}

// Considerate timing: the scheduler asks a gate at each countdown's end. The gate's clock is
// the waiter's simulated time from a chosen local start, in a zone (UTC without one).
class WaiterClock : public Clock {
public:
    WaiterClock(const FakeWaiter& waiter, const LocalTime& start) : waiter_(waiter) { setNow(start); }
    LocalTime now() const override { return at(waiter_.nowMs); }
    std::uint64_t tickMs() const override { return static_cast<std::uint64_t>(waiter_.nowMs); }
    std::int64_t utcNow() const override { return start_ + waiter_.nowMs / 1000; }
    int utcOffsetMinutes(std::int64_t utcSeconds) const override { return zone_ ? zone_(utcSeconds) : 0; }
    LocalTime at(long long ms) const { return stampAt(start_ + ms / 1000, *this).local; }
    void setNow(const LocalTime& time) { start_ = momentOf({time, std::nullopt}, *this) - waiter_.nowMs / 1000; }
    void setZone(test::Zone zone) { zone_ = zone; }

private:
    const FakeWaiter& waiter_;
    test::Zone zone_ = nullptr;
    std::int64_t start_ = 0;
};

int minuteOfDay(const LocalTime& t) { return t.hour * 60 + t.minute; }

class GatedSchedulerTest : public SchedulerTest {
protected:
    explicit GatedSchedulerTest(const LocalTime& start = test::at(2026, 12, 7, 14, 0))
        : clock(waiter, start) {
        host.disk = {L"a.wav"};
        scheduler.lastPlayed = L"bell.wav";
        scheduler.useGate(gate);
    }
    void setQuiet(int from, int to) {
        QuietHours quiet;
        quiet.on = true;
        quiet.from = from;
        quiet.to = to;
        gate.setQuietHours(quiet);
    }
    bool tipSeen(const std::wstring& tip) const {
        return std::find(host.tips.begin(), host.tips.end(), tip) != host.tips.end();
    }

    WaiterClock clock;
    test::ScriptedProbe probe;
    PlayGate gate{clock, probe, host.model};
};

TEST_F(GatedSchedulerTest, WithEveryOptionOffAndTheUserFreeItPlaysExactlyAsWithoutAGate) {
    runUntil([&] { return host.plays.size() == 3; });
    const auto gated = host.plays;
    const auto gatedTips = host.tips;

    FakeWaiter plainWaiter;
    FakeHost plain{plainWaiter};
    plain.disk = {L"a.wav"};
    Random sameDraws{20240601};
    bool done = false;
    Scheduler ungated{{plain.model, plain, plain, plain, plainWaiter, sameDraws,
                       [&](const std::wstring& path) {
                           plain.playsound(path);
                           done = plain.plays.size() == 3;
                       },
                       [&] { return done; }}};
    ungated.lastPlayed = L"bell.wav";
    ungated.run();
    ASSERT_EQ(plain.plays.size(), gated.size());
    for (std::size_t i = 0; i < gated.size(); ++i) EXPECT_EQ(plain.plays[i].atMs, gated[i].atMs);
    EXPECT_EQ(plain.tips, gatedTips);
    EXPECT_GT(probe.queries, 0);  // holding is on for a new user: the gate did ask
}

TEST_F(GatedSchedulerTest, QuietHoursCoveringTheEndStaySilentAndSaySoInTheTip) {
    setQuiet(13 * 60, 15 * 60 + 30);
    runUntil([&] { return host.refreshes() == 3; });
    EXPECT_TRUE(host.plays.empty());
    EXPECT_EQ(scheduler.lastPlayed, L"bell.wav");
    EXPECT_EQ(host.countdown, L"0");
    ASSERT_FALSE(host.tips.empty());
    for (const auto& tip : host.tips) EXPECT_EQ(tip, L"Quiet until 15:30. Last played: bell.wav");
    EXPECT_EQ(probe.queries, 0);  // quiet wins before the user is asked about
}

// Countdowns run across an edge of the quiet hours: every end before it (or from its end
// on) plays, every end inside is silent.
TEST_F(GatedSchedulerTest, CountdownsEndingAtTheEdgesOfTheRange) {
    struct Case {
        LocalTime start;
        int from, to;
    } const cases[] = {
        {test::at(2026, 12, 7, 21, 55), 22 * 60, 7 * 60 + 30},  // into a range wrapping midnight
        {test::at(2026, 12, 8, 7, 25), 22 * 60, 7 * 60 + 30},   // out of it the next morning
        {test::at(2026, 12, 7, 11, 55), 12 * 60, 12 * 60 + 5},  // through a short one
    };
    for (const auto& c : cases) {
        host.clearRecords();
        clock.setNow(c.start);
        setQuiet(c.from, c.to);
        runUntil([&] { return host.refreshes() == 20; });
        int played = 0, silent = 0;
        for (const long long end : host.refreshTimes) {
            const int m = minuteOfDay(clock.at(end));
            const bool inside = c.from <= c.to ? (m >= c.from && m < c.to) : (m >= c.from || m < c.to);
            const bool playedThen =
                std::any_of(host.plays.begin(), host.plays.end(), [&](const auto& p) { return p.atMs == end; });
            EXPECT_NE(inside, playedThen) << m;
            (playedThen ? played : silent) += 1;
        }
        EXPECT_GT(played, 0);
        EXPECT_GT(silent, 0);
    }
}

TEST_F(GatedSchedulerTest, HeldWhileBusyThenPlaysOnceTheUserIsFree) {
    struct Case { BusyReason reason; const wchar_t* tip; };
    const Case cases[] = {
        {BusyReason::FullScreen, L"Held: full-screen program. Last played: bell.wav"},
        {BusyReason::Direct3D, L"Held: full-screen game. Last played: bell.wav"},
        {BusyReason::Presentation, L"Held: presentation. Last played: bell.wav"},
        {BusyReason::QuietTime, L"Held: Windows quiet time. Last played: bell.wav"},
        {BusyReason::Microphone, L"Held: microphone in use. Last played: bell.wav"},
    };
    for (const auto& [reason, tip] : cases) {
        host.clearRecords();
        probe.reason = reason;
        long long endMs = -1;
        host.onRefresh = [&] {
            if (endMs < 0) endMs = waiter.nowMs;
            waiter.at(endMs + 30'000, [&] { probe.reason = BusyReason::Free; });
        };
        runUntil([&] { return host.plays.size() == 1; });
        host.onRefresh = nullptr;
        // Released at end + 30 s; the hold looks once a second, so it plays at that second.
        EXPECT_EQ(host.plays[0].atMs, endMs + 30'000) << static_cast<int>(reason);
        EXPECT_TRUE(tipSeen(tip));
        EXPECT_EQ(host.refreshes(), 1u);  // no new countdown while held
        EXPECT_FALSE(gate.holding());
        scheduler.lastPlayed = L"bell.wav";
    }
}

TEST_F(GatedSchedulerTest, ABusyMomentUnderFiveSecondsDelaysTheSoundWithoutAHold) {
    struct Case { long long freeAfterMs; bool held; };
    const Case cases[] = {{1'000, false}, {4'000, false}, {6'000, true}};
    for (const auto& c : cases) {
        host.clearRecords();
        probe.reason = BusyReason::FullScreen;
        long long endMs = -1;
        std::vector<long long> heldTipsAt;
        host.onRefresh = [&] {
            endMs = waiter.nowMs;
            waiter.at(endMs + c.freeAfterMs, [&] { probe.reason = BusyReason::Free; });
        };
        waiter.onEvents = [&] {
            if (gate.tipPrefix(false)) heldTipsAt.push_back(waiter.nowMs);
        };
        runUntil([&] { return host.plays.size() == 1; });
        host.onRefresh = nullptr;
        waiter.onEvents = nullptr;
        EXPECT_EQ(host.plays[0].atMs, endMs + c.freeAfterMs) << c.freeAfterMs;
        EXPECT_EQ(tipSeen(L"Held: full-screen program. Last played: bell.wav"), c.held) << c.freeAfterMs;
        // Never named before the busy state has lasted five seconds.
        for (const long long ms : heldTipsAt) EXPECT_GE(ms, endMs + 5'000);
        EXPECT_EQ(host.refreshes(), 1u);
        scheduler.lastPlayed = L"bell.wav";
    }
}

TEST_F(GatedSchedulerTest, AHoldIsDroppedAfterTenMinutesAndANewCountdownStarts) {
    probe.reason = BusyReason::Microphone;
    runUntil([&] { return host.refreshes() == 2; });
    EXPECT_TRUE(host.plays.empty());
    EXPECT_EQ(scheduler.lastPlayed, L"bell.wav");
    ASSERT_EQ(host.intervals.size(), 2u);
    EXPECT_EQ(host.refreshTimes[1], host.refreshTimes[0] + 600'000 + host.intervals[1] * 1000LL);

    // Holding turned off: a busy user hears it at once.
    host.clearRecords();
    gate.setHoldBusy(false);
    runUntil([&] { return host.refreshes() == 1; });
    ASSERT_EQ(host.plays.size(), 1u);
    EXPECT_EQ(host.plays[0].atMs, host.refreshTimes[0]);
}

TEST_F(GatedSchedulerTest, MuteForAWhileEndsByItselfAndTheNextEndPlays) {
    gate.muteFor(MuteFor::Minutes15);  // 14:00 now: until 14:15
    setMuted(true);
    // The main window's timer: it clears the mute once the gate says the time is up.
    waiter.onEvents = [&] {
        if (gate.muteForExpired()) setMuted(false);
    };
    runUntil([&] { return host.plays.size() == 1; });
    EXPECT_GE(host.plays[0].atMs, 15 * 60'000LL);
    EXPECT_LT(host.plays[0].atMs, 17 * 60'000LL);
    EXPECT_TRUE(tipSeen(L"Muted until 14:15. Last played: bell.wav"));
    EXPECT_EQ(gate.mutedUntil(), std::nullopt);
    EXPECT_EQ(host.tips.back(), L"0 secs to go. Last played: bell.wav");
}

// The state line says what holds the sounds back while it does, and is empty again before
// the next sound starts.
TEST_F(GatedSchedulerTest, TheStateLineNamesWhatHoldsTheSoundsBackAndIsEmptyWhenOneStarts) {
    struct Case {
        const char* what;
        std::function<void()> arrange;
        std::wstring state;
    };
    const Case cases[] = {
        {"busy", [&] { probe.reason = BusyReason::FullScreen; }, L"Held: full-screen program"},
        {"muted for a while",
         [&] {
             gate.muteFor(MuteFor::Minutes15);
             setMuted(true);
         },
         L"Muted until 14:15"},
        {"quiet", [&] { setQuiet(14 * 60, 14 * 60 + 20); }, L"Quiet until 14:20"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        host.clearRecords();
        clock.setNow(test::at(2026, 12, 7, 14, 0));
        c.arrange();
        // Free 30 s into the hold; unmuted by the mute-for timer; past the quiet hours.
        host.onRefresh = [&] { waiter.at(waiter.nowMs + 30'000, [&] { probe.reason = BusyReason::Free; }); };
        waiter.onEvents = [&] {
            if (gate.muteForExpired()) setMuted(false);
        };
        std::wstring stateAtPlay = L"?";
        host.onPlay = [&](const std::wstring&) { stateAtPlay = host.state; };
        runUntil([&] { return host.plays.size() == 1; });
        host.onRefresh = nullptr;
        waiter.onEvents = nullptr;
        host.onPlay = nullptr;
        EXPECT_NE(std::find(host.states.begin(), host.states.end(), c.state), host.states.end());
        EXPECT_EQ(stateAtPlay, L"");
        gate.setQuietHours({});
    }
}

TEST_F(GatedSchedulerTest, PlayOneNowPlaysAtOnceEvenWhenMutedOrHeld) {
    struct Case {
        bool muted;
        BusyReason busy;
    } const cases[] = {{false, BusyReason::Free}, {true, BusyReason::Free}, {false, BusyReason::FullScreen}};
    for (const auto& c : cases) {
        host.clearRecords();
        setMuted(c.muted);
        probe.reason = c.busy;
        // A busy user is held at the first end; an idle one is mid-countdown at +10 s.
        const long long askAt = waiter.nowMs + (c.busy == BusyReason::Free ? 10'050 : 90'050);
        waiter.at(askAt, [&] { scheduler.playNow(); });
        runUntil([&] { return host.plays.size() == 1; });
        // Within the step the ask arrives in, not at the countdown's next second.
        EXPECT_GE(host.plays[0].atMs, askAt);
        EXPECT_LE(host.plays[0].atMs, askAt + Waiter::kStepMs);
        EXPECT_EQ(scheduler.lastPlayed, L"a.wav");
        EXPECT_EQ(host.refreshes(), 1u);
        EXPECT_FALSE(gate.holding());
        scheduler.lastPlayed = L"bell.wav";
    }
}

TEST_F(GatedSchedulerTest, SkipThisWaitEndsTheCountdownSilentlyAndDrawsANewInterval) {
    waiter.at(10'050, [&] { scheduler.skipWait(); });
    runUntil([&] { return host.intervals.size() == 2; });
    EXPECT_TRUE(host.plays.empty());
    EXPECT_FALSE(scheduler.restartPending());
    ASSERT_EQ(host.refreshes(), 1u);
    EXPECT_LE(host.refreshTimes[0], 10'050 + Waiter::kStepMs);
    EXPECT_EQ(scheduler.lastPlayed, L"bell.wav");

    // It ends a hold the same way.
    host.clearRecords();
    probe.reason = BusyReason::Presentation;
    host.onRefresh = [&] { waiter.at(waiter.nowMs + 5'050, [&] { scheduler.skipWait(); }); };
    runUntil([&] { return host.intervals.size() == 2; });
    EXPECT_TRUE(host.plays.empty());
    EXPECT_FALSE(gate.holding());
    EXPECT_EQ(host.refreshes(), 1u);
}

// What the scheduler tells the history. A play is entered as the application enters it:
// with the scheduler's cause, once it has started.
class SchedulerHistoryTest : public GatedSchedulerTest {
protected:
    SchedulerHistoryTest() {
        scheduler.useHistory(history);
        host.onPlay = [this](const std::wstring& path) {
            HistoryEntry entry = scheduler.playCause();
            entry.file = path;
            history.add(entry);
        };
    }
    // Newest first, as "file: words".
    std::vector<std::wstring> told() const {
        std::vector<std::wstring> lines;
        for (const auto& e : history.entries()) lines.push_back(e.file + L": " + historyWords(e));
        return lines;
    }
    using Lines = std::vector<std::wstring>;

    History history{clock};
};

TEST_F(SchedulerHistoryTest, QuietMutedAndPlayedEndsEachLeaveOneEntry) {
    setQuiet(13 * 60, 15 * 60 + 30);  // 14:00 now
    runUntil([&] { return host.refreshes() == 1; });
    EXPECT_EQ(told(), Lines{L": quiet hours until 15:30"});
    EXPECT_EQ(history.entries()[0].time, clock.at(host.refreshTimes[0]));

    gate.setQuietHours(QuietHours{});
    setMuted(true);
    runUntil([&] { return host.refreshes() == 2; });
    setMuted(false);
    runUntil([&] { return host.plays.size() == 1; });
    EXPECT_EQ(told(), (Lines{L"C:\\Sounds\\a.wav: played", L": muted", L": quiet hours until 15:30"}));
}

TEST_F(SchedulerHistoryTest, AHoldEndsDroppedAfterTenMinutesOrPlayedOnceTheUserIsFree) {
    probe.reason = BusyReason::Microphone;
    runUntil([&] { return host.refreshes() == 2; });
    EXPECT_EQ(told(), Lines{L": held while busy (microphone in use), dropped after 10 minutes"});

    host.onRefresh = [&] { waiter.at(waiter.nowMs + 30'000, [&] { probe.reason = BusyReason::Free; }); };
    runUntil([&] { return host.plays.size() == 1; });
    EXPECT_EQ(told().front(), L"C:\\Sounds\\a.wav: held while busy (microphone in use), then played after 30 seconds");
    EXPECT_EQ(history.entries().size(), 2u);

    // Busy for less than the hold's five seconds: the sound only waited, and says so plainly.
    probe.reason = BusyReason::FullScreen;
    host.onRefresh = [&] { waiter.at(waiter.nowMs + 3'000, [&] { probe.reason = BusyReason::Free; }); };
    runUntil([&] { return host.plays.size() == 2; });
    EXPECT_EQ(told().front(), L"C:\\Sounds\\a.wav: played");
}

TEST_F(SchedulerHistoryTest, PlayOneNowSkipAndAFolderWithoutSounds) {
    setMuted(true);
    waiter.at(waiter.nowMs + 10'050, [&] { scheduler.playNow(); });
    runUntil([&] { return host.plays.size() == 1; });
    EXPECT_EQ(told(), Lines{L"C:\\Sounds\\a.wav: play one now"});  // even when muted

    setMuted(false);
    history.add(HistoryEvent::Played, L"marker");
    waiter.at(waiter.nowMs + 10'050, [&] { scheduler.skipWait(); });
    runUntil([&] { return history.entries().front().file != L"marker"; });
    EXPECT_EQ(told().front(), L": skipped");

    host.disk.clear();
    const std::size_t before = history.entries().size();
    runUntil([&] { return history.entries().size() == before + 1; });
    EXPECT_EQ(told().front(), L": could not play: the folder has no sounds");
    setMuted(true);
    runUntil([&] { return history.entries().size() == before + 2; });
    EXPECT_EQ(told().front(), L": muted");
}

TEST_F(SchedulerHistoryTest, ANewDelayEndsTheCountdownWithoutAnEntry) {
    waiter.at(waiter.nowMs + 10'050, [&] { host.typeDelay(L"2"); });
    runUntil([&] { return host.intervals.size() == 2; });
    EXPECT_TRUE(history.entries().empty());
}

// Sleep: the machine suspends mid-countdown and resumes 8 hours later. The waiter's clock
// (the tick count) jumps; the jump counts as one second, so the count goes on from the
// value it showed, a value a second, and at most one sound plays, at its end. Quiet hours
// and a mute for are judged against the time after the resume, in the first tip.
TEST_F(GatedSchedulerTest, ASuspendOfEightHoursEndsTheCountdownAfterItsRemainingSeconds) {
    constexpr long long kSuspendMs = 8LL * 3600 * 1000;
    struct Case {
        const char* name;
        bool quiet;    // 20:00 to 07:00: it began while asleep (14:00 + 8 h)
        bool muteFor;  // 1 hour from 14:00: over while asleep
        std::size_t plays;
        const wchar_t* tipAfter;  // before the count's value
    } const cases[] = {
        {"plain", false, false, 1, nullptr},
        {"into quiet hours", true, false, 0, L"Quiet until 07:00"},
        {"past the end of a mute for", false, true, 1, nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        host.clearRecords();
        clock.setNow(test::at(2026, 12, 7, 14, 0));
        gate.setQuietHours(QuietHours{c.quiet, 20 * 60, 7 * 60, 0x7F});
        if (c.muteFor) {
            setMuted(true);
            gate.muteFor(MuteFor::Hour1);
        }
        // What the application does on the resume (and its timer every second after).
        waiter.onEvents = [&] {
            if (gate.muteForExpired()) setMuted(false);
        };
        const long long start = waiter.nowMs;
        std::size_t tipsBefore = 0;
        waiter.at(start + 10'050, [&] {
            tipsBefore = host.tips.size();
            waiter.nowMs += kSuspendMs;
            // The resume's message, as the application answers it.
            if (gate.muteForExpired()) setMuted(false);
            scheduler.publishStatus();
        });
        runUntil([&] { return host.refreshes() == 1 && waiter.nowMs > start + kSuspendMs; }, 2 * kSuspendMs);
        waiter.onEvents = nullptr;

        const int first = host.intervals[0];
        // Shown before the sleep: first .. first - 10; after it: first - 11 .. 0, one a second.
        ASSERT_EQ(host.log.size(), static_cast<std::size_t>(first) + 2 + (c.plays ? 2 : 0));
        for (int i = 0; i <= first; ++i)
            EXPECT_EQ(host.log[static_cast<std::size_t>(i)], L"count " + std::to_wstring(first - i));
        EXPECT_EQ(host.refreshTimes[0], start + kSuspendMs + 10'100 + (first - 11) * 1000LL);
        ASSERT_EQ(host.plays.size(), c.plays);
        if (c.plays) {
            EXPECT_EQ(host.plays[0].atMs, host.refreshTimes[0]);
        }
        const std::wstring after = host.tips.at(tipsBefore);
        if (c.tipAfter) {
            EXPECT_EQ(after, std::wstring(c.tipAfter) + L". Last played: bell.wav");
        } else {
            EXPECT_EQ(after.rfind(std::to_wstring(first - 10) + L" secs to go", 0), 0u) << after;
        }
        scheduler.lastPlayed = L"bell.wav";
    }
}

// A mute for an hour set just before the clocks change ends an hour later in real time,
// and the first countdown end after it plays: not half an hour early in March (the wall
// clock jumps an hour ahead), nor an hour late in October (it goes an hour back).
TEST_F(GatedSchedulerTest, AMuteForAcrossADaylightSavingChangeInLondonEndsAfterItsHour) {
    clock.setZone(test::london);
    for (const LocalTime start : {test::at(2026, 3, 29, 0, 30), test::at(2026, 10, 25, 1, 30)}) {
        SCOPED_TRACE(formatStamp(start));
        host.clearRecords();
        clock.setNow(start);
        setMuted(true);
        gate.muteFor(MuteFor::Hour1);
        waiter.onEvents = [&] {
            if (gate.muteForExpired()) setMuted(false);
        };
        const long long from = waiter.nowMs;
        runUntil([&] { return host.plays.size() == 1; });
        waiter.onEvents = nullptr;
        EXPECT_GE(host.plays[0].atMs - from, 60 * 60'000LL);
        EXPECT_LE(host.plays[0].atMs - from, 60 * 60'000LL + 76'000);  // the countdown running then
        EXPECT_TRUE(tipSeen(start.month == 3 ? L"Muted until 02:30. Last played: bell.wav"
                                             : L"Muted until 01:30. Last played: bell.wav"));
        scheduler.lastPlayed = L"bell.wav";
    }
}

}  // namespace
}  // namespace zt
