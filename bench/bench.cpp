// The benchmark driver, run under Wine by scripts/bench. It starts zirrotone.exe and the
// baseline program, drives them from outside as a user would, and writes what it saw as
// raw figures (JSON) for scripts/bench to turn into the table. It judges nothing.
//
// CPU time and memory come from Linux (/proc of the Wine processes, read through Z:),
// which is what the machine actually spends; handle and GUI object counts and message
// round trips come from the Win32 side.
#include <windows.h>

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <string>

#include "driver.h"
#include "phases.h"

namespace bench {

Options opt;

double now() {
    static LARGE_INTEGER freq = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return f;
    }();
    LARGE_INTEGER c;
    QueryPerformanceCounter(&c);
    return static_cast<double>(c.QuadPart) / static_cast<double>(freq.QuadPart);
}

double unixTime() {
    FILETIME ft;
    GetSystemTimePreciseAsFileTime(&ft);
    const auto t = (static_cast<unsigned long long>(ft.dwHighDateTime) << 32) | ft.dwLowDateTime;
    return static_cast<double>(t - 116444736000000000ULL) / 1e7;
}

void log(const char* format, ...) {
    va_list args;
    va_start(args, format);
    std::fputs("[bench] ", stderr);
    std::vfprintf(stderr, format, args);
    std::fputs("\n", stderr);
    std::fflush(stderr);
    va_end(args);
}

}  // namespace bench

namespace {

std::wstring arg(int argc, wchar_t** argv, const wchar_t* name, const wchar_t* fallback = L"") {
    // The last one counts, so that scripts/bench's defaults can be overridden.
    for (int i = argc - 2; i >= 1; --i)
        if (wcscmp(argv[i], name) == 0) return argv[i + 1];
    return fallback;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    using namespace bench;
    opt.zirrotone = arg(argc, argv, L"--zirrotone");
    opt.baseline = arg(argc, argv, L"--baseline");
    opt.baselineControls = arg(argc, argv, L"--baseline-controls");
    opt.baselineCounting = arg(argc, argv, L"--baseline-counting");
    opt.sounds = arg(argc, argv, L"--sounds");
    opt.out = arg(argc, argv, L"--out");
    const std::wstring prefix = arg(argc, argv, L"--prefix");
    opt.prefix.assign(prefix.begin(), prefix.end());
    opt.clockTicks = _wtoi(arg(argc, argv, L"--clock-ticks", L"100").c_str());
    opt.xvfbPid = _wtoi(arg(argc, argv, L"--xvfb-pid", L"0").c_str());
    opt.idleSeconds = _wtoi(arg(argc, argv, L"--idle-seconds", L"60").c_str());
    opt.probes = _wtoi(arg(argc, argv, L"--probes", L"200").c_str());
    opt.plays = _wtoi(arg(argc, argv, L"--plays", L"100").c_str());
    opt.thousandPlays = _wtoi(arg(argc, argv, L"--thousand-plays", L"1000").c_str());
    opt.startupPairs = _wtoi(arg(argc, argv, L"--startup-pairs", L"10").c_str());
    const std::wstring only = arg(argc, argv, L"--only");
    if (opt.zirrotone.empty() || opt.baseline.empty() || opt.sounds.empty() || opt.out.empty() || opt.prefix.empty()) {
        std::fputs("usage: zt_bench --zirrotone EXE --baseline EXE --sounds DIR --out FILE --prefix UNIXDIR\n", stderr);
        return 1;
    }

    Json all;
    Startups startups;
    auto want = [&](const wchar_t* phase) { return only.empty() || only.find(phase) != std::wstring::npos; };
    if (want(L"baseline")) all.obj("baseline", baselineRun());
    if (want(L"counting")) all.obj("counting", countingRun(startups));
    if (want(L"plays")) all.obj("plays", playsRun(startups));
    if (want(L"thousand")) all.obj("thousand_plays", thousandPlaysRun(startups));
    if (want(L"end")) all.obj("end_of_sound", endOfSoundRun(startups));
    if (want(L"ownend")) all.obj("after_own_end", afterOwnEndRun(startups));
    if (want(L"playnow")) all.obj("play_now", playNowRun(startups));
    if (want(L"exits")) all.obj("exits", exitsRun());
    if (want(L"pairs")) all.obj("startup_pairs", startupPairsRun());
    if (want(L"bigfolder")) all.obj("big_folder", bigFolderRun());
    all.arr("zirrotone_startup_ms", startups.shown).arr("zirrotone_window_ms", startups.window);

    FILE* out = _wfopen(opt.out.c_str(), L"w");
    if (!out) return 1;
    std::fputs(all.text().c_str(), out);
    std::fputs("\n", out);
    std::fclose(out);
    return 0;
}
