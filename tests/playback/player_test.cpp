#include "playback/player.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <deque>
#include <map>
#include <string>
#include <vector>

namespace zt {
namespace {

using Log = std::vector<std::string>;

std::string narrow(const std::wstring& text) { return std::string(text.begin(), text.end()); }

// A media player that plays each file for a scripted number of play-state reads.
class FakeBackend final : public MediaBackend {
public:
    explicit FakeBackend(Log& log) : log_(log) {}

    std::map<std::wstring, int> lengthInReads;     // files not listed do not play at all
    std::map<std::wstring, std::wstring> broken;  // files that fail to load, with the reason
    bool failStart = false;
    // Runs inside setFileName, as the real back end's wait for the sound to open handles
    // events; a stop or another file meanwhile makes the load fail, as there.
    std::function<void()> whileLoading;
    int loadDepth = 0;
    int deepestLoad = 0;

    void setVolume(std::int32_t hundredthsDb) override {
        log_.push_back("volume " + std::to_string(hundredthsDb));
    }
    MediaResult setFileName(const std::wstring& path) override {
        log_.push_back("file " + narrow(path));
        left_ = 0;  // the sound in progress is replaced either way
        file_.clear();
        const int mine = ++generation_;
        if (whileLoading) {
            deepestLoad = std::max(deepestLoad, ++loadDepth);
            whileLoading();
            --loadDepth;
        }
        if (generation_ != mine) return MediaResult::failure(L"replaced");
        if (auto it = broken.find(path); it != broken.end()) return MediaResult::failure(it->second);
        file_ = path;
        return MediaResult::success();
    }
    MediaResult start() override {
        log_.push_back("start");
        if (failStart) return MediaResult::failure(L"no sound device");
        if (file_.empty()) return MediaResult::failure(L"no file is loaded");
        started.push_back(file_);
        auto it = lengthInReads.find(file_);
        left_ = it == lengthInReads.end() ? 0 : it->second;
        return MediaResult::success();
    }
    std::int32_t playState() override {
        log_.push_back("state");
        if (left_ == 0) return kStopped;
        --left_;
        return kPlaying;
    }
    void stop() override {
        log_.push_back("stop");
        left_ = 0;
        file_.clear();
        ++generation_;
    }
    void* endEvent() override { return &endEventToken; }
    std::wstring faultReason() const override { return fault; }
    int endEventToken = 0;
    std::wstring fault;  // why the sound that ended last ended early
    bool playing() const { return left_ > 0; }
    std::vector<std::wstring> started;  // every file started, in order

private:
    Log& log_;
    std::wstring file_;
    int left_ = 0;
    int generation_ = 0;
};

class FakeDeviceVolume final : public DeviceVolume {
public:
    explicit FakeDeviceVolume(Log& log) : log_(log) {}
    std::optional<std::uint32_t> value = 0x8000'8000u;  // nothing: the read fails
    std::optional<std::uint32_t> read() override {
        log_.push_back("device read");
        return value;
    }
    void write(std::uint32_t volume) override {
        log_.push_back("device write " + std::to_string(volume));
        value = volume;
    }

private:
    Log& log_;
};

// Simulated time; the events of each step are whatever the test puts in onEvents.
class FakeWaiter final : public Waiter {
public:
    explicit FakeWaiter(Log& log) : log_(log) {}
    int nowMs = 0;
    std::function<void()> onEvents;
    void sleepMs(int ms) override { nowMs += ms; }
    std::int64_t clockMs() override { return nowMs; }
    void processEvents() override {
        log_.push_back("events");
        if (onEvents) onEvents();
    }
    void waitUntil(std::int64_t deadlineMs, void* wake) override {
        wakes.push_back(wake);
        deepest = std::max(deepest, ++depth);
        Waiter::waitUntil(deadlineMs, wake);
        --depth;
    }
    std::vector<void*> wakes;  // the handle each wait was given
    int depth = 0;
    int deepest = 0;  // waits inside waits

private:
    Log& log_;
};

class PlayerTest : public ::testing::Test {
protected:
    Log log;
    FakeBackend backend{log};
    FakeDeviceVolume device{log};
    FakeWaiter waiter{log};
    Player player{backend, device, waiter};
};

TEST_F(PlayerTest, SetsVolumeFileAndStartThenWaitsForTheEndAndRestoresTheDevice) {
    backend.lengthInReads[L"C:\\a.wav"] = 2;
    device.value = 1234;
    // Someone changes the device volume during the sound; the kept value wins.
    waiter.onEvents = [&] { device.value = 99; };

    const PlayResult result = player.playsound(L"C:\\a.wav", 50);

    EXPECT_TRUE(result.played);
    EXPECT_TRUE(result.reason.empty());
    EXPECT_EQ(log, (Log{"device read", "volume -610", "file C:\\a.wav", "start", "state", "events",
                        "state", "events", "state", "device write 1234"}));
    EXPECT_EQ(device.value, 1234u);
    EXPECT_EQ(waiter.nowMs, 200);
}

TEST_F(PlayerTest, NotPlayingRightAfterTheStartEndsTheWaitAtOnce) {
    const PlayResult result = player.playsound(L"silent.wav", 75);
    EXPECT_TRUE(result.played);
    EXPECT_EQ(log, (Log{"device read", "volume -260", "file silent.wav", "start", "state",
                        "device write " + std::to_string(0x8000'8000u)}));
    EXPECT_EQ(waiter.nowMs, 0);
}

TEST_F(PlayerTest, AFailedDeviceReadIsNeverWrittenBack) {
    backend.lengthInReads[L"a.wav"] = 3;
    device.value.reset();
    EXPECT_TRUE(player.playsound(L"a.wav", 50).played);
    for (const std::string& entry : log) EXPECT_NE(entry.rfind("device write", 0), 0u) << entry;
    EXPECT_FALSE(device.value.has_value());
}

TEST_F(PlayerTest, AFileThatCannotBeLoadedOrStartedFailsWithItsReasonAndRestoresTheDevice) {
    backend.broken[L"bad.mp3"] = L"the file is damaged";
    device.value = 7;
    PlayResult result = player.playsound(L"bad.mp3", 50);
    EXPECT_FALSE(result.played);
    EXPECT_EQ(result.reason, L"the file is damaged");
    EXPECT_EQ(log, (Log{"device read", "volume -610", "file bad.mp3", "device write 7"}));

    log.clear();
    backend.failStart = true;
    result = player.playsound(L"good.wav", 50);
    EXPECT_FALSE(result.played);
    EXPECT_EQ(result.reason, L"no sound device");
    EXPECT_EQ(log.back(), "device write 7");
    EXPECT_EQ(waiter.nowMs, 0);
}

TEST_F(PlayerTest, ASoundCutShortByItsDeviceHasPlayedAndSaysWhyItEnded) {
    backend.lengthInReads[L"a.wav"] = 2;
    backend.fault = L"Speakers is no longer available";
    PlayResult result = player.playsound(L"a.wav", 50);
    EXPECT_TRUE(result.played);
    EXPECT_EQ(result.reason, L"Speakers is no longer available");

    // A wait given up on (a newer run) says nothing of a sound that plays on.
    backend.lengthInReads[L"long.wav"] = 100;
    result = player.playsound(L"long.wav", 50, [] { return true; });
    EXPECT_TRUE(result.played);
    EXPECT_TRUE(result.reason.empty());
}

TEST_F(PlayerTest, StopEndsTheWaitAtTheNextRead) {
    backend.lengthInReads[L"long.wav"] = 1000;
    waiter.onEvents = [&] {
        if (waiter.nowMs == 300) player.stop();
    };
    EXPECT_TRUE(player.playsound(L"long.wav", 50).played);
    EXPECT_EQ(waiter.nowMs, 300);
    EXPECT_FALSE(backend.playing());
    // The command touches the back end only: its log entry sits between events and state.
    const Log tail(log.end() - 4, log.end());
    EXPECT_EQ(tail, (Log{"events", "stop", "state", "device write " + std::to_string(0x8000'8000u)}));
}

TEST_F(PlayerTest, EachWaitWakesOnTheBackEndsEndEvent) {
    backend.lengthInReads[L"a.wav"] = 3;
    ASSERT_TRUE(player.playsound(L"a.wav", 50).played);
    EXPECT_EQ(waiter.wakes, std::vector<void*>(3, backend.endEvent()));
}

TEST_F(PlayerTest, StopWhileNothingPlaysOnlyStopsTheBackend) {
    player.stop();
    EXPECT_EQ(log, Log{"stop"});
}

TEST_F(PlayerTest, AbandonedWaitEndsWithoutStoppingTheSound) {
    backend.lengthInReads[L"long.wav"] = 1000;
    device.value = 5;
    const PlayResult result =
        player.playsound(L"long.wav", 50, [&] { return waiter.nowMs >= 400; });
    EXPECT_TRUE(result.played);
    EXPECT_EQ(waiter.nowMs, 400);
    EXPECT_TRUE(backend.playing());
    for (const std::string& entry : log) EXPECT_NE(entry, "stop");
    EXPECT_EQ(log.back(), "device write 5");
}

TEST_F(PlayerTest, NestedCallReplacesTheSoundAndTheOuterCallWaitsForTheNewOne) {
    backend.lengthInReads[L"outer.wav"] = 1000;
    backend.lengthInReads[L"inner.wav"] = 3;
    device.value = 100;
    bool nested = false;
    std::vector<std::uint32_t> restored;
    PlayResult inner;
    int innerReturnedAtMs = -1;
    waiter.onEvents = [&] {
        if (nested || waiter.nowMs != 200) return;
        nested = true;
        device.value = 200;  // the user turned the device up while the outer sound played
        inner = player.playsound(L"inner.wav", 100);
        innerReturnedAtMs = waiter.nowMs;
    };

    const PlayResult outer = player.playsound(L"outer.wav", 50);

    EXPECT_TRUE(outer.played);
    EXPECT_TRUE(inner.played);
    EXPECT_EQ(innerReturnedAtMs, 200);  // started, and back at once
    EXPECT_EQ(backend.started, (std::vector<std::wstring>{L"outer.wav", L"inner.wav"}));
    for (const std::string& entry : log)
        if (entry.rfind("device write ", 0) == 0) restored.push_back(std::stoul(entry.substr(13)));
    EXPECT_EQ(restored, (std::vector<std::uint32_t>{200, 100}));
    EXPECT_EQ(device.value, 100u);
    // The outer wait goes on to the inner sound's end: 3 more steps.
    EXPECT_EQ(waiter.nowMs, 200 + 300);
    EXPECT_EQ(waiter.deepest, 1);
    EXPECT_FALSE(backend.playing());
}

TEST_F(PlayerTest, TellsTheCallerTheMomentTheSoundStarts) {
    backend.lengthInReads[L"a.wav"] = 3;
    int startedAtMs = -1;
    EXPECT_TRUE(player.playsound(L"a.wav", 50, {}, [&] { startedAtMs = waiter.nowMs; }).played);
    EXPECT_EQ(startedAtMs, 0);
    EXPECT_EQ(waiter.nowMs, 300);

    // Not for a file that does not play.
    backend.broken[L"bad.wav"] = L"damaged";
    bool told = false;
    EXPECT_FALSE(player.playsound(L"bad.wav", 50, {}, [&] { told = true; }).played);
    EXPECT_FALSE(told);
}

TEST_F(PlayerTest, AFileThatComesInWhileOneLoadsIsHandedToTheLoadingCall) {
    backend.lengthInReads[L"late.wav"] = 2;
    backend.broken[L"broken.wav"] = L"damaged";
    std::vector<PlayResult> inner;
    std::vector<std::string> told;
    backend.whileLoading = [&] {
        if (!inner.empty()) return;
        // Two files arrive while the first loads: both handed on, the last one wins.
        for (const wchar_t* name : {L"broken.wav", L"late.wav"})
            inner.push_back(player.playsound(name, 50, {}, [&told, name] { told.push_back(narrow(name)); }));
    };
    const PlayResult first = player.playsound(L"first.wav", 50, {}, [&] { told.push_back("first.wav"); });

    ASSERT_EQ(inner.size(), 2u);
    for (const PlayResult& r : inner) {
        EXPECT_TRUE(r.handedOn);
        EXPECT_FALSE(r.played);
        EXPECT_TRUE(r.reason.empty());
    }
    // The loading call played the last file and speaks of it.
    EXPECT_TRUE(first.played);
    EXPECT_EQ(first.soundName, L"late.wav");
    EXPECT_EQ(backend.started, std::vector<std::wstring>{L"late.wav"});
    EXPECT_EQ(told, std::vector<std::string>{"late.wav"});
    EXPECT_EQ(backend.deepestLoad, 1);

    // A failure of the file handed on is reported under its own name.
    inner.clear();
    backend.whileLoading = [&] {
        if (inner.empty()) inner.push_back(player.playsound(L"broken.wav", 50));
    };
    const PlayResult second = player.playsound(L"first.wav", 50);
    EXPECT_FALSE(second.played);
    EXPECT_EQ(second.soundName, L"broken.wav");
    EXPECT_EQ(second.reason, L"damaged");
}

TEST_F(PlayerTest, StopWhileLoadingEndsTheCallWithNothingToReport) {
    backend.lengthInReads[L"a.wav"] = 5;
    bool handed = false;
    backend.whileLoading = [&] {
        if (!handed) {  // a file handed on, then the stop: neither plays
            handed = true;
            player.playsound(L"b.wav", 50);
        }
        player.stop();
    };
    const PlayResult result = player.playsound(L"a.wav", 50);
    EXPECT_FALSE(result.played);
    EXPECT_TRUE(result.reason.empty());
    EXPECT_TRUE(backend.started.empty());
}

// Two thousand test plays queued as fast as they come, each handled inside the waits of
// the ones before: one sound at a time, every call answered, and the stack stays shallow.
TEST_F(PlayerTest, ThousandsOfNestedPlaysKeepTheStackShallow) {
    constexpr int kPlays = 2000;
    std::deque<std::wstring> queued;
    for (int i = 0; i < kPlays; ++i) {
        const std::wstring name = L"s" + std::to_wstring(i) + L".wav";
        queued.push_back(name);
        backend.lengthInReads[name] = 2;
    }
    int answered = 0;
    int playsound_depth = 0;
    int deepestPlaysound = 0;
    // Each pass over the events takes a few of them, and a load takes two passes.
    const auto deliver = [&] {
        for (int n = 0; n < 3 && !queued.empty(); ++n) {
            const std::wstring name = queued.front();
            queued.pop_front();
            deepestPlaysound = std::max(deepestPlaysound, ++playsound_depth);
            const PlayResult r = player.playsound(name, 50);
            --playsound_depth;
            EXPECT_TRUE(r.played || r.handedOn) << narrow(name) << ": " << narrow(r.reason);
            ++answered;
        }
    };
    waiter.onEvents = deliver;
    backend.whileLoading = [&] {
        for (int i = 0; i < 2; ++i) waiter.waitUntil(waiter.nowMs + 100, nullptr);
    };
    log.reserve(100000);

    const PlayResult first = player.playsound(L"first.wav", 50);

    EXPECT_TRUE(first.played || first.handedOn);
    EXPECT_EQ(answered, kPlays);
    EXPECT_TRUE(queued.empty());
    EXPECT_LE(deepestPlaysound, 2);
    EXPECT_LE(waiter.deepest, 3);
    EXPECT_EQ(backend.deepestLoad, 1);
    // The last file is the last sound started; a sound starts only after the one before
    // was replaced (the fake plays one file at a time).
    ASSERT_FALSE(backend.started.empty());
    EXPECT_EQ(backend.started.back(), L"s1999.wav");
    EXPECT_FALSE(backend.playing());
}

}  // namespace
}  // namespace zt
