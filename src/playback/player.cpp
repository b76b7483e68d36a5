#include "playback/player.h"

#include <optional>

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

constexpr std::int64_t kRecheckMs = 1000;

}  // namespace

PlayResult Player::playsound(const std::wstring& soundName, int sliderValue,
                             const std::function<bool()>& abandoned) {
    const DeviceVolumeKeeper keeper(deviceVolume_);

    backend_.setVolume(dbVol(sliderValue));
    if (MediaResult loaded = backend_.setFileName(soundName); !loaded)
        return {false, std::move(loaded.reason)};
    if (MediaResult started = backend_.start(); !started)
        return {false, std::move(started.reason)};

    // Test first: a back end that is not playing right after the start ends the wait. The
    // back end's end event wakes the wait at the end itself; the deadline only bounds the
    // wait for a back end that has none.
    while (backend_.playState() == MediaBackend::kPlaying) {
        waiter_.waitUntil(waiter_.clockMs() + kRecheckMs, backend_.endEvent());
        if (abandoned && abandoned()) break;
    }
    return {true, {}};
}

}  // namespace zt
