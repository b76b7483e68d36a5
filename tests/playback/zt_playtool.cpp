// zt_playtool <file> <slider 0..100>: plays one file the way the program does and waits
// for its end. For listening tests and the loudness check.
#include <windows.h>

#include <cstdio>
#include <string>

#include "common/scoped.h"
#include "common/text.h"
#include "common/winutil.h"
#include "playback/mf_wasapi_backend.h"
#include "playback/player.h"
#include "playback/wave_out_volume.h"

int wmain(int argc, wchar_t** argv) {
    if (argc != 3) {
        std::fwprintf(stderr, L"usage: zt_playtool <file> <slider 0..100>\n");
        return 2;
    }
    const zt::ComInit com;
    if (!com.ok()) {
        std::fwprintf(stderr, L"COM cannot be initialised\n");
        return 3;
    }
    zt::MfWasapiBackend backend;
    zt::WaveOutVolume device;
    zt::SystemWaiter waiter;
    zt::Player player(backend, device, waiter);
    const auto slider = zt::toInt32(zt::lenientNumber(argv[2]));
    const zt::PlayResult result = player.playsound(argv[1], slider.value_or(0));
    if (!result) {
        std::fwprintf(stderr, L"cannot play %ls: %ls\n", argv[1], result.reason.c_str());
        return 1;
    }
    // The device still holds the last few milliseconds; leaving now would cut them off.
    for (int i = 0; i < 3; ++i) waiter.step();
    return 0;
}
