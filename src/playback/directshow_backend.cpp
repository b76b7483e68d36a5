#include "playback/directshow_backend.h"

#include <algorithm>
#include <cwchar>
#include <iterator>

namespace zt {

namespace {

// EC_COMPLETE comes when the last buffer has been handed to the device, which plays it
// for up to about 200 ms more (seen under Wine). The graph is let go once that tail has
// played: stopping at once cuts the end off the sound, and a graph that is kept, even
// stopped, keeps the sound device open and mixing silence (some 4 % of a core, all day).
constexpr ULONGLONG kTailMs = 200;

std::wstring describe(HRESULT hr) {
    switch (hr) {
        case HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND):
        case HRESULT_FROM_WIN32(ERROR_PATH_NOT_FOUND):
        case VFW_E_NOT_FOUND:
            return L"the file was not found";
        case HRESULT_FROM_WIN32(ERROR_ACCESS_DENIED):
        case HRESULT_FROM_WIN32(ERROR_SHARING_VIOLATION):
            return L"the file cannot be opened";
        case VFW_E_UNKNOWN_FILE_TYPE:
        case VFW_E_UNSUPPORTED_STREAM:
        case VFW_E_CANNOT_RENDER:
        case VFW_E_CANNOT_CONNECT:
        case VFW_E_NO_ACCEPTABLE_TYPES:
        case VFW_E_INVALID_FILE_FORMAT:
        case VFW_E_TYPE_NOT_ACCEPTED:
            return L"the file is damaged or not a sound this computer can play";
        case VFW_E_NO_AUDIO_HARDWARE:
            return L"no sound device is available";
        default: {
            wchar_t text[64];
            std::swprintf(text, std::size(text), L"the sound cannot be played (error 0x%08lX)",
                          static_cast<unsigned long>(hr));
            return text;
        }
    }
}

}  // namespace

void DirectShowBackend::setVolume(std::int32_t hundredthsDb) {
    volume_ = std::clamp<long>(hundredthsDb, -10000, 0);
    if (audio_) audio_->put_Volume(volume_);
}

MediaResult DirectShowBackend::setFileName(const std::wstring& path) {
    release();
    if (path.empty()) return MediaResult::failure(describe(VFW_E_NOT_FOUND));

    HRESULT hr = CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER,
                                  IID_IGraphBuilder, graph_.putVoid());
    if (FAILED(hr)) return MediaResult::failure(describe(hr));
    hr = graph_->RenderFile(path.c_str(), nullptr);
    if (SUCCEEDED(hr)) {
        // By IID: MinGW's headers give IMediaEventEx and IBasicAudio no __uuidof.
        hr = graph_->QueryInterface(IID_IMediaControl, control_.putVoid());
        if (SUCCEEDED(hr)) hr = graph_->QueryInterface(IID_IMediaEventEx, events_.putVoid());
    }
    if (FAILED(hr)) {
        release();
        return MediaResult::failure(describe(hr));
    }
    // A file without a sound stream has no audio interface; it plays silently.
    if (SUCCEEDED(graph_->QueryInterface(IID_IBasicAudio, audio_.putVoid())))
        audio_->put_Volume(volume_);
    return MediaResult::success();
}

MediaResult DirectShowBackend::start() {
    if (!control_) return MediaResult::failure(L"no file is loaded");
    // Events of an earlier run must not end this one.
    drainEvents();
    completedAt_ = 0;
    const HRESULT hr = control_->Run();
    if (FAILED(hr)) {
        control_->Stop();
        playing_ = false;
        return MediaResult::failure(describe(hr));
    }
    playing_ = true;
    return MediaResult::success();
}

std::int32_t DirectShowBackend::playState() {
    drainEvents();
    if (completedAt_ != 0 && GetTickCount64() - completedAt_ >= kTailMs) release();
    return playing_ ? kPlaying : kStopped;
}

void DirectShowBackend::stop() { release(); }

bool DirectShowBackend::graphRunning() const {
    OAFilterState state = State_Stopped;
    return control_ && SUCCEEDED(control_->GetState(0, &state)) && state == State_Running;
}

void DirectShowBackend::drainEvents() {
    if (!events_) return;
    long code = 0;
    LONG_PTR param1 = 0;
    LONG_PTR param2 = 0;
    bool failed = false;
    while (events_->GetEvent(&code, &param1, &param2, 0) == S_OK) {
        events_->FreeEventParams(code, param1, param2);
        switch (code) {
            case EC_COMPLETE:
                // Under Wine the graph stays running after this; playState() lets it go
                // once the tail has played.
                if (playing_ && completedAt_ == 0) completedAt_ = GetTickCount64();
                break;
            case EC_ERRORABORT:
            case EC_ERRORABORTEX:
            case EC_USERABORT:
            case EC_STREAM_ERROR_STOPPED:
                failed = true;
                break;
            default:
                break;
        }
    }
    if (failed) release();
}

void DirectShowBackend::release() {
    if (control_) control_->Stop();
    playing_ = false;
    completedAt_ = 0;
    audio_.reset();
    events_.reset();
    control_.reset();
    graph_.reset();
}

}  // namespace zt
