#pragma once
// Plays one sound file at the slider's loudness and waits for its end, keeping the sound
// device's own volume as it was. No window code: the back end, the device volume and the
// waits come in through seams.
#include <functional>
#include <optional>
#include <string>

#include "common/wait.h"
#include "playback/device_volume.h"
#include "playback/media_backend.h"

namespace zt {

// What became of a playsound call, for the caller to show.
struct PlayResult {
    bool played = false;
    // Why the file could not be played, or why it ended early when it played (its device
    // went away); empty when it played out, was stopped or did not get to play.
    std::wstring reason;
    std::wstring soundName;  // the file this speaks of: a call may have played a later call's file
    bool handedOn = false;   // the file went to the call that was loading a sound, which reports it
    explicit operator bool() const { return played; }
};

class Player {
public:
    // Told the moment the sound has started, before its end is waited for.
    using Started = std::function<void()>;

    Player(MediaBackend& backend, DeviceVolume& deviceVolume, Waiter& waiter)
        : backend_(backend), deviceVolume_(deviceVolume), waiter_(waiter) {}
    Player(const Player&) = delete;
    Player& operator=(const Player&) = delete;

    // Plays the file at dbVol(sliderValue) and returns when it is no longer playing: at
    // its end, after stop(), when another playsound replaced it, or when `abandoned`
    // (asked after every wait step) says so; an abandoned sound plays on. The device volume
    // read at the start is written back at the end, whatever happened.
    //
    // Events are handled while it waits, so playsound may be called again from inside; the
    // stack stays shallow whatever comes in. An inner call while the outer one waits for
    // the end replaces the sound and returns once it has started: the outer call goes on
    // waiting for the new sound. An inner call while a sound is being loaded hands its file
    // to the loading call (the latest wins) and returns at once with handedOn set; the
    // loading call then loads that file instead and reports on it (soundName).
    PlayResult playsound(const std::wstring& soundName, int sliderValue,
                         const std::function<bool()>& abandoned = {}, Started onStarted = {});

    // The "Stop sound" command: ends the sound in progress (or being loaded), nothing else.
    void stop();

private:
    struct Request {
        std::wstring soundName;
        int sliderValue;
        Started onStarted;
    };

    // Loads and starts the request, or the later ones handed on meanwhile.
    PlayResult load(Request request);

    MediaBackend& backend_;
    DeviceVolume& deviceVolume_;
    Waiter& waiter_;
    bool loading_ = false;          // a call is in the back end's setFileName
    bool waiting_ = false;          // a call is waiting for the end of the sound
    std::optional<Request> next_;   // handed on while loading
    unsigned stops_ = 0;
};

}  // namespace zt
