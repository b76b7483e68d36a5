// Picks in a folder of ten thousand files: the scheduler reads the folder again at the end
// of every countdown, and the window has to keep answering meanwhile. The same with three
// files, for comparison. The files are empty and made by scripts/bench on the Linux side
// (making them from inside Wine takes a minute); muted, so a pick reads and draws but
// plays nothing.
#include <algorithm>
#include <atomic>
#include <thread>

#include "phases.h"

#include "common/names.h"
#include "settings/settings.h"

namespace bench {

namespace {

constexpr int kPicks = 10;
constexpr double kFillTimeoutS = 120;
// A probe batch overlapping a pick by this much or less still counts as during it: the
// read starts right after the 0 is shown and ends before the next value is.
constexpr double kPickMarginS = 0.2;

// When a pick happened: from the countdown showing 0 (or the look before, when the 0 was
// too short to be seen) to the next value shown.
struct Pick {
    double from, to;
};

// Watches the countdown from another thread. The countdown is an edit control, whose text
// only the program can tell: each look is a WM_GETTEXT, one every 10 ms, a light load
// beside the probes, and itself a sent round trip every 10 ms whose slowest is kept.
class PickWatcher {
public:
    explicit PickWatcher(HWND countdown) : countdown_(countdown), thread_([this] { watch(); }) {}
    ~PickWatcher() { stop(); }
    PickWatcher(const PickWatcher&) = delete;
    PickWatcher& operator=(const PickWatcher&) = delete;

    int seen() const { return seen_; }
    double slowestLookMs() const { return slowestLookMs_; }
    std::vector<Pick> stop() {
        running_ = false;
        if (thread_.joinable()) thread_.join();
        return picks_;
    }

private:
    void watch() {
        int last = value();
        double lastAt = now(), zeroAt = 0;
        while (running_) {
            const int v = value();
            const double at = now();
            if (v == 0 && last != 0) zeroAt = at;
            // A new draw. A short 0 can fall between two looks: then the pick began after
            // the look before.
            if (last >= 0 && v > last) {
                picks_.push_back({last == 0 ? zeroAt : lastAt, at});
                ++seen_;
            }
            if (v >= 0) last = v;
            lastAt = at;
            Sleep(10);
        }
    }
    int value() {
        const double t0 = now();
        const std::wstring text = Subject::text(countdown_);
        slowestLookMs_ = std::max(slowestLookMs_, (now() - t0) * 1000);
        return text.empty() ? -1 : _wtoi(text.c_str());
    }

    HWND countdown_;
    std::atomic<bool> running_{true};
    std::atomic<int> seen_{0};
    std::vector<Pick> picks_;
    double slowestLookMs_ = 0;  // read once the thread has ended
    std::thread thread_;
};

struct Probes {
    std::vector<double> sent, posted, input;
    void add(const Probes& batch) {
        sent.insert(sent.end(), batch.sent.begin(), batch.sent.end());
        posted.insert(posted.end(), batch.posted.begin(), batch.posted.end());
        input.insert(input.end(), batch.input.begin(), batch.input.end());
    }
    Json json(Json j, const std::string& when) const {
        return j.arr("rtt_" + when + "_ms", sent).arr("posted_" + when + "_ms", posted).arr("input_" + when + "_ms", input);
    }
};

Json picksIn(const std::wstring& folder, int files) {
    log("zirrotone, delay 0.1, muted, %d files: round trips over %d picks", files, kPicks);
    useSettings(folder, L"0.1");
    setSetting(zt::kMuteSetting, L"1");
    Subject s(opt.zirrotone, zt::kMainWindowClass, opt.sounds);
    s.waitUntilShowing(zt::ids::kTxtCountdown);
    // The first listing, at start, is not a pick: wait until it is complete.
    const HWND list = s.control(zt::ids::kFile1);
    const double fillStart = now();
    while (SendMessageW(list, LB_GETCOUNT, 0, 0) < files && now() - fillStart < kFillTimeoutS) Sleep(50);
    Json j;
    j.num("files", files).num("listed", static_cast<double>(SendMessageW(list, LB_GETCOUNT, 0, 0)));

    // Probes in small batches, each batch timed, so that they can be told apart by whether
    // a pick happened while they ran. Two of each: the slider probes go up and back.
    struct Batch {
        double from, to;
        Probes probes;
    };
    std::vector<Batch> batches;
    PickWatcher watcher(s.control(zt::ids::kTxtCountdown));
    const double deadline = now() + 10.0 * (kPicks + 1);
    while (watcher.seen() < kPicks && now() < deadline) {
        Batch b{now(), 0, {s.roundTrips(2), s.postedRoundTrips(2), s.inputRoundTrips(2)}};
        b.to = now();
        batches.push_back(std::move(b));
    }
    const std::vector<Pick> picks = watcher.stop();
    j.num("slowest_look_ms", watcher.slowestLookMs());

    Probes during, between;
    for (const Batch& b : batches) {
        bool overlaps = false;
        for (const Pick& p : picks)
            overlaps = overlaps || (b.from <= p.to + kPickMarginS && b.to >= p.from - kPickMarginS);
        (overlaps ? during : between).add(b.probes);
    }
    std::vector<double> pickMs;
    for (const Pick& p : picks) pickMs.push_back((p.to - p.from) * 1000);
    j.num("picks", static_cast<double>(picks.size())).arr("zero_to_next_ms", pickMs);
    j = during.json(j, "picking");
    return between.json(j, "between");
}

}  // namespace

Json bigFolderRun() {
    Json j;
    j.obj("big", picksIn(opt.sounds + L"\\big", 10'000));
    j.obj("few", picksIn(opt.sounds + L"\\few", 3));
    return j;
}

}  // namespace bench
