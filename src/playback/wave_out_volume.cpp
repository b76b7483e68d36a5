#include "playback/wave_out_volume.h"

#include <windows.h>
#include <mmsystem.h>

namespace zt {

namespace {
// Device identifier 0, passed where winmm wants a handle.
HWAVEOUT firstDevice() { return reinterpret_cast<HWAVEOUT>(static_cast<UINT_PTR>(0)); }
}  // namespace

std::optional<std::uint32_t> WaveOutVolume::read() {
    DWORD volume = 0;
    if (waveOutGetVolume(firstDevice(), &volume) != MMSYSERR_NOERROR) return std::nullopt;
    return static_cast<std::uint32_t>(volume);
}

void WaveOutVolume::write(std::uint32_t volume) {
    waveOutSetVolume(firstDevice(), static_cast<DWORD>(volume));
}

}  // namespace zt
