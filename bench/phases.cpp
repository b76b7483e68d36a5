#include "phases.h"

#include <algorithm>
#include <string>
#include <string_view>
#include <utility>

#include "common/names.h"
#include "settings/settings.h"

namespace bench {

void setSetting(std::wstring_view name, const std::wstring& value) {
    const std::wstring key = std::wstring(zt::kSettingsKey) + L"\\" + std::wstring(name);
    RegSetKeyValueW(HKEY_CURRENT_USER, key.c_str(), std::wstring(zt::kSettingValue).c_str(), REG_SZ, value.c_str(),
                    static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
}

// A fresh set: the folder and the delay; everything else at the program's defaults.
void useSettings(const std::wstring& folder, const std::wstring& delay) {
    RegDeleteTreeW(HKEY_CURRENT_USER, std::wstring(zt::kSettingsKey).c_str());
    setSetting(zt::kPathSetting, folder);
    setSetting(zt::kDelaySetting, delay);
    setSetting(zt::kVolumeSetting, L"50");
    setSetting(zt::kMuteSetting, L"0");
    setSetting(zt::kSystraySetting, L"False");
}

namespace {

int countdown(const Subject& s) {
    const std::wstring t = Subject::text(s.control(zt::ids::kTxtCountdown));
    return t.empty() ? -1 : _wtoi(t.c_str());
}

// Waits for the countdown to change; returns the moment and the new value.
std::pair<double, int> nextCountdown(const Subject& s, double timeout = 10) {
    const int from = countdown(s);
    const double deadline = now() + timeout;
    while (now() < deadline) {
        const int value = countdown(s);  // answered at the program's next pass over its events
        if (value != from) return {now(), value};
        Sleep(1);
    }
    return {now(), from};
}

void selectFirstFile(const Subject& s) { SendMessageW(s.control(zt::ids::kFile1), LB_SETCURSEL, 0, 0); }

WPARAM testPlayCommand() { return MAKEWPARAM(zt::ids::kFile1, LBN_DBLCLK); }

// A test play of the selected file, sent: the handler returns when the sound has ended.
// How long it took, in ms.
double sendTestPlay(const Subject& s) {
    DWORD_PTR result = 0;
    const double t0 = now();
    SendMessageTimeoutW(s.hwnd(), WM_COMMAND, testPlayCommand(), reinterpret_cast<LPARAM>(s.control(zt::ids::kFile1)),
                        SMTO_NORMAL, 10000, &result);
    return (now() - t0) * 1000;
}

constexpr int kStartups = 3;
constexpr DWORD kSettleMs = 3000;


}  // namespace

Json baselineRun() {
    log("baseline: start-up x%d, then %d s idle, %d round trips", kStartups, opt.idleSeconds, opt.probes);
    Startups startups;
    for (int i = 0; i < kStartups - 1; ++i) {
        Subject s(opt.baseline, L"ZtBenchBaseline", opt.sounds);
        startups.add(s, 0);
    }
    Subject s(opt.baseline, L"ZtBenchBaseline", opt.sounds);
    startups.add(s, 0);
    Sleep(kSettleMs);
    Json j;
    j.arr("startup_ms", startups.shown).arr("window_ms", startups.window).obj("after_start", s.snapshot());
    j.obj("idle", s.idleCpu(opt.idleSeconds));
    j.arr("rtt_idle_ms", s.roundTrips(opt.probes));
    j.obj("end", s.snapshot());
    if (!opt.baselineCounting.empty()) {
        // What the once-a-second work of a countdown costs by itself: the floor for waiting.
        log("baseline counting: %d s", opt.idleSeconds);
        Subject counting(opt.baselineCounting, L"ZtBenchBaseline", opt.sounds);
        counting.waitUntilShowing(0);
        Sleep(kSettleMs);
        j.obj("counting_idle", counting.idleCpu(opt.idleSeconds));
    }
    return j;
}

// Delay 10: the long countdown. Idle cost, pace, round trips while counting and playing.
Json countingRun(Startups& startups) {
    log("zirrotone, delay 10: %d s counting, %d round trips counting, %d playing", opt.idleSeconds, opt.probes,
        opt.probes);
    useSettings(opt.sounds + L"\\long", L"10");
    Subject s(opt.zirrotone, zt::kMainWindowClass, opt.sounds);
    startups.add(s, zt::ids::kTxtCountdown);
    Sleep(kSettleMs);
    Json j;
    j.obj("after_start", s.snapshot());
    const auto [t0, v0] = nextCountdown(s);
    j.obj("idle", s.idleCpu(opt.idleSeconds));
    const auto [t1, v1] = nextCountdown(s);
    j.num("pace_counted_s", v0 - v1).num("pace_wall_s", t1 - t0);
    j.arr("rtt_counting_ms", s.roundTrips(opt.probes));
    j.arr("posted_counting_ms", s.postedRoundTrips(opt.probes));
    j.arr("input_counting_ms", s.inputRoundTrips(opt.probes));
    // The long sound, started as a double-click in the list would (the handler plays it
    // through, so it is posted).
    selectFirstFile(s);
    PostMessageW(s.hwnd(), WM_COMMAND, testPlayCommand(), reinterpret_cast<LPARAM>(s.control(zt::ids::kFile1)));
    Sleep(1500);
    const double playStart = now();
    j.arr("rtt_playing_ms", s.roundTrips(opt.probes));
    j.arr("posted_playing_ms", s.postedRoundTrips(opt.probes));
    j.arr("input_playing_ms", s.inputRoundTrips(opt.probes));
    j.num("playing_probe_s", now() - playStart);
    PostMessageW(s.hwnd(), WM_COMMAND, MAKEWPARAM(zt::ids::kCmdStop, BN_CLICKED),
                 reinterpret_cast<LPARAM>(s.control(zt::ids::kCmdStop)));
    // Waiting again once a sound has been played: what the program costs for most of a day.
    Sleep(kSettleMs);
    j.obj("idle_after_sound", s.idleCpu(std::max(opt.idleSeconds / 2, 1)));
    return j;
}

// Delay 0.1 and a short sound: 100 test plays one after another, then scheduler cycles.
Json playsRun(Startups& startups) {
    log("zirrotone, delay 0.1: %d test plays, then %d scheduler cycles", opt.plays, opt.cycles);
    useSettings(opt.sounds + L"\\short", L"0.1");
    Subject s(opt.zirrotone, zt::kMainWindowClass, opt.sounds);
    startups.add(s, zt::ids::kTxtCountdown);
    Sleep(kSettleMs);
    Json j;
    j.obj("after_start", s.snapshot());
    selectFirstFile(s);
    // Sent, not posted: the handler returns when the sound has ended, which is what
    // lets the plays follow one another without overlapping.
    std::vector<double> plays;
    for (int i = 0; i < opt.plays; ++i) {
        if (i == 1) j.obj("after_first_play", s.snapshot());  // the media runtime is loaded now
        plays.push_back(sendTestPlay(s));
    }
    j.arr("play_ms", plays);
    j.obj("after_test_plays", s.snapshot());
    // A new draw shows as the countdown going up.
    int cycles = 0;
    int last = countdown(s);
    const double deadline = now() + 12.0 * opt.cycles;
    while (cycles < opt.cycles && now() < deadline) {
        Sleep(50);
        const int value = countdown(s);
        if (value > last) ++cycles;
        last = value;
    }
    j.num("scheduler_cycles", cycles);
    Sleep(1000);
    j.obj("after_plays", s.snapshot());
    j.obj("handles_after_plays", handleNames(s.process(), GetProcessId(s.process())));
    return j;
}

// Delay 10 and a 20 ms sound: a thousand test plays one after another, what a day of plays
// at the shortest delay leaves behind. Sent, as above, so that they do not overlap.
Json thousandPlaysRun(Startups& startups) {
    log("zirrotone, delay 10: %d test plays of a 20 ms sound", opt.thousandPlays);
    useSettings(opt.sounds + L"\\blip", L"10");
    Subject s(opt.zirrotone, zt::kMainWindowClass, opt.sounds);
    startups.add(s, zt::ids::kTxtCountdown);
    Sleep(kSettleMs);
    Json j;
    j.obj("after_start", s.snapshot());
    selectFirstFile(s);
    std::vector<double> plays;
    for (int i = 0; i < opt.thousandPlays; ++i) {
        plays.push_back(sendTestPlay(s));
        if (i == 0) j.obj("after_first_play", s.snapshot());
    }
    Sleep(1000);
    j.arr("play_ms", plays).obj("after_plays", s.snapshot());
    return j;
}

// Delay 0.1 and a 1 s sound: when each countdown value appears, on the clock the sink
// recorder uses, so that the end of the sound itself can be matched.
Json endOfSoundRun(Startups& startups) {
    log("zirrotone, delay 0.1, 1 s sound: %d ends of a sound", opt.endCycles);
    useSettings(opt.sounds + L"\\one", L"0.1");
    Subject s(opt.zirrotone, zt::kMainWindowClass, opt.sounds);
    startups.add(s, zt::ids::kTxtCountdown);
    // Each reply comes at one of the program's passes over its events; the last that still
    // says 0 is the pass in which the player saw the end.
    std::vector<double> zeroAt, lastZeroAt, nextAt, nextValue;
    double lastZero = 0;
    int last = countdown(s);
    const double deadline = now() + 12.0 * (opt.endCycles + 1);
    while (static_cast<int>(nextAt.size()) < opt.endCycles && now() < deadline) {
        const int value = countdown(s);  // answered at the program's next pass
        double at = unixTime();
        if (value == 0) lastZero = at;
        if (value == last) continue;
        Subject::waitUntilPainted(s.control(zt::ids::kTxtCountdown));
        if (value != 0) at = unixTime();  // 0 is taken when set: the sound starts right after
        if (value == 0) zeroAt.push_back(at);
        if (last == 0 && value > 0 && !zeroAt.empty()) {
            nextAt.push_back(at);
            lastZeroAt.push_back(lastZero);
            nextValue.push_back(value);
        }
        last = value;
    }
    zeroAt.resize(nextAt.size());
    Json j;
    j.arr("zero_at", zeroAt).arr("last_zero_at", lastZeroAt).arr("next_at", nextAt).arr("next_value", nextValue);
    return j;
}

// Delay 10 and a 1 s sound: "Play one now" as the tray menu sends it, mid-countdown. From the
// command to the status line's new text, and (on the sink's clock) to the first sound.
Json playNowRun(Startups& startups) {
    log("zirrotone, delay 10, 1 s sound: %d times Play one now", opt.endCycles);
    useSettings(opt.sounds + L"\\one", L"10");
    Subject s(opt.zirrotone, zt::kMainWindowClass, opt.sounds);
    startups.add(s, zt::ids::kTxtCountdown);
    const HWND status = s.control(zt::ids::kLabel3);
    std::vector<double> askedAt, shownAt;
    for (int i = 0; i < opt.endCycles; ++i) {
        Sleep(2500);  // the sound before has ended, the countdown runs again
        // Emptied first: the same file's name again would not show a change.
        SendMessageTimeoutW(status, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L""), SMTO_NORMAL, 2000, nullptr);
        askedAt.push_back(unixTime());
        PostMessageW(s.hwnd(), WM_COMMAND, MAKEWPARAM(zt::ids::kMnuPlayNow2, 0), 0);
        const double deadline = now() + 5;
        while (Subject::text(status).empty() && now() < deadline) Sleep(1);
        shownAt.push_back(unixTime());
    }
    Sleep(1500);
    Json j;
    j.arr("asked_at", askedAt).arr("shown_at", shownAt);
    return j;
}

// Delay 10 and a short sound that ends by itself: what waiting costs after it.
Json afterOwnEndRun(Startups& startups) {
    log("zirrotone, delay 10: a sound that ends by itself, then %d s counting", std::max(opt.idleSeconds / 2, 1));
    useSettings(opt.sounds + L"\\short", L"10");
    Subject s(opt.zirrotone, zt::kMainWindowClass, opt.sounds);
    startups.add(s, zt::ids::kTxtCountdown);
    Sleep(kSettleMs);
    selectFirstFile(s);
    DWORD_PTR result = 0;
    SendMessageTimeoutW(s.hwnd(), WM_COMMAND, testPlayCommand(), reinterpret_cast<LPARAM>(s.control(zt::ids::kFile1)),
                        SMTO_NORMAL, 10000, &result);
    Sleep(kSettleMs);
    Json j;
    j.obj("idle_after_own_end", s.idleCpu(std::max(opt.idleSeconds / 2, 1)));
    return j;
}

// Every way out while the long sound plays: the exit status of the process.
Json exitsRun() {
    log("zirrotone: the exit status of four ways out during a sound");
    const struct {
        const char* name;
        void (*leave)(HWND);
    } ways[] = {
        {"exit", [](HWND h) { PostMessageW(h, WM_COMMAND, zt::ids::kMnuExit, 0); }},
        {"terminate", [](HWND h) { PostMessageW(h, WM_COMMAND, zt::ids::kMnuTerminate, 0); }},
        {"close", [](HWND h) { PostMessageW(h, WM_CLOSE, 0, 0); }},
        {"endsession",
         [](HWND h) {
             DWORD_PTR answer = 0;
             SendMessageTimeoutW(h, WM_QUERYENDSESSION, 0, 0, SMTO_ABORTIFHUNG, 2000, &answer);
             PostMessageW(h, WM_ENDSESSION, TRUE, 0);
         }},
    };
    Json j;
    for (const auto& way : ways) {
        useSettings(opt.sounds + L"\\long", L"10");
        Subject s(opt.zirrotone, zt::kMainWindowClass, opt.sounds);
        s.waitUntilShowing(zt::ids::kTxtCountdown);
        selectFirstFile(s);
        PostMessageW(s.hwnd(), WM_COMMAND, testPlayCommand(), reinterpret_cast<LPARAM>(s.control(zt::ids::kFile1)));
        Sleep(1500);
        way.leave(s.hwnd());
        j.num(way.name, s.waitForExit(10000));
    }
    return j;
}

// Start-up as pairs: the baseline and the program launched one after the other, which
// goes first alternating, so that both meet the same state of the machine.
Json startupPairsRun() {
    log("start-up: %d pairs of baseline and zirrotone", opt.startupPairs);
    useSettings(opt.sounds + L"\\long", L"10");
    std::vector<double> program, baseline, programWindow, ratios;
    for (int i = 0; i < opt.startupPairs; ++i) {
        for (int k = 0; k < 2; ++k) {
            if ((k == 0) == (i % 2 == 0)) {
                Subject s(opt.baseline, L"ZtBenchBaseline", opt.sounds);
                baseline.push_back(s.waitUntilShowing(0) * 1000);
            } else {
                Subject s(opt.zirrotone, zt::kMainWindowClass, opt.sounds);
                program.push_back(s.waitUntilShowing(zt::ids::kTxtCountdown) * 1000);
                programWindow.push_back(s.windowAt() * 1000);
            }
        }
        ratios.push_back(program.back() / baseline.back());
    }
    Json j;
    j.arr("program_ms", program).arr("program_window_ms", programWindow).arr("baseline_ms", baseline).arr("ratios", ratios);
    if (opt.baselineControls.empty()) return j;
    // The same pairs for the baseline built with common controls 6: what a themed program
    // pays before it makes its first control.
    log("start-up: %d pairs of baseline and its common-controls twin", opt.startupPairs);
    std::vector<double> plain, twin, twinRatios;
    for (int i = 0; i < opt.startupPairs; ++i) {
        for (int k = 0; k < 2; ++k) {
            const bool bare = (k == 0) == (i % 2 == 0);
            Subject s(bare ? opt.baseline : opt.baselineControls, L"ZtBenchBaseline", opt.sounds);
            (bare ? plain : twin).push_back(s.waitUntilShowing(0) * 1000);
        }
        twinRatios.push_back(twin.back() / plain.back());
    }
    j.arr("controls_baseline_ms", twin).arr("controls_plain_ms", plain).arr("controls_ratios", twinRatios);
    return j;
}

}  // namespace bench
