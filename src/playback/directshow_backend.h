#pragma once
// The media back end on DirectShow (quartz.dll): one filter graph per file. COM must be
// initialised on the calling thread (apartment threaded) for as long as this lives.
#include <windows.h>
#include <dshow.h>

#include "common/scoped.h"
#include "playback/media_backend.h"

namespace zt {

class DirectShowBackend final : public MediaBackend {
public:
    DirectShowBackend() = default;
    ~DirectShowBackend() override { release(); }
    DirectShowBackend(const DirectShowBackend&) = delete;
    DirectShowBackend& operator=(const DirectShowBackend&) = delete;

    void setVolume(std::int32_t hundredthsDb) override;
    MediaResult setFileName(const std::wstring& path) override;
    MediaResult start() override;
    std::int32_t playState() override;
    void stop() override;

    // Whether the graph is still running (a finished sound's graph must not be: it would
    // keep the sound device busy playing silence).
    bool graphRunning() const;

private:
    // Stops and lets go of the graph of the current file.
    void release();
    // Takes the events that arrived; notes the end of the sound.
    void drainEvents();

    ComPtr<IGraphBuilder> graph_;
    ComPtr<IMediaControl> control_;
    ComPtr<IMediaEventEx> events_;
    ComPtr<IBasicAudio> audio_;
    long volume_ = 0;       // kept for files loaded later
    bool playing_ = false;  // from a successful start until the end, an error or stop
    ULONGLONG completedAt_ = 0;  // when EC_COMPLETE arrived; 0 when it has not
};

}  // namespace zt
