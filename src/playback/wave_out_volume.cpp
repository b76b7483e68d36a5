#include "playback/wave_out_volume.h"

#include <windows.h>
#include <mmsystem.h>

#include "common/winutil.h"

namespace zt {

namespace {

// Device identifier 0, passed where winmm wants a handle.
HWAVEOUT firstDevice() { return reinterpret_cast<HWAVEOUT>(static_cast<UINT_PTR>(0)); }

// winmm (and the codec manager it brings) is loaded at the first play, not at start-up:
// nothing before a sound needs it.
struct WaveOutFunctions {
    decltype(&waveOutGetVolume) getVolume = nullptr;
    decltype(&waveOutSetVolume) setVolume = nullptr;
};

const WaveOutFunctions& waveOut() {
    static const WaveOutFunctions functions = [] {
        WaveOutFunctions f;
        const HMODULE winmm = LoadLibraryExW(L"winmm.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
        loadFunction(winmm, "waveOutGetVolume", f.getVolume);
        loadFunction(winmm, "waveOutSetVolume", f.setVolume);
        return f;
    }();
    return functions;
}

}  // namespace

std::optional<std::uint32_t> WaveOutVolume::read() {
    DWORD volume = 0;
    const auto get = waveOut().getVolume;
    if (!get || get(firstDevice(), &volume) != MMSYSERR_NOERROR) return std::nullopt;
    return static_cast<std::uint32_t>(volume);
}

void WaveOutVolume::write(std::uint32_t volume) {
    if (const auto set = waveOut().setVolume) set(firstDevice(), static_cast<DWORD>(volume));
}

}  // namespace zt
