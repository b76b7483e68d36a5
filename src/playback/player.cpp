#include "playback/player.h"

#include <utility>

#include "playback/volume.h"

namespace zt {

namespace {

// Writes the kept device volume back however playsound is left. A failed read keeps
// nothing: writing a made-up value would change (or silence) the device.
class DeviceVolumeKeeper {
public:
    explicit DeviceVolumeKeeper(DeviceVolume& device) : device_(device), kept_(device.read()) {}
    ~DeviceVolumeKeeper() {
        if (kept_) device_.write(*kept_);
    }
    DeviceVolumeKeeper(const DeviceVolumeKeeper&) = delete;
    DeviceVolumeKeeper& operator=(const DeviceVolumeKeeper&) = delete;

private:
    DeviceVolume& device_;
    std::optional<std::uint32_t> kept_;
};

// Sets a flag for the life of a scope, exceptions included.
class Flag {
public:
    explicit Flag(bool& flag) : flag_(flag) { flag_ = true; }
    ~Flag() { flag_ = false; }
    Flag(const Flag&) = delete;
    Flag& operator=(const Flag&) = delete;

private:
    bool& flag_;
};

constexpr std::int64_t kRecheckMs = 1000;

}  // namespace

PlayResult Player::playsound(const std::wstring& soundName, int sliderValue,
                             const std::function<bool()>& abandoned, Started onStarted) {
    if (loading_) {
        // Loading waits, and handles events meanwhile: loading here too would nest one more
        // wait for every file that comes in.
        next_ = Request{soundName, sliderValue, std::move(onStarted)};
        backend_.stop();  // the load below gives up at once and takes this file instead
        PlayResult handed;
        handed.soundName = soundName;
        handed.handedOn = true;
        return handed;
    }
    const DeviceVolumeKeeper keeper(deviceVolume_);
    PlayResult result = load({soundName, sliderValue, std::move(onStarted)});
    if (!result || waiting_) return result;  // a call further out waits for the end

    // Test first: a back end that is not playing right after the start ends the wait. The
    // back end's end event wakes the wait at the end itself; the deadline only bounds the
    // wait for a back end that has none.
    const Flag waiting(waiting_);
    while (backend_.playState() == MediaBackend::kPlaying) {
        waiter_.waitUntil(waiter_.clockMs() + kRecheckMs, backend_.endEvent());
        if (abandoned && abandoned()) return result;
    }
    result.reason = backend_.faultReason();
    return result;
}

PlayResult Player::load(Request request) {
    for (;;) {
        const unsigned stops = stops_;
        MediaResult loaded;
        {
            const Flag loading(loading_);
            backend_.setVolume(dbVol(request.sliderValue));
            loaded = backend_.setFileName(request.soundName);
        }
        if (next_) {  // a later file came in while this one loaded: it wins
            request = std::move(*next_);
            next_.reset();
            continue;
        }
        PlayResult result;
        result.soundName = request.soundName;
        if (stops_ != stops) return result;  // stopped before it started: nothing to report
        if (!loaded) {
            result.reason = std::move(loaded.reason);
            return result;
        }
        if (MediaResult started = backend_.start(); !started) {
            result.reason = std::move(started.reason);
            return result;
        }
        result.played = true;
        if (request.onStarted) request.onStarted();
        return result;
    }
}

void Player::stop() {
    ++stops_;
    next_.reset();
    backend_.stop();
}

}  // namespace zt
