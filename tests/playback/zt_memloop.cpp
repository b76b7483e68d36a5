// zt_memloop <what> <count> [file]: repeats one piece of what a play does, bare, and prints
// the process's memory after the first round and after the last, to tell which piece
// grows. Memory comes from Linux as well (/proc/self of this Wine process, through Z:):
// Wine reports no private bytes.
//
//   thread          a thread that does nothing
//   mta             a thread that enters COM's free-threaded apartment and leaves it
//   mta-kept        the same while the main thread keeps that apartment alive
//   mf-thread       a thread that starts Media Foundation and shuts it down
//   reader <file>   Media Foundation started once; a source reader per round, read to the end
//   reader-thread <file>   the same, each round on a thread of its own (in the kept apartment)
//   reader-float, reader-float-thread <file>   the same, decoded to float as the back end asks
//   reader-source <file>   the same, on a media source made by a kept resolver and shut down
//   source <file>   only that media source, made, shut down and let go
//   wasapi          a client on the default device per round: set up, started, stopped
//   wasapi-thread   the same, each round on a thread of its own (in the kept apartment)
//   backend <file>  the program's back end, one play per round (as zt_playtool)
#include <windows.h>
// Media Foundation before WASAPI: in the other order MinGW's headers define a few
// structures twice.
#include <mfapi.h>
#include <mfidl.h>
#include <mfreadwrite.h>
#include <audioclient.h>
#include <mmdeviceapi.h>
#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>

#include "common/scoped.h"
#include "common/winutil.h"
#include "playback/mf_wasapi_backend.h"
#include "playback/player.h"
#include "playback/wave_out_volume.h"

namespace {

// The whole of a Linux file, through Z:; empty when it cannot be read.
std::string unixFile(const std::string& path) {
    std::string text;
    FILE* file = _wfopen((L"Z:" + std::wstring(path.begin(), path.end())).c_str(), L"rb");
    if (!file) return text;
    char buffer[4096];
    for (std::size_t got; (got = std::fread(buffer, 1, sizeof buffer, file)) > 0;) text.append(buffer, got);
    std::fclose(file);
    return text;
}

// This process's Linux pid: the process whose command line is ours (Wine puts the exe's
// path first, then the arguments). /proc/self would be the wineserver, which opens files.
int unixPid(int argc, wchar_t** argv) {
    static const int pid = [&] {
        std::string tail;
        for (int i = 1; i < argc; ++i) {
            const std::wstring arg = argv[i];
            tail += '\0' + std::string(arg.begin(), arg.end());
        }
        const std::wstring self = argv[0];
        std::string name(self.begin() + static_cast<std::ptrdiff_t>(self.find_last_of(L"\\/") + 1), self.end());
        if (name.size() < 4 || name.compare(name.size() - 4, 4, ".exe") != 0) name += ".exe";
        int found = 0;
        WIN32_FIND_DATAW entry;
        const zt::ScopedFind find(FindFirstFileW(L"Z:\\proc\\*", &entry));
        if (find) {
            do {
                const int candidate = _wtoi(entry.cFileName);
                if (candidate <= 0) continue;
                std::string cmdline = unixFile("/proc/" + std::to_string(candidate) + "/cmdline");
                while (!cmdline.empty() && cmdline.back() == '\0') cmdline.pop_back();
                const std::size_t exeEnd = cmdline.find('\0');
                const std::string exe = cmdline.substr(0, exeEnd);
                const bool named = exe.size() >= name.size() && exe.compare(exe.size() - name.size(), name.size(), name) == 0;
                if (named && (exeEnd == std::string::npos ? std::string() : cmdline.substr(exeEnd)) == tail)
                    found = std::max(found, candidate);
            } while (FindNextFileW(find.get(), &entry));
        }
        return found;
    }();
    return pid;
}

// A line's number from the process's Linux status, in kB; -1 when missing.
long statusKb(const std::string& status, const char* key) {
    const std::size_t at = status.find(key);
    return at == std::string::npos ? -1 : std::strtol(status.c_str() + at + std::strlen(key), nullptr, 10);
}

int gArgc = 0;
wchar_t** gArgv = nullptr;

void printMemory(const char* when) {
    PROCESS_MEMORY_COUNTERS counters{};
    counters.cb = sizeof counters;
    GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters);
    DWORD handles = 0;
    GetProcessHandleCount(GetCurrentProcess(), &handles);
    const std::string proc = "/proc/" + std::to_string(unixPid(gArgc, gArgv));
    const std::string status = unixFile(proc + "/status");
    if (const char* dir = std::getenv("ZT_MEMLOOP_MAPS")) {
        // The mappings too, for comparing the first round with the last.
        const std::string maps = unixFile(proc + "/smaps");
        if (FILE* out = std::fopen((std::string(dir) + "\\" + when + ".txt").c_str(), "wb")) {
            std::fwrite(maps.data(), 1, maps.size(), out);
            std::fclose(out);
        }
    }
    std::printf("%s: VmRSS %.1f MB, VmSize %.1f MB, threads %ld, working set %.1f MB, handles %lu\n", when,
                statusKb(status, "VmRSS:") / 1024.0, statusKb(status, "VmSize:") / 1024.0, statusKb(status, "Threads:"),
                counters.WorkingSetSize / 1048576.0, static_cast<unsigned long>(handles));
    std::fflush(stdout);
}

// After the first round, and after each tenth of them.
void progress(int i, int count) {
    if (i == 0) printMemory("after the first");
    else if (count >= 20 && (i + 1) % (count / 10) == 0 && i + 1 < count) printMemory(("after " + std::to_string(i + 1)).c_str());
}

// Runs `round` on a new thread and waits for it.
void onThread(const std::function<void()>& round) {
    const zt::ScopedHandle thread(CreateThread(
        nullptr, 0, [](void* p) -> DWORD { return (*static_cast<const std::function<void()>*>(p))(), 0; },
        const_cast<std::function<void()>*>(&round), 0, nullptr));
    WaitForSingleObject(thread.get(), INFINITE);
}

void inMta(const std::function<void()>& round) {
    if (SUCCEEDED(CoInitializeEx(nullptr, COINIT_MULTITHREADED))) {
        round();
        CoUninitialize();
    }
}

// Decoded to float, as the back end asks, when `toFloat`; else as the file holds it.
void readToEnd(const std::wstring& file, bool toFloat) {
    zt::ComPtr<IMFSourceReader> reader;
    if (FAILED(MFCreateSourceReaderFromURL(file.c_str(), nullptr, reader.put()))) return;
    if (toFloat) {
        zt::ComPtr<IMFMediaType> wanted;
        if (FAILED(MFCreateMediaType(wanted.put()))) return;
        wanted->SetGUID(MF_MT_MAJOR_TYPE, MFMediaType_Audio);
        wanted->SetGUID(MF_MT_SUBTYPE, MFAudioFormat_Float);
        if (FAILED(reader->SetCurrentMediaType(static_cast<DWORD>(MF_SOURCE_READER_FIRST_AUDIO_STREAM), nullptr, wanted.get())))
            return;
    }
    for (;;) {
        DWORD flags = 0;
        zt::ComPtr<IMFSample> sample;
        if (FAILED(reader->ReadSample(static_cast<DWORD>(MF_SOURCE_READER_FIRST_AUDIO_STREAM), 0, nullptr, &flags,
                                      nullptr, sample.put())) ||
            (flags & MF_SOURCE_READERF_ENDOFSTREAM))
            return;
    }
}

// The media source alone, from a kept resolver, shut down and let go; with `read`, a source
// reader on it read to the end first.
void sourceRound(IMFSourceResolver* resolver, const std::wstring& file, bool read) {
    MF_OBJECT_TYPE type = MF_OBJECT_INVALID;
    zt::ComPtr<IUnknown> object;
    if (FAILED(resolver->CreateObjectFromURL(file.c_str(), MF_RESOLUTION_MEDIASOURCE, nullptr, &type, object.put())))
        return;
    const auto source = object.as<IMFMediaSource>();
    if (!source) return;
    if (read) {
        zt::ComPtr<IMFSourceReader> reader;
        if (SUCCEEDED(MFCreateSourceReaderFromMediaSource(source.get(), nullptr, reader.put()))) {
            for (;;) {
                DWORD flags = 0;
                zt::ComPtr<IMFSample> sample;
                if (FAILED(reader->ReadSample(static_cast<DWORD>(MF_SOURCE_READER_FIRST_AUDIO_STREAM), 0, nullptr,
                                              &flags, nullptr, sample.put())) ||
                    (flags & MF_SOURCE_READERF_ENDOFSTREAM))
                    break;
            }
        }
    }
    source->Shutdown();
}

void wasapiRound() {
    zt::ComPtr<IMMDeviceEnumerator> devices;
    zt::ComPtr<IMMDevice> device;
    zt::ComPtr<IAudioClient> client;
    if (FAILED(CoCreateInstance(__uuidof(MMDeviceEnumerator), nullptr, CLSCTX_INPROC_SERVER,
                                __uuidof(IMMDeviceEnumerator), devices.putVoid())) ||
        FAILED(devices->GetDefaultAudioEndpoint(eRender, eConsole, device.put())) ||
        FAILED(device->Activate(__uuidof(IAudioClient), CLSCTX_INPROC_SERVER, nullptr, client.putVoid())))
        return;
    WAVEFORMATEX* mix = nullptr;
    if (FAILED(client->GetMixFormat(&mix))) return;
    const zt::ScopedHandle ready(CreateEventW(nullptr, FALSE, FALSE, nullptr));
    if (SUCCEEDED(client->Initialize(AUDCLNT_SHAREMODE_SHARED, AUDCLNT_STREAMFLAGS_EVENTCALLBACK, 2'000'000, 0, mix,
                                     nullptr)) &&
        SUCCEEDED(client->SetEventHandle(ready.get())) && SUCCEEDED(client->Start())) {
        WaitForSingleObject(ready.get(), 100);
        client->Stop();
    }
    CoTaskMemFree(mix);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: zt_memloop <what> <count> [file]\n");
        return 2;
    }
    gArgc = argc;
    gArgv = argv;
    const std::wstring what = argv[1];
    const int count = _wtoi(argv[2]);
    const std::wstring file = argc > 3 ? argv[3] : L"";

    // The main thread stays in the free-threaded apartment unless the round is about it.
    const bool keepMta = what != L"thread" && what != L"mta" && what != L"mf-thread" && what != L"backend" &&
                         what != L"backend-bare" && what != L"waveout";
    if (keepMta && FAILED(CoInitializeEx(nullptr, COINIT_MULTITHREADED))) return 3;
    const bool mfOnce = what.rfind(L"reader", 0) == 0 || what == L"source";
    if (mfOnce && FAILED(MFStartup(MF_VERSION, MFSTARTUP_LITE))) return 3;

    std::function<void()> round;
    if (what == L"thread") {
        round = [] { onThread([] {}); };
    } else if (what == L"mta" || what == L"mta-kept") {
        round = [] { onThread([] { inMta([] {}); }); };
    } else if (what == L"mf-thread") {
        round = [] {
            onThread([] {
                if (SUCCEEDED(MFStartup(MF_VERSION, MFSTARTUP_LITE))) MFShutdown();
            });
        };
    } else if (what == L"reader" || what == L"reader-float") {
        round = [&] { readToEnd(file, what == L"reader-float"); };
    } else if (what == L"reader-thread" || what == L"reader-float-thread") {
        round = [&] { onThread([&] { inMta([&] { readToEnd(file, what == L"reader-float-thread"); }); }); };
    } else if (what == L"reader-source" || what == L"source") {
        static zt::ComPtr<IMFSourceResolver> resolver;
        if (FAILED(MFCreateSourceResolver(resolver.put()))) return 3;
        round = [&] { sourceRound(resolver.get(), file, what == L"reader-source"); };
    } else if (what == L"wasapi") {
        round = wasapiRound;
    } else if (what == L"wasapi-thread") {
        round = [] { onThread([] { inMta(wasapiRound); }); };
    }

    if (what == L"backend-bare") {
        zt::SystemWaiter waiter;
        zt::MfWasapiBackend backend{waiter};
        for (int i = 0; i < count; ++i) {
            if (!backend.setFileName(file) || !backend.start()) return 1;
            while (backend.playState() == zt::MediaBackend::kPlaying) waiter.waitUntil(waiter.clockMs() + 1000, backend.endEvent());
            progress(i, count);
        }
        printMemory("after the last");
        return 0;
    }
    if (what == L"waveout") {
        zt::WaveOutVolume device;
        for (int i = 0; i < count; ++i) {
            if (const auto v = device.read()) device.write(*v);
            progress(i, count);
        }
        printMemory("after the last");
        return 0;
    }
    if (what == L"backend") {
        const zt::ComInit com;
        zt::SystemWaiter waiter;
        zt::MfWasapiBackend backend{waiter};
        zt::WaveOutVolume device;
        zt::Player player(backend, device, waiter);
        for (int i = 0; i < count; ++i) {
            if (!player.playsound(file, 0)) return 1;
            progress(i, count);
        }
        printMemory("after the last");
        return 0;
    }
    if (!round) return 2;
    for (int i = 0; i < count; ++i) {
        round();
        progress(i, count);
    }
    printMemory("after the last");
    if (mfOnce) MFShutdown();
    if (keepMta) CoUninitialize();
    return 0;
}
