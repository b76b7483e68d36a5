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
#include <atomic>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <iterator>
#include <new>
#include <optional>
#include <vector>

#include "common/winutil.h"
#include "playback/downmix.h"
#include "playback/endpoint.h"
#include "playback/lead_in.h"
#include "playback/envelope.h"
#include "playback/sample_gain.h"
#include "playback/wav_reader.h"

namespace zt {

namespace {

constexpr DWORD kAudioStream = static_cast<DWORD>(MF_SOURCE_READER_FIRST_AUDIO_STREAM);
// The device buffer: long enough that a busy machine does not starve it, short enough that
// a stop is heard at once (the stop itself does not wait for it).
constexpr REFERENCE_TIME kBufferHns = 2'000'000;  // 200 ms
// How long the device may go without asking for data before the sound counts as ended.
constexpr DWORD kStallMs = 2000;
// How long a sound cut short may take to play what it had handed over and its fade.
constexpr DWORD kFadeWaitMs = 500;
constexpr HRESULT kNoMediaFoundation = HRESULT_FROM_WIN32(ERROR_MOD_NOT_FOUND);
// Opened, but not one frame to play in it.
constexpr HRESULT kNoSound = MAKE_HRESULT(SEVERITY_ERROR, FACILITY_ITF, 0x201);
// The platform's decoders could not make sense of the file and gave no reason of their own.
constexpr HRESULT kNotDecodable = MAKE_HRESULT(SEVERITY_ERROR, FACILITY_ITF, 0x202);
// Frames decoded at a time.
constexpr std::size_t kBlockFrames = 4096;

// Media Foundation keeps the words for its own codes in a library of messages alone; loaded
// the first time one is needed, as data, and kept.
HMODULE mediaFoundationMessages() {
    static const HMODULE messages =
        LoadLibraryExW(L"mferror.dll", nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_SEARCH_SYSTEM32);
    return messages;
}

}  // namespace

std::wstring describePlayError(HRESULT hr) {
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
        case kNoSound:
            return L"the file holds no sound";
        case E_OUTOFMEMORY:
            return L"the computer is out of memory";
        case E_UNEXPECTED:
            return L"the sound ended on an unexpected error";
        case kNotDecodable:
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
            if (auto words = systemMessage(hr, HRESULT_FACILITY(hr) == FACILITY_MF ? mediaFoundationMessages() : nullptr))
                return *std::move(words);
            wchar_t text[32];
            std::swprintf(text, std::size(text), L"error 0x%08lX", static_cast<unsigned long>(hr));
            return text;
        }
    }
}

namespace {

// Media Foundation's entry points, taken from the system's DLLs on first use, and Media
// Foundation itself started then: both are kept for the life of the process (starting and
// shutting it down per sound costs memory every time under Wine). It is shut down at exit:
// Wine's work queues crash a process that leaves with them running.
struct MfApi {
    decltype(&MFStartup) startup = nullptr;
    decltype(&MFShutdown) shutdown = nullptr;
    decltype(&MFCreateMediaType) createMediaType = nullptr;
    decltype(&MFCreateWaveFormatExFromMFMediaType) waveFormatFromType = nullptr;
    decltype(&MFCreateSourceReaderFromURL) createReader = nullptr;
};

decltype(&MFShutdown) shutdownAtExit = nullptr;

const MfApi* mfApi() {
    static const std::optional<MfApi> api = []() -> std::optional<MfApi> {
        const HMODULE platform = LoadLibraryExW(L"mfplat.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
        const HMODULE readers = LoadLibraryExW(L"mfreadwrite.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
        MfApi a;
        if (loadFunction(platform, "MFStartup", a.startup) && loadFunction(platform, "MFShutdown", a.shutdown) &&
            loadFunction(platform, "MFCreateMediaType", a.createMediaType) &&
            loadFunction(platform, "MFCreateWaveFormatExFromMFMediaType", a.waveFormatFromType) &&
            loadFunction(readers, "MFCreateSourceReaderFromURL", a.createReader) &&
            SUCCEEDED(a.startup(MF_VERSION, MFSTARTUP_LITE))) {
            shutdownAtExit = a.shutdown;
            std::atexit([] { shutdownAtExit(); });
            return a;
        }
        return std::nullopt;
    }();
    return api ? &*api : nullptr;
}

// COM, free threaded, for the life of a sound's thread.
class ComApartment {
public:
    ComApartment() : ok_(SUCCEEDED(CoInitializeEx(nullptr, COINIT_MULTITHREADED))) {}
    ~ComApartment() {
        if (ok_) CoUninitialize();
    }
    ComApartment(const ComApartment&) = delete;
    ComApartment& operator=(const ComApartment&) = delete;
    bool ok() const { return ok_; }

private:
    bool ok_;
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

// A decoder of one file into interleaved float frames.
class Source {
public:
    virtual ~Source() = default;
    // The next block of frames into `out`; empty at the end.
    virtual void read(std::vector<float>& out) = 0;

    unsigned channels = 0;
    DWORD rate = 0;
    DWORD channelMask = 0;  // 0: the usual speakers for the count
};

// The platform's decoders.
class MfSource final : public Source {
public:
    explicit MfSource(const MfApi& api) : api_(api) {}

    HRESULT open(const std::wstring& path) {
        HRESULT hr = api_.createReader(path.c_str(), nullptr, reader_.put());
        if (FAILED(hr)) return hr;
        reader_->SetStreamSelection(static_cast<DWORD>(MF_SOURCE_READER_ALL_STREAMS), FALSE);
        if (FAILED(hr = reader_->SetStreamSelection(kAudioStream, TRUE))) return hr;
        // Float where the decoder offers it, else integers.
        for (const GUID& subtype : {MFAudioFormat_Float, MFAudioFormat_PCM}) {
            ComPtr<IMFMediaType> wanted;
            if (FAILED(hr = api_.createMediaType(wanted.put()))) return hr;
            wanted->SetGUID(MF_MT_MAJOR_TYPE, MFMediaType_Audio);
            wanted->SetGUID(MF_MT_SUBTYPE, subtype);
            if (SUCCEEDED(hr = reader_->SetCurrentMediaType(kAudioStream, nullptr, wanted.get()))) break;
        }
        if (FAILED(hr)) return hr;
        ComPtr<IMFMediaType> current;
        if (FAILED(hr = reader_->GetCurrentMediaType(kAudioStream, current.put()))) return hr;
        WAVEFORMATEX* raw = nullptr;
        UINT32 size = 0;
        if (FAILED(hr = api_.waveFormatFromType(current.get(), &raw, &size, MFWaveFormatExConvertFlag_Normal))) return hr;
        const std::unique_ptr<WAVEFORMATEX, CoTaskMemFreer> format(raw);
        WORD tag = format->wFormatTag;
        if (tag == WAVE_FORMAT_EXTENSIBLE && format->cbSize >= 22) {
            const auto& extensible = reinterpret_cast<const WAVEFORMATEXTENSIBLE&>(*format);
            tag = subFormatTag(extensible);
            channelMask = extensible.dwChannelMask;
        }
        channels = format->nChannels;
        rate = format->nSamplesPerSec;
        isFloat_ = tag == WAVE_FORMAT_IEEE_FLOAT;
        if (channels == 0 || rate == 0 || format->nBlockAlign % channels != 0) return MF_E_INVALIDMEDIATYPE;
        bytesPerSample_ = format->nBlockAlign / channels;
        const bool known = isFloat_ ? bytesPerSample_ == 4 || bytesPerSample_ == 8
                                    : tag == WAVE_FORMAT_PCM && bytesPerSample_ >= 1 && bytesPerSample_ <= 4;
        return known ? S_OK : MF_E_INVALIDMEDIATYPE;
    }

    void read(std::vector<float>& out) override {
        out.clear();
        // A sample may be a gap in the stream; a decoding error ends the sound where it is.
        for (int gaps = 0; out.empty() && gaps < 64; ++gaps) {
            DWORD flags = 0;
            ComPtr<IMFSample> sample;
            if (FAILED(reader_->ReadSample(kAudioStream, 0, nullptr, &flags, nullptr, sample.put())) ||
                (flags & (MF_SOURCE_READERF_ENDOFSTREAM | MF_SOURCE_READERF_ERROR)))
                return;
            if (!sample) continue;
            ComPtr<IMFMediaBuffer> buffer;
            if (FAILED(sample->ConvertToContiguousBuffer(buffer.put()))) return;
            BYTE* data = nullptr;
            DWORD length = 0;
            if (FAILED(buffer->Lock(&data, nullptr, &length))) return;
            const std::size_t frames = length / (std::size_t{bytesPerSample_} * channels);
            const std::size_t samples = frames * channels;
            out.resize(samples);
            samplesToFloat(data, samples, bytesPerSample_, isFloat_, out.data());
            buffer->Unlock();
        }
    }

private:
    const MfApi& api_;
    ComPtr<IMFSourceReader> reader_;
    unsigned bytesPerSample_ = 0;
    bool isFloat_ = false;
};

// The file's bytes for the program's own WAV reader.
class FileBytes final : public ByteSource {
public:
    explicit FileBytes(const std::wstring& path)
        : file_(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr)) {}
    std::size_t readAt(std::uint64_t offset, std::uint8_t* out, std::size_t size) override {
        std::size_t done = 0;
        while (file_ && done < size) {
            OVERLAPPED at{};
            at.Offset = static_cast<DWORD>(offset + done);
            at.OffsetHigh = static_cast<DWORD>((offset + done) >> 32);
            DWORD got = 0;
            const auto want = static_cast<DWORD>(std::min<std::size_t>(size - done, 1u << 20));
            if (!ReadFile(file_.get(), out + done, want, &got, &at) || got == 0) break;
            done += got;
        }
        return done;
    }

private:
    ScopedFile file_;
};

class WavSource final : public Source {
public:
    explicit WavSource(const std::wstring& path) : bytes_(path), reader_(bytes_) {
        channels = reader_.format().channels;
        rate = reader_.format().sampleRate;
        channelMask = reader_.format().channelMask;
    }
    WavStatus status() const { return reader_.status(); }
    void read(std::vector<float>& out) override { reader_.read(out, kBlockFrames); }

private:
    FileBytes bytes_;
    WavReader reader_;
};

// A decoder for the file, with its first block decoded into `first`, so that a file without
// a sound fails here. A WAV our own reader decodes is read by it; everything else (MP3, the
// WAV encodings it does not know) by the platform's decoders: under Wine every Media
// Foundation source made keeps about 6 KB for good, which a day of plays adds up to
// megabytes.
HRESULT openDecoder(const std::wstring& path, std::unique_ptr<Source>& source, std::vector<float>& first) {
    auto wav = std::make_unique<WavSource>(path);
    if (wav->status() == WavStatus::ok) {
        wav->read(first);
        if (first.empty()) return kNoSound;
        source = std::move(wav);
        return S_OK;
    }
    wav.reset();
    const MfApi* api = mfApi();
    if (!api) return kNoMediaFoundation;
    auto mf = std::make_unique<MfSource>(*api);
    const HRESULT hr = mf->open(path);
    if (hr == E_FAIL) return kNotDecodable;  // "unspecified error" would tell the user nothing
    if (FAILED(hr)) return hr;
    mf->read(first);
    if (first.empty()) return kNoSound;
    source = std::move(mf);
    return S_OK;
}

// What a file's measurement is kept by; nothing when the file cannot be looked at.
std::optional<FileStamp> stampOf(const std::wstring& path) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) return std::nullopt;
    const auto join = [](DWORD high, DWORD low) { return (std::uint64_t{high} << 32) | low; };
    return FileStamp{path, join(data.nFileSizeHigh, data.nFileSizeLow),
                     join(data.ftLastWriteTime.dwHighDateTime, data.ftLastWriteTime.dwLowDateTime)};
}

// The gain that levels the file, kept from before or measured now; 1 (as it is) when it
// cannot be measured or `quit` comes first.
float levelGain(const std::wstring& path, LoudnessCache& cache, HANDLE quit) {
    const std::optional<FileStamp> stamp = stampOf(path);
    if (!stamp) return 1.0f;
    std::optional<std::optional<Loudness>> kept = cache.find(*stamp);
    if (!kept) {
        const std::optional<Loudness> measured = measureLoudness(path, quit);
        if (quit && WaitForSingleObject(quit, 0) == WAIT_OBJECT_0) return 1.0f;  // cut short: not measured
        cache.keep(*stamp, measured);
        kept = measured;
    }
    return *kept ? static_cast<float>(std::pow(10.0, levelGainDb(**kept) / 20.0)) : 1.0f;
}

// Float samples in the given channels, for the device.
WAVEFORMATEXTENSIBLE floatFormat(unsigned channels, DWORD rate, DWORD mask) {
    WAVEFORMATEXTENSIBLE f{};
    f.Format.wFormatTag = WAVE_FORMAT_EXTENSIBLE;
    f.Format.nChannels = static_cast<WORD>(channels);
    f.Format.nSamplesPerSec = rate;
    f.Format.wBitsPerSample = 32;
    f.Format.nBlockAlign = static_cast<WORD>(4 * channels);
    f.Format.nAvgBytesPerSec = rate * f.Format.nBlockAlign;
    f.Format.cbSize = sizeof f - sizeof f.Format;
    f.Samples.wValidBitsPerSample = 32;
    f.dwChannelMask = mask ? mask : defaultChannelMask(channels);
    // KSDATAFORMAT_SUBTYPE_IEEE_FLOAT: the float tag on the common base GUID.
    f.SubFormat = {WAVE_FORMAT_IEEE_FLOAT, 0x0000, 0x0010, {0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71}};
    return f;
}

// One file decoded and played on the calling thread: open(), then render() until the end
// or until `quit` is signalled.
class Renderer {
public:
    // `cache`: where the files' loudness is kept, for output.shaping.level.
    Renderer(const std::atomic<float>& gain, const MfWasapiBackend::Output& output, LoudnessCache& cache)
        : gain_(gain), output_(output), cache_(cache) {}
    ~Renderer() {
        if (started_) client_->Stop();
    }
    Renderer(const Renderer&) = delete;
    Renderer& operator=(const Renderer&) = delete;

    HRESULT open(const std::wstring& path, const std::function<void()>& beforeDevice) {
        if (!FileExists(path)) return HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND);
        path_ = path;
        const HRESULT decoded = openSource(path);
        if (FAILED(decoded)) return decoded;
        if (beforeDevice) beforeDevice();
        return openDevice();
    }

    // Plays to the last frame, or until quit is signalled or the device fails. A sound cut
    // short by quit fades out after what the device already holds.
    void render(HANDLE quit) {
        // Before the first sample, so that the whole sound has one gain.
        if (output_.shaping.level) level_ = levelGain(path_, cache_, quit);
        if (WaitForSingleObject(quit, 0) == WAIT_OBJECT_0) return;
        envelope_.emplace(source_->rate, output_.shaping.softStart);
        if (!fill()) return;
        if (FAILED(fault_ = client_->Start())) return;
        started_ = true;
        const HANDLE waits[] = {quit, bufferReady_.get(), lost_.get()};
        for (;;) {
            if (envelope_->fading()) {
                if (WaitForSingleObject(bufferReady_.get(), kFadeWaitMs) != WAIT_OBJECT_0) return;
            } else {
                const DWORD woke = WaitForMultipleObjects(lost_ ? 3 : 2, waits, FALSE, kStallMs);
                if (woke == WAIT_OBJECT_0 + 2) {
                    fault_ = AUDCLNT_E_DEVICE_INVALIDATED;  // unplugged or disabled: nothing to fade on
                    return;
                }
                if (woke == WAIT_OBJECT_0)
                    envelope_->fadeOut();
                else if (woke != WAIT_OBJECT_0 + 1)
                    return;  // stalled or failed
            }
            if (!fill() || allPlayed()) return;
        }
    }

    // Where the sound plays; after open().
    const Endpoint& endpoint() const { return endpoint_; }
    // What made the device fail while the sound played; S_OK when nothing did.
    HRESULT fault() const { return fault_; }

private:
    HRESULT openSource(const std::wstring& path) { return openDecoder(path, source_, pending_); }

    HRESULT openDevice() {
        ComPtr<IMMDeviceEnumerator> devices;
        HRESULT hr = CoCreateInstance(__uuidof(MMDeviceEnumerator), nullptr, CLSCTX_INPROC_SERVER,
                                      __uuidof(IMMDeviceEnumerator), devices.putVoid());
        if (FAILED(hr)) return hr;
        // Chosen afresh for every sound: the default is the system's default of this moment.
        if (FAILED(hr = openEndpoint(*devices.get(), output_.device, output_.deviceName, endpoint_))) return hr;
        hr = openClient();
        if (FAILED(hr) && !output_.device.empty() && !endpoint_.fellBack) {
            // Listed as there, but it would not play (gone a moment ago): the default.
            const std::wstring missing = endpoint_.name.empty() ? output_.deviceName : endpoint_.name;
            if (FAILED(openEndpoint(*devices.get(), {}, {}, endpoint_))) return hr;
            endpoint_.fellBack = true;
            endpoint_.missingName = missing.empty() ? L"the chosen device" : missing;
            hr = openClient();
        }
        if (FAILED(hr)) return hr;
        // The client's errors tell of a device that goes away only once it is asked for
        // data; the system's notice comes at once (where it gives one).
        lost_.reset(CreateEventW(nullptr, TRUE, FALSE, nullptr));
        if (lost_) watch_.emplace(*devices.get(), endpoint_.id, lost_.get());
        return S_OK;
    }

    // A client on endpoint_'s device, set up for the source and ready to be filled.
    HRESULT openClient() {
        const ComPtr<IMMDevice> device = endpoint_.device;
        silenceLeft_ = leadInFrames(leadInMs(output_.leadInMs, endpoint_.bluetooth), source_->rate);
        mixer_.reset();
        HRESULT hr = S_OK;
        const unsigned channels = source_->channels;
        outChannels_ = channels;
        hr = initialize(device, floatFormat(channels, source_->rate, source_->channelMask));
        if (hr == AUDCLNT_E_UNSUPPORTED_FORMAT || hr == E_INVALIDARG) {
            // The engine does not take these channels: mix them down to the device's own.
            WAVEFORMATEX* raw = nullptr;
            if (FAILED(client_->GetMixFormat(&raw))) return hr;
            const std::unique_ptr<WAVEFORMATEX, CoTaskMemFreer> mix(raw);
            if (mix->nChannels == 0 || mix->nChannels == channels) return hr;
            DWORD mask = 0;
            if (mix->wFormatTag == WAVE_FORMAT_EXTENSIBLE && mix->cbSize >= 22)
                mask = reinterpret_cast<const WAVEFORMATEXTENSIBLE&>(*mix).dwChannelMask;
            outChannels_ = mix->nChannels;
            mixer_.emplace(channels, source_->channelMask, outChannels_);
            hr = initialize(device, floatFormat(outChannels_, source_->rate, mask));
        }
        if (FAILED(hr)) return hr;
        bufferReady_.reset(CreateEventW(nullptr, FALSE, FALSE, nullptr));
        if (!bufferReady_) return HRESULT_FROM_WIN32(GetLastError());
        if (FAILED(hr = client_->SetEventHandle(bufferReady_.get()))) return hr;
        if (FAILED(hr = client_->GetBufferSize(&bufferFrames_))) return hr;
        if (FAILED(hr = client_->GetService(__uuidof(IAudioRenderClient), render_.putVoid()))) return hr;
        if (FAILED(hr = client_->GetService(__uuidof(IAudioClock), clock_.putVoid()))) return hr;
        return clock_->GetFrequency(&clockHz_);
    }

    // A new client on the device, set up for the format.
    HRESULT initialize(const ComPtr<IMMDevice>& device, const WAVEFORMATEXTENSIBLE& format) {
        HRESULT hr = device->Activate(__uuidof(IAudioClient), CLSCTX_INPROC_SERVER, nullptr, client_.putVoid());
        if (FAILED(hr)) return hr;
        // The engine converts the rate (and, where it can, the channels) to the mix format;
        // the session is not remembered by the system (no entry of ours in the volume
        // mixer's history).
        const DWORD flags = AUDCLNT_STREAMFLAGS_EVENTCALLBACK | AUDCLNT_STREAMFLAGS_NOPERSIST |
                            AUDCLNT_STREAMFLAGS_AUTOCONVERTPCM | AUDCLNT_STREAMFLAGS_SRC_DEFAULT_QUALITY;
        return client_->Initialize(AUDCLNT_SHAREMODE_SHARED, flags, kBufferHns, 0, &format.Format, nullptr);
    }

    // Hands the device as much as it has room for: the lead-in's silence first, then the
    // sound. False when the device failed (fault_ says how).
    bool fill() {
        UINT32 padding = 0;
        if (FAILED(fault_ = client_->GetCurrentPadding(&padding))) return false;
        UINT32 room = bufferFrames_ - std::min(padding, bufferFrames_);
        while (room > 0 && silenceLeft_ > 0) {
            const auto frames = static_cast<UINT32>(std::min<UINT64>(room, silenceLeft_));
            BYTE* out = nullptr;
            if (FAILED(fault_ = render_->GetBuffer(frames, &out))) return false;
            if (FAILED(fault_ = render_->ReleaseBuffer(frames, AUDCLNT_BUFFERFLAGS_SILENT))) return false;
            silenceLeft_ -= frames;
            written_ += frames;
            room -= frames;
        }
        const unsigned channels = source_->channels;
        while (room > 0) {
            if (taken_ == pending_.size()) {
                if (ended_) break;
                decodeMore();
                continue;
            }
            auto frames = static_cast<UINT32>(std::min<std::size_t>(room, (pending_.size() - taken_) / channels));
            if (envelope_->fading()) frames = static_cast<UINT32>(std::min<std::size_t>(frames, envelope_->fadeLeft()));
            BYTE* out = nullptr;
            if (FAILED(fault_ = render_->GetBuffer(frames, &out))) return false;
            // The device's buffer holds floats: the stream was opened in that format.
            // cppcheck-suppress invalidPointerCast
            auto* samples = reinterpret_cast<float*>(out);
            if (mixer_)
                mixer_->mix(pending_.data() + taken_, frames, samples);
            else
                std::memcpy(samples, pending_.data() + taken_, std::size_t{frames} * channels * sizeof(float));
            envelope_->apply(samples, frames, outChannels_);
            // The level first: with levelling off it is 1, and the samples are the
            // attenuation's alone.
            applyGain(out, std::size_t{frames} * outChannels_, SampleFormat::f32, level_ * gain_.load());
            if (FAILED(fault_ = render_->ReleaseBuffer(frames, 0))) return false;
            taken_ += std::size_t{frames} * channels;
            written_ += frames;
            room -= frames;
            if (envelope_->fading() && envelope_->fadeLeft() == 0) {
                // Faded out: the rest is not played.
                pending_.clear();
                taken_ = 0;
                ended_ = true;
                break;
            }
        }
        return true;
    }

    // The next decoded block into pending_; at the end of the file ended_ is set instead.
    void decodeMore() {
        source_->read(pending_);
        taken_ = 0;
        // Whole frames only: a decoder's ragged tail is not a frame.
        pending_.resize(pending_.size() - pending_.size() % source_->channels);
        if (pending_.empty()) ended_ = true;
    }

    // The last frame handed over has been played, by the device's own clock.
    bool allPlayed() {
        if (!ended_ || taken_ != pending_.size()) return false;
        UINT64 position = 0;
        if (clockHz_ == 0 || FAILED(clock_->GetPosition(&position, nullptr))) return true;
        return position * source_->rate / clockHz_ >= written_;
    }

    const std::atomic<float>& gain_;
    const MfWasapiBackend::Output& output_;
    LoudnessCache& cache_;
    std::wstring path_;
    std::optional<SoundEnvelope> envelope_;  // from the first sample on
    std::unique_ptr<Source> source_;
    std::optional<ChannelMixer> mixer_;  // when the device plays fewer channels than the file has
    unsigned outChannels_ = 0;
    float level_ = 1.0f;  // the gain that levels this file
    ScopedHandle bufferReady_;  // before the client, which signals it until it goes
    Endpoint endpoint_;
    ScopedHandle lost_;                   // the endpoint went away
    std::optional<EndpointWatch> watch_;  // signals lost_
    ComPtr<IAudioClient> client_;
    ComPtr<IAudioRenderClient> render_;
    ComPtr<IAudioClock> clock_;
    UINT32 bufferFrames_ = 0;
    UINT64 clockHz_ = 0;
    bool started_ = false;
    std::vector<float> pending_;  // decoded, not yet handed to the device
    std::size_t taken_ = 0;       // samples of pending_ already handed over
    bool ended_ = false;          // the decoder has nothing more
    UINT64 written_ = 0;          // frames handed to the device, the lead-in's included
    UINT64 silenceLeft_ = 0;      // frames of the lead-in not yet handed over
    HRESULT fault_ = S_OK;
};

}  // namespace

struct MfWasapiBackend::Shared {
    std::atomic<float> gain{1.0f};  // read by the sound's thread at every buffer
    DeviceHook beforeDevice;
    mutable LoudnessCache loudness;  // every sound's thread keeps what it measures
};

struct MfWasapiBackend::Sound {
    Sound(std::wstring file, std::shared_ptr<const Shared> common, Output where)
        : path(std::move(file)), shared(std::move(common)), output(std::move(where)) {}

    // The thread's entry point: it owns a share of the sound, so that a sound let go while
    // its thread is stuck stays whole until the thread ends. No exception leaves it: one
    // ends the sound, with a reason when the sound had not opened yet.
    static DWORD WINAPI threadMain(void* param) noexcept {
        const std::unique_ptr<std::shared_ptr<Sound>> owner(static_cast<std::shared_ptr<Sound>*>(param));
        Sound& self = **owner;
        try {
            self.run();
        } catch (const std::bad_alloc&) {
            self.failed(E_OUTOFMEMORY);
        } catch (...) {
            self.failed(E_UNEXPECTED);
        }
        SetEvent(self.ready.get());
        SetEvent(self.done.get());
        return 0;
    }

    void run() {
        const ComApartment com;
        if (!com.ok()) {
            opened = E_FAIL;
            return;
        }
        Renderer renderer(shared->gain, output, shared->loudness);
        opened = renderer.open(path, shared->beforeDevice);
        const Endpoint& endpoint = renderer.endpoint();
        if (SUCCEEDED(opened) && endpoint.fellBack)
            notice = L"Played on the default device: " + endpoint.missingName + L" is not available";
        SetEvent(ready.get());
        const HANDLE waits[] = {quit.get(), go.get()};
        if (SUCCEEDED(opened) && WaitForMultipleObjects(2, waits, FALSE, INFINITE) == WAIT_OBJECT_0 + 1) {
            renderer.render(quit.get());
            if (FAILED(renderer.fault()) && WaitForSingleObject(quit.get(), 0) == WAIT_TIMEOUT)
                fault = faultText(renderer.fault(), endpoint.name);
        }
        // Over: what is left (letting go of the device and the decoder) may take a while.
        SetEvent(done.get());
    }

    // Once the sound has opened, what it opened with is the UI thread's to read.
    void failed(HRESULT why) {
        if (WaitForSingleObject(ready.get(), 0) != WAIT_OBJECT_0) opened = why;
    }

    bool ended() const { return WaitForSingleObject(done.get(), 0) == WAIT_OBJECT_0; }

    // Why a sound that had started ended early, in the status line's words.
    static std::wstring faultText(HRESULT hr, const std::wstring& device) {
        if (hr == AUDCLNT_E_DEVICE_INVALIDATED) return (device.empty() ? L"the sound device" : device) + L" is no longer available";
        return describePlayError(hr);
    }

    const std::wstring path;
    const std::shared_ptr<const Shared> shared;
    const Output output;
    ScopedHandle ready{CreateEventW(nullptr, TRUE, FALSE, nullptr)};
    ScopedHandle go{CreateEventW(nullptr, TRUE, FALSE, nullptr)};
    ScopedHandle quit{CreateEventW(nullptr, TRUE, FALSE, nullptr)};
    ScopedHandle done{CreateEventW(nullptr, TRUE, FALSE, nullptr)};
    HRESULT opened = E_FAIL;  // written by the thread before `ready`
    std::wstring notice;      // ... and so is this
    std::wstring fault;       // written by the thread before `done`
    // The UI thread's alone:
    ScopedHandle thread;
    bool started = false;
};

MfWasapiBackend::MfWasapiBackend(Waiter& waiter, DeviceHook beforeDevice)
    : waiter_(waiter), shared_(std::make_shared<Shared>()), idle_(CreateEventW(nullptr, TRUE, TRUE, nullptr)) {
    shared_->beforeDevice = std::move(beforeDevice);
}

MfWasapiBackend::~MfWasapiBackend() {
    stop();
    // Threads still letting go of a device when the process ends crash it under Wine: give
    // them what is left of the second. One that is stuck ends with the process.
    const std::int64_t deadline = waiter_.clockMs() + kLetGoMs;
    for (;;) {
        reap();
        if (stragglers_.empty() || waiter_.clockMs() >= deadline) break;
        waiter_.waitUntil(std::min(deadline, waiter_.clockMs() + 50), stragglers_.front().get());
    }
}

void MfWasapiBackend::setVolume(std::int32_t hundredthsDb) { shared_->gain = gainOf(hundredthsDb); }

std::optional<Loudness> measureLoudness(const std::wstring& path, HANDLE quit) {
    std::unique_ptr<Source> source;
    std::vector<float> block;
    if (FAILED(openDecoder(path, source, block))) return std::nullopt;
    LoudnessMeter meter(source->channels, source->rate, source->channelMask);
    while (!block.empty()) {
        if (quit && WaitForSingleObject(quit, 0) == WAIT_OBJECT_0) return std::nullopt;
        meter.add(block.data(), block.size() / source->channels);
        source->read(block);
    }
    return meter.result();
}

MediaResult MfWasapiBackend::setFileName(const std::wstring& path) {
    const unsigned mine = ++generation_;
    letGo(std::exchange(sound_, nullptr), kLetGoMs);
    // Every wait below handles events: a stop or a new file may come in at any of them, and
    // then this file is no longer wanted (whoever came in has let go of it).
    static const MediaResult replaced = MediaResult::failure(L"another sound or a stop came first");
    if (generation_ != mine) return replaced;
    if (path.empty()) return MediaResult::failure(describePlayError(HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND)));
    fault_.clear();
    auto sound = std::make_shared<Sound>(path, shared_, output_ ? output_() : Output{});
    if (!sound->ready || !sound->go || !sound->quit || !sound->done)
        return MediaResult::failure(describePlayError(E_OUTOFMEMORY));
    auto share = std::make_unique<std::shared_ptr<Sound>>(sound);
    sound->thread.reset(CreateThread(nullptr, 0, &Sound::threadMain, share.get(), 0, nullptr));
    if (!sound->thread) return MediaResult::failure(describePlayError(HRESULT_FROM_WIN32(GetLastError())));
    static_cast<void>(share.release());  // the thread's now
    sound_ = sound;

    const std::int64_t deadline = waiter_.clockMs() + kOpenMs;
    while (WaitForSingleObject(sound->ready.get(), 0) == WAIT_TIMEOUT) {
        if (waiter_.clockMs() >= deadline) {
            sound_.reset();
            letGo(std::move(sound), 0);
            return MediaResult::failure(L"the sound device does not answer");
        }
        waiter_.waitUntil(deadline, sound->ready.get());
        if (generation_ != mine) return replaced;
    }
    if (FAILED(sound->opened)) {
        sound_.reset();
        const HRESULT opened = sound->opened;
        letGo(std::move(sound), 0);  // its thread is on its way out
        return MediaResult::failure(describePlayError(opened));
    }
    return MediaResult::success();
}

MediaResult MfWasapiBackend::start() {
    reap();
    if (!sound_ || sound_->started) return MediaResult::failure(L"no file is loaded");
    sound_->started = true;
    SetEvent(sound_->go.get());
    return MediaResult::success();
}

std::int32_t MfWasapiBackend::playState() {
    reap();
    return sound_ && sound_->started ? kPlaying : kStopped;
}

std::wstring MfWasapiBackend::outputNotice() const { return sound_ ? sound_->notice : std::wstring(); }

void* MfWasapiBackend::endEvent() { return sound_ && sound_->started ? sound_->done.get() : idle_.get(); }

void MfWasapiBackend::stop() {
    ++generation_;
    letGo(std::exchange(sound_, nullptr), kLetGoMs);
}

void MfWasapiBackend::letGo(std::shared_ptr<Sound>&& given, int waitMs) {
    const std::shared_ptr<Sound> sound = std::move(given);
    if (!sound) return;
    SetEvent(sound->quit.get());
    // `sound` is this call's alone now: calls that come in during the wait do not see it.
    const std::int64_t deadline = waiter_.clockMs() + waitMs;
    while (WaitForSingleObject(sound->thread.get(), 0) == WAIT_TIMEOUT) {
        if (waiter_.clockMs() >= deadline) {
            stragglers_.push_back(std::move(sound->thread));
            return;
        }
        waiter_.waitUntil(deadline, sound->thread.get());
    }
}

void MfWasapiBackend::reap() {
    std::erase_if(stragglers_, [](const ScopedHandle& thread) { return WaitForSingleObject(thread.get(), 0) != WAIT_TIMEOUT; });
    if (sound_ && sound_->started && sound_->ended()) {
        fault_ = sound_->fault;
        letGo(std::exchange(sound_, nullptr), 0);
    }
}

}  // namespace zt
