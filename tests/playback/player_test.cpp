#include "playback/player.h"

#include <gtest/gtest.h>

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

    void setVolume(std::int32_t hundredthsDb) override {
        log_.push_back("volume " + std::to_string(hundredthsDb));
    }
    MediaResult setFileName(const std::wstring& path) override {
        log_.push_back("file " + narrow(path));
        left_ = 0;  // the sound in progress is replaced either way
        if (auto it = broken.find(path); it != broken.end()) return MediaResult::failure(it->second);
        file_ = path;
        return MediaResult::success();
    }
    MediaResult start() override {
        log_.push_back("start");
        if (failStart) return MediaResult::failure(L"no sound device");
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
    }
    void* endEvent() override { return &endEventToken; }
    int endEventToken = 0;
    bool playing() const { return left_ > 0; }

private:
    Log& log_;
    std::wstring file_;
    int left_ = 0;
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
        Waiter::waitUntil(deadlineMs, wake);
    }
    std::vector<void*> wakes;  // the handle each wait was given

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

TEST_F(PlayerTest, NestedCallReplacesTheSoundAndRestoresInReverseOrder) {
    backend.lengthInReads[L"outer.wav"] = 1000;
    backend.lengthInReads[L"inner.wav"] = 3;
    device.value = 100;
    bool nested = false;
    std::vector<std::uint32_t> restored;
    PlayResult inner;
    waiter.onEvents = [&] {
        if (nested || waiter.nowMs != 200) return;
        nested = true;
        device.value = 200;  // the user turned the device up while the outer sound played
        inner = player.playsound(L"inner.wav", 100);
    };

    const PlayResult outer = player.playsound(L"outer.wav", 50);

    EXPECT_TRUE(outer.played);
    EXPECT_TRUE(inner.played);
    for (const std::string& entry : log)
        if (entry.rfind("device write ", 0) == 0) restored.push_back(std::stoul(entry.substr(13)));
    EXPECT_EQ(restored, (std::vector<std::uint32_t>{200, 100}));
    EXPECT_EQ(device.value, 100u);
    // Inner sound: 3 steps; then the outer wait sees the replaced sound over at once.
    EXPECT_EQ(waiter.nowMs, 200 + 300);
    EXPECT_FALSE(backend.playing());
}

}  // namespace
}  // namespace zt
