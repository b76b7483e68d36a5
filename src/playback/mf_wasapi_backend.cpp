#include "playback/mf_wasapi_backend.h"

// Media Foundation before WASAPI: in the other order MinGW's headers define a few
// structures twice.
#include <mfapi.h>
#include <mferror.h>
#include <mfidl.h>
#include <mfreadwrite.h>
#include <audioclient.h>
#include <mmdeviceapi.h>
#include <mmreg.h>

#include <algorithm>
#include <cstring>
#include <cwchar>
#include <iterator>
#include <optional>
#include <vector>

#include "common/winutil.h"
#include "playback/sample_gain.h"

namespace zt {

namespace {

constexpr DWORD kAudioStream = static_cast<DWORD>(MF_SOURCE_READER_FIRST_AUDIO_STREAM);
// The device buffer: long enough that a busy machine does not starve it, short enough that
// a stop is heard at once (the stop itself does not wait for it).
constexpr REFERENCE_TIME kBufferHns = 2'000'000;  // 200 ms
// How long the device may go without asking for data before the sound counts as ended.
constexpr DWORD kStallMs = 2000;
constexpr HRESULT kNoMediaFoundation = HRESULT_FROM_WIN32(ERROR_MOD_NOT_FOUND);

std::wstring describe(HRESULT hr) {
    switch (hr) {
        case HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND):
        case HRESULT_FROM_WIN32(ERROR_PATH_NOT_FOUND):
        case HRESULT_FROM_WIN32(ERROR_INVALID_NAME):
            return L"the file was not found";
        case HRESULT_FROM_WIN32(ERROR_ACCESS_DENIED):
        case HRESULT_FROM_WIN32(ERROR_SHARING_VIOLATION):
            return L"the file cannot be opened";
        case kNoMediaFoundation:
            return L"Media Foundation is missing on this computer";
        case MF_E_UNSUPPORTED_BYTESTREAM_TYPE:
        case MF_E_UNSUPPORTED_FORMAT:
        case MF_E_INVALIDMEDIATYPE:
        case MF_E_INVALIDSTREAMNUMBER:
        case MF_E_INVALID_FORMAT:
        case MF_E_TOPO_CODEC_NOT_FOUND:
        case MF_E_NO_MORE_TYPES:
        case MF_E_BYTESTREAM_NOT_SEEKABLE:
        case AUDCLNT_E_UNSUPPORTED_FORMAT:
            return L"the file is damaged or not a sound this computer can play";
        case AUDCLNT_E_DEVICE_INVALIDATED:
        case AUDCLNT_E_SERVICE_NOT_RUNNING:
        case AUDCLNT_E_ENDPOINT_CREATE_FAILED:
        case HRESULT_FROM_WIN32(ERROR_NOT_FOUND):
            return L"no sound device is available";
        default: {
            wchar_t text[64];
            std::swprintf(text, std::size(text), L"the sound cannot be played (error 0x%08lX)",
                          static_cast<unsigned long>(hr));
            return text;
        }
    }
}

// Media Foundation's entry points, taken from the system's DLLs on first use. They stay
// loaded for the life of the process; Media Foundation itself is started per sound.
struct MfApi {
    decltype(&MFStartup) startup = nullptr;
    decltype(&MFShutdown) shutdown = nullptr;
    decltype(&MFCreateMediaType) createMediaType = nullptr;
    decltype(&MFCreateWaveFormatExFromMFMediaType) waveFormatFromType = nullptr;
    decltype(&MFCreateSourceReaderFromURL) createReader = nullptr;
};

const MfApi* mfApi() {
    static const std::optional<MfApi> api = []() -> std::optional<MfApi> {
        const HMODULE platform = LoadLibraryExW(L"mfplat.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
        const HMODULE readers = LoadLibraryExW(L"mfreadwrite.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
        MfApi a;
        if (loadFunction(platform, "MFStartup", a.startup) && loadFunction(platform, "MFShutdown", a.shutdown) &&
            loadFunction(platform, "MFCreateMediaType", a.createMediaType) &&
            loadFunction(platform, "MFCreateWaveFormatExFromMFMediaType", a.waveFormatFromType) &&
            loadFunction(readers, "MFCreateSourceReaderFromURL", a.createReader))
            return a;
        return std::nullopt;
    }();
    return api ? &*api : nullptr;
}

// COM (free threaded) and Media Foundation for the life of a sound's thread.
class ThreadRuntime {
public:
    explicit ThreadRuntime(const MfApi& api) : api_(api) {
        com_ = SUCCEEDED(CoInitializeEx(nullptr, COINIT_MULTITHREADED));
        mf_ = com_ && SUCCEEDED(api_.startup(MF_VERSION, MFSTARTUP_LITE));
    }
    ~ThreadRuntime() {
        if (mf_) api_.shutdown();
        if (com_) CoUninitialize();
    }
    ThreadRuntime(const ThreadRuntime&) = delete;
    ThreadRuntime& operator=(const ThreadRuntime&) = delete;
    bool ok() const { return mf_; }

private:
    const MfApi& api_;
    bool com_ = false;
    bool mf_ = false;
};

struct CoTaskMemFreer {
    void operator()(void* p) const { CoTaskMemFree(p); }
};

// An extensible format's sub-format as a format tag: its first field, when the rest is the
// common base GUID ({xxxxxxxx-0000-0010-8000-00AA00389B71}).
WORD subFormatTag(const WAVEFORMATEXTENSIBLE& format) {
    static constexpr unsigned char kBase[] = {0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};
    const GUID& id = format.SubFormat;
    const bool based = id.Data2 == 0 && id.Data3 == 0x10 && std::memcmp(id.Data4, kBase, sizeof kBase) == 0;
    return based && id.Data1 <= 0xFFFF ? static_cast<WORD>(id.Data1) : WAVE_FORMAT_UNKNOWN;
}

// The sample layout the device is given; nothing for one that is not played.
std::optional<SampleFormat> layoutOf(const WAVEFORMATEX& format) {
    WORD tag = format.wFormatTag;
    if (tag == WAVE_FORMAT_EXTENSIBLE && format.cbSize >= 22)
        tag = subFormatTag(reinterpret_cast<const WAVEFORMATEXTENSIBLE&>(format));
    const bool isFloat = tag == WAVE_FORMAT_IEEE_FLOAT;
    if (!isFloat && tag != WAVE_FORMAT_PCM) return std::nullopt;
    if (format.nChannels == 0 || format.nBlockAlign % format.nChannels != 0) return std::nullopt;
    return sampleFormatOf(8u * format.nBlockAlign / format.nChannels, isFloat);
}

// One file decoded and played on the calling thread: open(), then render() until the end
// or until `quit` is signalled.
class Renderer {
public:
    Renderer(const MfApi& api, const std::atomic<float>& gain) : api_(api), gain_(gain) {}
    ~Renderer() {
        if (started_) client_->Stop();
    }
    Renderer(const Renderer&) = delete;
    Renderer& operator=(const Renderer&) = delete;

    HRESULT open(const std::wstring& path) {
        if (!FileExists(path)) return HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND);
        HRESULT hr = api_.createReader(path.c_str(), nullptr, reader_.put());
        if (FAILED(hr)) return hr;
        reader_->SetStreamSelection(static_cast<DWORD>(MF_SOURCE_READER_ALL_STREAMS), FALSE);
        hr = reader_->SetStreamSelection(kAudioStream, TRUE);
        if (FAILED(hr)) return hr;
        // Float where the decoder offers it (the gain is then exact), else integers.
        for (const GUID& subtype : {MFAudioFormat_Float, MFAudioFormat_PCM}) {
            ComPtr<IMFMediaType> wanted;
            hr = api_.createMediaType(wanted.put());
            if (FAILED(hr)) return hr;
            wanted->SetGUID(MF_MT_MAJOR_TYPE, MFMediaType_Audio);
            wanted->SetGUID(MF_MT_SUBTYPE, subtype);
            hr = reader_->SetCurrentMediaType(kAudioStream, nullptr, wanted.get());
            if (SUCCEEDED(hr)) break;
        }
        if (FAILED(hr)) return hr;
        ComPtr<IMFMediaType> current;
        hr = reader_->GetCurrentMediaType(kAudioStream, current.put());
        if (FAILED(hr)) return hr;
        WAVEFORMATEX* raw = nullptr;
        UINT32 size = 0;
        hr = api_.waveFormatFromType(current.get(), &raw, &size, MFWaveFormatExConvertFlag_Normal);
        if (FAILED(hr)) return hr;
        format_.reset(raw);
        const auto layout = layoutOf(*format_);
        if (!layout || format_->nSamplesPerSec == 0) return MF_E_INVALIDMEDIATYPE;
        layout_ = *layout;
        return openDevice();
    }

    // Plays to the last frame, or until quit is signalled or the device fails.
    void render(HANDLE quit) {
        if (!fill()) return;
        if (FAILED(client_->Start())) return;
        started_ = true;
        const HANDLE waits[] = {quit, bufferReady_.get()};
        for (;;) {
            const DWORD woke = WaitForMultipleObjects(2, waits, FALSE, kStallMs);
            if (woke != WAIT_OBJECT_0 + 1) return;  // stopped, stalled or failed
            if (!fill() || allPlayed()) return;
        }
    }

private:
    HRESULT openDevice() {
        ComPtr<IMMDeviceEnumerator> devices;
        HRESULT hr = CoCreateInstance(__uuidof(MMDeviceEnumerator), nullptr, CLSCTX_INPROC_SERVER,
                                      __uuidof(IMMDeviceEnumerator), devices.putVoid());
        if (FAILED(hr)) return hr;
        ComPtr<IMMDevice> device;
        hr = devices->GetDefaultAudioEndpoint(eRender, eConsole, device.put());
        if (FAILED(hr)) return hr;
        hr = device->Activate(__uuidof(IAudioClient), CLSCTX_INPROC_SERVER, nullptr, client_.putVoid());
        if (FAILED(hr)) return hr;
        // The engine converts rate and channels to the mix format; the session is not
        // remembered by the system (no entry of ours in the volume mixer's history).
        const DWORD flags = AUDCLNT_STREAMFLAGS_EVENTCALLBACK | AUDCLNT_STREAMFLAGS_NOPERSIST |
                            AUDCLNT_STREAMFLAGS_AUTOCONVERTPCM | AUDCLNT_STREAMFLAGS_SRC_DEFAULT_QUALITY;
        hr = client_->Initialize(AUDCLNT_SHAREMODE_SHARED, flags, kBufferHns, 0, format_.get(), nullptr);
        if (FAILED(hr)) return hr;
        bufferReady_.reset(CreateEventW(nullptr, FALSE, FALSE, nullptr));
        if (!bufferReady_) return HRESULT_FROM_WIN32(GetLastError());
        if (FAILED(hr = client_->SetEventHandle(bufferReady_.get()))) return hr;
        if (FAILED(hr = client_->GetBufferSize(&bufferFrames_))) return hr;
        if (FAILED(hr = client_->GetService(__uuidof(IAudioRenderClient), render_.putVoid()))) return hr;
        if (FAILED(hr = client_->GetService(__uuidof(IAudioClock), clock_.putVoid()))) return hr;
        return clock_->GetFrequency(&clockHz_);
    }

    // Hands the device as much as it has room for. False when the device failed.
    bool fill() {
        UINT32 padding = 0;
        if (FAILED(client_->GetCurrentPadding(&padding))) return false;
        UINT32 room = bufferFrames_ - std::min(padding, bufferFrames_);
        const std::size_t frameBytes = format_->nBlockAlign;
        while (room > 0) {
            if (taken_ == pending_.size()) {
                if (ended_) break;
                decodeMore();
                continue;
            }
            const auto frames = static_cast<UINT32>(std::min<std::size_t>(room, (pending_.size() - taken_) / frameBytes));
            BYTE* out = nullptr;
            if (FAILED(render_->GetBuffer(frames, &out))) return false;
            const std::size_t bytes = frames * frameBytes;
            std::memcpy(out, pending_.data() + taken_, bytes);
            applyGain(out, bytes / (frameBytes / format_->nChannels), layout_, gain_.load());
            if (FAILED(render_->ReleaseBuffer(frames, 0))) return false;
            taken_ += bytes;
            written_ += frames;
            room -= frames;
        }
        return true;
    }

    // The next decoded block into pending_; at the end of the file (or a decoding error,
    // which ends the sound where it is) ended_ is set instead.
    void decodeMore() {
        pending_.clear();
        taken_ = 0;
        DWORD flags = 0;
        ComPtr<IMFSample> sample;
        if (FAILED(reader_->ReadSample(kAudioStream, 0, nullptr, &flags, nullptr, sample.put())) ||
            (flags & (MF_SOURCE_READERF_ENDOFSTREAM | MF_SOURCE_READERF_ERROR))) {
            ended_ = true;
            return;
        }
        if (!sample) return;  // a gap in the stream: nothing to play yet
        ComPtr<IMFMediaBuffer> buffer;
        if (FAILED(sample->ConvertToContiguousBuffer(buffer.put()))) return;
        BYTE* data = nullptr;
        DWORD length = 0;
        if (FAILED(buffer->Lock(&data, nullptr, &length))) return;
        pending_.assign(data, data + (length - length % format_->nBlockAlign));
        buffer->Unlock();
    }

    // The last frame handed over has been played, by the device's own clock.
    bool allPlayed() {
        if (!ended_ || taken_ != pending_.size()) return false;
        UINT64 position = 0;
        if (clockHz_ == 0 || FAILED(clock_->GetPosition(&position, nullptr))) return true;
        return position * format_->nSamplesPerSec / clockHz_ >= written_;
    }

    const MfApi& api_;
    const std::atomic<float>& gain_;
    ComPtr<IMFSourceReader> reader_;
    std::unique_ptr<WAVEFORMATEX, CoTaskMemFreer> format_;
    SampleFormat layout_ = SampleFormat::s16;
    ScopedHandle bufferReady_;  // before the client, which signals it until it goes
    ComPtr<IAudioClient> client_;
    ComPtr<IAudioRenderClient> render_;
    ComPtr<IAudioClock> clock_;
    UINT32 bufferFrames_ = 0;
    UINT64 clockHz_ = 0;
    bool started_ = false;
    std::vector<BYTE> pending_;  // decoded, not yet handed to the device
    std::size_t taken_ = 0;      // bytes of pending_ already handed over
    bool ended_ = false;         // the decoder has nothing more
    UINT64 written_ = 0;         // frames handed to the device
};

}  // namespace

struct MfWasapiBackend::Sound {
    Sound(std::wstring file, const std::atomic<float>& volume, HANDLE idleEvent)
        : path(std::move(file)), gain(volume), idle(idleEvent) {}

    static DWORD WINAPI threadMain(void* self) {
        static_cast<Sound*>(self)->run();
        return 0;
    }

    void run() {
        const MfApi* api = mfApi();
        if (!api) {
            opened = kNoMediaFoundation;
        } else {
            const ThreadRuntime runtime(*api);
            if (!runtime.ok()) {
                opened = E_FAIL;
            } else {
                Renderer renderer(*api, gain);
                opened = renderer.open(path);
                SetEvent(ready.get());
                const HANDLE waits[] = {quit.get(), go.get()};
                if (SUCCEEDED(opened) && WaitForMultipleObjects(2, waits, FALSE, INFINITE) == WAIT_OBJECT_0 + 1)
                    renderer.render(quit.get());
            }  // the device, the decoder and Media Foundation are let go here
        }
        SetEvent(ready.get());
        finished = true;
        SetEvent(idle);
    }

    std::wstring path;
    const std::atomic<float>& gain;
    HANDLE idle;
    ScopedHandle ready{CreateEventW(nullptr, TRUE, FALSE, nullptr)};
    ScopedHandle go{CreateEventW(nullptr, TRUE, FALSE, nullptr)};
    ScopedHandle quit{CreateEventW(nullptr, TRUE, FALSE, nullptr)};
    ScopedHandle thread;
    HRESULT opened = E_FAIL;  // written by the thread before `ready`
    std::atomic<bool> started{false};
    std::atomic<bool> finished{false};
};

MfWasapiBackend::MfWasapiBackend() : idle_(CreateEventW(nullptr, TRUE, TRUE, nullptr)) {}

MfWasapiBackend::~MfWasapiBackend() { stop(); }

void MfWasapiBackend::setVolume(std::int32_t hundredthsDb) { gain_ = gainOf(hundredthsDb); }

MediaResult MfWasapiBackend::setFileName(const std::wstring& path) {
    stop();
    if (path.empty()) return MediaResult::failure(describe(HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND)));
    auto sound = std::make_unique<Sound>(path, gain_, idle_.get());
    if (!sound->ready || !sound->go || !sound->quit) return MediaResult::failure(describe(E_OUTOFMEMORY));
    sound->thread.reset(CreateThread(nullptr, 0, &Sound::threadMain, sound.get(), 0, nullptr));
    if (!sound->thread) return MediaResult::failure(describe(HRESULT_FROM_WIN32(GetLastError())));
    WaitForSingleObject(sound->ready.get(), INFINITE);
    const HRESULT opened = sound->opened;
    sound_ = std::move(sound);
    if (FAILED(opened)) {
        stop();
        return MediaResult::failure(describe(opened));
    }
    return MediaResult::success();
}

MediaResult MfWasapiBackend::start() {
    reapFinished();
    if (!sound_ || sound_->started) return MediaResult::failure(L"no file is loaded");
    sound_->started = true;
    ResetEvent(idle_.get());
    SetEvent(sound_->go.get());
    return MediaResult::success();
}

std::int32_t MfWasapiBackend::playState() {
    reapFinished();
    return sound_ && sound_->started ? kPlaying : kStopped;
}

void MfWasapiBackend::stop() {
    if (sound_) {
        SetEvent(sound_->quit.get());
        WaitForSingleObject(sound_->thread.get(), INFINITE);
        sound_.reset();
    }
    SetEvent(idle_.get());
}

void MfWasapiBackend::reapFinished() {
    if (sound_ && sound_->finished) stop();
}

}  // namespace zt
