#pragma once
// The media back end: Media Foundation's source reader decodes the file to PCM and WASAPI
// (shared mode, event-driven) plays it, the attenuation applied to the samples. Each sound
// has a thread of its own that opens the file and the device, plays, and lets all of it go
// (Media Foundation included) before it ends; stop() waits for that thread, so nothing of
// a sound outlives it. Media Foundation is loaded on first use: the program starts without
// it, and the media check tells the user.
#include <windows.h>

#include <atomic>
#include <memory>
#include <string>

#include "common/scoped.h"
#include "playback/media_backend.h"

namespace zt {

class MfWasapiBackend final : public MediaBackend {
public:
    MfWasapiBackend();
    ~MfWasapiBackend() override;
    MfWasapiBackend(const MfWasapiBackend&) = delete;
    MfWasapiBackend& operator=(const MfWasapiBackend&) = delete;

    void setVolume(std::int32_t hundredthsDb) override;
    MediaResult setFileName(const std::wstring& path) override;
    MediaResult start() override;
    std::int32_t playState() override;
    void stop() override;
    // Signalled whenever no sound plays: at its last frame, a failure or a stop.
    void* endEvent() override { return idle_.get(); }

    // Whether a sound's thread (and with it the device and the decoder) is still held.
    bool holdsASound() const { return sound_ != nullptr; }

    struct Sound;  // one file's thread and what it shares with it

private:
    // Lets go of a sound whose thread has ended.
    void reapFinished();

    std::atomic<float> gain_{1.0f};  // read by the sound's thread at every buffer
    ScopedHandle idle_;
    std::unique_ptr<Sound> sound_;
};

}  // namespace zt
