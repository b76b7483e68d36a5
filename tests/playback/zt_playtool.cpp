// zt_playtool <file> <slider 0..100> [plays]: plays one file the way the program does and
// waits for its end. For listening tests and the loudness check. With a count it plays the
// file that many times and prints the process's memory after the first play and after the
// last, for watching growth per play.
#include <windows.h>
#include <psapi.h>

#include <cstdio>
#include <string>

#include "common/scoped.h"
#include "common/text.h"
#include "common/winutil.h"
#include "playback/mf_wasapi_backend.h"
#include "playback/player.h"
#include "playback/wave_out_volume.h"

namespace {

void printMemory(const wchar_t* when) {
    PROCESS_MEMORY_COUNTERS_EX counters{};
    counters.cb = sizeof counters;
    GetProcessMemoryInfo(GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters), sizeof counters);
    DWORD handles = 0;
    GetProcessHandleCount(GetCurrentProcess(), &handles);
    std::wprintf(L"%ls: private %.1f MB, working set %.1f MB, handles %lu\n", when,
                 counters.PrivateUsage / 1048576.0, counters.WorkingSetSize / 1048576.0,
                 static_cast<unsigned long>(handles));
    std::fflush(stdout);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc != 3 && argc != 4) {
        std::fwprintf(stderr, L"usage: zt_playtool <file> <slider 0..100> [plays]\n");
        return 2;
    }
    const zt::ComInit com;
    if (!com.ok()) {
        std::fwprintf(stderr, L"COM cannot be initialised\n");
        return 3;
    }
    zt::SystemWaiter waiter;
    zt::MfWasapiBackend backend{waiter};
    zt::WaveOutVolume device;
    zt::Player player(backend, device, waiter);
    const auto slider = zt::toInt32(zt::lenientNumber(argv[2]));
    const int plays = argc == 4 ? zt::toInt32(zt::lenientNumber(argv[3])).value_or(1) : 1;
    for (int i = 0; i < plays; ++i) {
        const zt::PlayResult result = player.playsound(argv[1], slider.value_or(0));
        if (!result) {
            std::fwprintf(stderr, L"cannot play %ls: %ls\n", argv[1], result.reason.c_str());
            return 1;
        }
        if (plays > 1 && (i == 0 || i + 1 == plays)) printMemory(i == 0 ? L"after the first play" : L"after the last play");
    }
    // The device still holds the last few milliseconds; leaving now would cut them off.
    for (int i = 0; i < 3; ++i) waiter.step();
    return 0;
}
