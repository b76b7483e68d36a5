// zt_playtool <file> <slider 0..100> [plays]: plays one file the way the program does and
// waits for its end. For listening tests and the loudness checks. With a count it plays the
// file that many times (with --each, each of the files once) and prints the process's
// memory after the first play and after the last, for watching growth per play. --level and
// --soft shape the sounds as the options of those names do; --stop-after stops each sound
// that many milliseconds in. --measure prints a file's loudness and what measuring it costs.
#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

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

// The CPU time of the calling thread, in milliseconds.
double threadCpuMs() {
    FILETIME created, exited, kernel, user;
    GetThreadTimes(GetCurrentThread(), &created, &exited, &kernel, &user);
    const auto ms = [](FILETIME t) { return ((std::uint64_t{t.dwHighDateTime} << 32) | t.dwLowDateTime) / 1e4; };
    return ms(kernel) + ms(user);
}

// --measure <file> [times]: the file's loudness, and what measuring it costs.
int measure(const wchar_t* file, int times) {
    std::optional<zt::Loudness> loudness;
    const double before = threadCpuMs();
    const ULONGLONG started = GetTickCount64();
    for (int i = 0; i < times; ++i) loudness = zt::measureLoudness(file);
    const double cpu = (threadCpuMs() - before) / times;
    const double wall = static_cast<double>(GetTickCount64() - started) / times;
    if (!loudness) {
        std::fwprintf(stderr, L"cannot measure %ls\n", file);
        return 1;
    }
    std::wprintf(L"%.2f LUFS, peak %.4f; %.1f ms CPU, %.1f ms wall per measurement\n", loudness->lufs, loudness->peak,
                 cpu, wall);
    return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    std::vector<std::wstring> args(argv + 1, argv + argc);
    const auto option = [&](const wchar_t* name) {
        const auto it = std::find(args.begin(), args.end(), name);
        if (it == args.end()) return false;
        args.erase(it);
        return true;
    };
    const auto valueOf = [&](const wchar_t* name) -> std::optional<int> {
        const auto it = std::find(args.begin(), args.end(), name);
        if (it == args.end() || it + 1 == args.end()) return std::nullopt;
        const auto value = zt::toInt32(zt::lenientNumber(*(it + 1)));
        args.erase(it, it + 2);
        return value.value_or(0);
    };
    const zt::SoundShaping shaping{option(L"--level"), option(L"--soft")};
    const bool each = option(L"--each");
    const bool measuring = option(L"--measure");
    const std::optional<int> stopAfter = valueOf(L"--stop-after");
    if (args.size() < 2 && !(measuring && !args.empty())) {
        std::fwprintf(stderr, L"usage: zt_playtool [--level] [--soft] [--stop-after MS] <file> <slider 0..100> [plays]\n"
                              L"       zt_playtool [--level] [--soft] --each <slider 0..100> <file>...\n"
                              L"       zt_playtool --measure <file> [times]\n");
        return 2;
    }
    const zt::ComInit com;
    if (!com.ok()) {
        std::fwprintf(stderr, L"COM cannot be initialised\n");
        return 3;
    }
    if (measuring) return measure(args[0].c_str(), args.size() > 1 ? std::max(1, zt::toInt32(zt::lenientNumber(args[1])).value_or(1)) : 1);

    zt::SystemWaiter waiter;
    zt::MfWasapiBackend backend{waiter};
    backend.chooseOutput([shaping] { return zt::MfWasapiBackend::Output{{}, {}, {}, shaping}; });
    zt::WaveOutVolume device;
    zt::Player player(backend, device, waiter);
    // Each file once, or one file `plays` times.
    std::vector<std::wstring> files;
    std::optional<std::int32_t> slider;
    if (each) {
        slider = zt::toInt32(zt::lenientNumber(args[0]));
        files.assign(args.begin() + 1, args.end());
    } else {
        slider = zt::toInt32(zt::lenientNumber(args[1]));
        const int plays = args.size() > 2 ? zt::toInt32(zt::lenientNumber(args[2])).value_or(1) : 1;
        files.assign(static_cast<std::size_t>(std::max(plays, 1)), args[0]);
    }
    // A stop that many milliseconds into each sound, as "Stop sound" makes it; the thread's
    // timer wakes the wait for it.
    std::int64_t stopAt = 0;
    const auto abandoned = [&] {
        if (stopAfter && waiter.clockMs() >= stopAt) player.stop();
        return false;
    };
    for (std::size_t i = 0; i < files.size(); ++i) {
        stopAt = waiter.clockMs() + stopAfter.value_or(0);
        if (stopAfter) SetTimer(nullptr, 0, static_cast<UINT>(*stopAfter), nullptr);
        const zt::PlayResult result = player.playsound(files[i], slider.value_or(0), abandoned);
        if (!result) {
            std::fwprintf(stderr, L"cannot play %ls: %ls\n", files[i].c_str(), result.reason.c_str());
            return 1;
        }
        if (files.size() > 1 && (i == 0 || i + 1 == files.size()))
            printMemory(i == 0 ? L"after the first play" : L"after the last play");
    }
    // The device still holds the last few milliseconds; leaving now would cut them off.
    for (int i = 0; i < 3; ++i) waiter.step();
    return 0;
}
