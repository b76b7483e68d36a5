#pragma once
// The media back end: the program's own reader decodes the WAVs it knows, Media
// Foundation's source reader everything else, and WASAPI (shared mode, event-driven) plays
// them, the attenuation applied to the samples. Each sound has a thread of its own that
// opens the file and the device, plays, and lets all of it go. The UI
// thread waits for that thread only through the Waiter and only for so long: a sound that
// does not open within kOpenMs fails, and one whose thread does not end within kLetGoMs of
// a stop is left to end on its own (it owns everything it uses). Media Foundation is
// loaded and started on the first file that needs it and kept for the life of the process.
#include <windows.h>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "common/scoped.h"
#include "common/wait.h"
#include "playback/loudness.h"
#include "playback/media_backend.h"

namespace zt {

// How each sound is played beyond the slider's attenuation. Both off: the samples as the
// file has them, times the attenuation.
struct SoundShaping {
    bool level = false;      // every file at one loudness (kTargetLufs), its peak below kPeakCeilingDb
    bool softStart = false;  // the first second rises from -20 dB
};

// A file's loudness, decoded by the same readers that play it (COM initialised on the
// calling thread); nothing when it cannot be read or holds only silence, or when `quit` (if
// given) is signalled before the end.
std::optional<Loudness> measureLoudness(const std::wstring& path, HANDLE quit = nullptr);

// Why a sound could not play, as the clause after "Could not play <file>: ": our own words
// where we know better than the system what a code means for a sound, else the system's,
// and the bare code only where it has none.
std::wstring describePlayError(HRESULT hr);

class MfWasapiBackend final : public MediaBackend {
public:
    // Run on a sound's thread just before it opens the sound device, so that what it does
    // (take two seconds, never return) is what the device seems to do. Empty: nothing.
    using DeviceHook = std::function<void()>;

    // Where and how each sound plays, read as it is loaded: the endpoint id (empty: the
    // system's default of that moment) with the name it was chosen by, the lead-in for every
    // device (none: each device's own), and the shaping. A file to be levelled is measured
    // on its sound's thread before its first sample (once for the life of the back end
    // while it does not change); one that cannot be measured plays as it is.
    struct Output {
        std::wstring device;
        std::wstring deviceName;
        std::optional<std::int32_t> leadInMs;
        SoundShaping shaping;
    };
    using OutputSource = std::function<Output()>;

    static constexpr int kOpenMs = 3000;
    static constexpr int kLetGoMs = 1000;

    // The waiter must outlive the back end: its destructor still waits through it.
    explicit MfWasapiBackend(Waiter& waiter, DeviceHook beforeDevice = {});
    ~MfWasapiBackend() override;
    MfWasapiBackend(const MfWasapiBackend&) = delete;
    MfWasapiBackend& operator=(const MfWasapiBackend&) = delete;

    void setVolume(std::int32_t hundredthsDb) override;
    // Handles events while the sound opens. When a stop or another file comes in meanwhile,
    // this file is dropped and the call fails.
    MediaResult setFileName(const std::wstring& path) override;
    MediaResult start() override;
    std::int32_t playState() override;
    // Handles events for up to kLetGoMs while the sound's thread ends.
    void stop() override;
    // Signalled whenever no sound plays: at its last frame, a failure or a stop.
    void* endEvent() override;
    std::wstring outputNotice() const override;
    std::wstring faultReason() const override { return fault_; }
    // Where and how the sounds loaded from now on play; unset: the default device, no lead-in
    // but Bluetooth's, no shaping.
    void chooseOutput(OutputSource source) { output_ = std::move(source); }

    struct Shared;  // what every sound's thread reads, kept alive by the threads too
    struct Sound;   // one file's thread and what it shares with it

private:
    // Asks the sound's thread to end and waits up to waitMs for it; a thread that is still
    // there then joins the stragglers.
    void letGo(std::shared_ptr<Sound>&& sound, int waitMs);
    // Lets go of a sound that has ended, and of the stragglers that have ended since.
    void reap();

    Waiter& waiter_;
    std::shared_ptr<Shared> shared_;
    ScopedHandle idle_;  // always signalled: the end event while no sound is held
    std::shared_ptr<Sound> sound_;
    std::vector<ScopedHandle> stragglers_;  // threads of sounds let go that had not yet ended
    unsigned generation_ = 0;                // one more at every stop and every file
    OutputSource output_;
    std::wstring fault_;  // why the sound that ended last ended early
};

}  // namespace zt
