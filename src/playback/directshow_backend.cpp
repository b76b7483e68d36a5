#include "playback/directshow_backend.h"

#include <algorithm>
#include <cwchar>

namespace zt {

namespace {

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
        control_ = graph_.as<IMediaControl>();
        events_ = graph_.as<IMediaEventEx>();
        if (!control_ || !events_) hr = E_NOINTERFACE;
    }
    if (FAILED(hr)) {
        release();
        return MediaResult::failure(describe(hr));
    }
    // A file without a sound stream has no audio interface; it plays silently.
    audio_ = graph_.as<IBasicAudio>();
    if (audio_) audio_->put_Volume(volume_);
    return MediaResult::success();
}

MediaResult DirectShowBackend::start() {
    if (!control_) return MediaResult::failure(L"no file is loaded");
    // Events of an earlier run must not end this one.
    drainEvents();
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
    return playing_ ? kPlaying : kStopped;
}

void DirectShowBackend::stop() {
    if (control_) control_->Stop();
    playing_ = false;
}

void DirectShowBackend::drainEvents() {
    if (!events_) return;
    long code = 0;
    LONG_PTR param1 = 0;
    LONG_PTR param2 = 0;
    bool ended = false;
    while (events_->GetEvent(&code, &param1, &param2, 0) == S_OK) {
        events_->FreeEventParams(code, param1, param2);
        switch (code) {
            case EC_COMPLETE:
            case EC_ERRORABORT:
            case EC_ERRORABORTEX:
            case EC_USERABORT:
            case EC_STREAM_ERROR_STOPPED:
                ended = true;
                break;
            default:
                break;
        }
    }
    // The graph stays running after its last sample; stop it so the device is let go.
    if (ended && playing_) stop();
}

void DirectShowBackend::release() {
    if (control_) control_->Stop();
    playing_ = false;
    audio_.reset();
    events_.reset();
    control_.reset();
    graph_.reset();
}

}  // namespace zt
