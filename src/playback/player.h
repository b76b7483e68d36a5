#pragma once
// Plays one sound file at the slider's loudness and waits for its end, keeping the sound
// device's own volume as it was. No window code: the back end, the device volume and the
// waits come in through seams.
#include <functional>
#include <string>

#include "common/wait.h"
#include "playback/device_volume.h"
#include "playback/media_backend.h"

namespace zt {

// What became of a playsound call, for the caller to show.
struct PlayResult {
    bool played = false;
    std::wstring reason;  // why the file could not be played; empty when it played
    explicit operator bool() const { return played; }
};

class Player {
public:
    Player(MediaBackend& backend, DeviceVolume& deviceVolume, Waiter& waiter)
        : backend_(backend), deviceVolume_(deviceVolume), waiter_(waiter) {}
    Player(const Player&) = delete;
    Player& operator=(const Player&) = delete;

    // Plays the file at dbVol(sliderValue) and returns when it is no longer playing: at
    // its end, after stop(), when another playsound replaced it, or when `abandoned`
    // (asked after every wait step) says so; an abandoned sound plays on. Events are
    // processed while it waits, so playsound may be called again from inside; the inner
    // call replaces the sound. The device volume read at the start is written back at the
    // end, whatever happened.
    PlayResult playsound(const std::wstring& soundName, int sliderValue,
                         const std::function<bool()>& abandoned = {});

    // The "Stop sound" command: ends the sound in progress, nothing else.
    void stop() { backend_.stop(); }

private:
    MediaBackend& backend_;
    DeviceVolume& deviceVolume_;
    Waiter& waiter_;
};

}  // namespace zt
