#pragma once
// What playback needs from a media player: five operations, so that the real one
// (Media Foundation and WASAPI) and a scripted one in tests are interchangeable. No window
// code.
#include <cstdint>
#include <string>
#include <utility>

namespace zt {

// The outcome of an operation that can fail: success, or a short reason a person can read.
struct MediaResult {
    bool ok = true;
    std::wstring reason;

    static MediaResult success() { return {}; }
    static MediaResult failure(std::wstring why) { return {false, std::move(why)}; }
    explicit operator bool() const { return ok; }
};

class MediaBackend {
public:
    // The play state while a sound is playing; anything else means it is not.
    static constexpr std::int32_t kPlaying = 2;
    static constexpr std::int32_t kStopped = 0;

    virtual ~MediaBackend() = default;

    // Attenuation in hundredths of a decibel, -10000 (silent) to 0 (full). Applies to the
    // file loaded now and to files loaded later.
    virtual void setVolume(std::int32_t hundredthsDb) = 0;
    // Loads a file by its full path. Replaces (and ends) the sound in progress, even when
    // the new file cannot be played.
    virtual MediaResult setFileName(const std::wstring& path) = 0;
    // Starts the file loaded last; once per load.
    virtual MediaResult start() = 0;
    // kPlaying until the sound has ended, failed or been stopped.
    virtual std::int32_t playState() = 0;
    // Ends the sound in progress; harmless when nothing plays.
    virtual void stop() = 0;
    // A waitable event (a HANDLE) signalled whenever no sound is playing, so that a wait for
    // the end of a sound wakes at the end itself; nullptr when the back end has none and
    // must be asked through playState().
    virtual void* endEvent() { return nullptr; }
    // What the user should know about where the file loaded last plays (on the default
    // device, the one chosen being missing); empty: nothing to say.
    virtual std::wstring outputNotice() const { return {}; }
    // Why the sound that ended last ended before its end (its device went away); empty
    // when it played out or was stopped.
    virtual std::wstring faultReason() const { return {}; }
};

}  // namespace zt
