// The real program's sound engine from outside: a flood of test plays, and a sound server
// that stops answering in the middle of a sound. Run by sound_engine_test.sh, which records
// the null sink during the flood and stops and continues the test's PulseAudio on request.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>

#include "common/text.h"
#include "mainwindow/ids.h"
#include "program.h"
#include "settings/registry.h"
#include "settings/settings.h"
#include "utf8.h"

namespace zt::e2e {
namespace {

using namespace std::chrono_literals;
using namespace test;
using Clock = std::chrono::steady_clock;

long long msSince(Clock::time_point t) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - t).count();
}

int countdown(Program& program) {
    const std::wstring text = program.text(ids::kTxtCountdown);
    return text.empty() ? -1 : static_cast<int>(lenientNumber(text));
}

// Sends WM_NULL to the window every 20 ms from a thread of its own and keeps the longest
// wait for an answer.
class Prober {
public:
    explicit Prober(HWND hwnd)
        : thread_([this, hwnd] {
              while (running_) {
                  const auto sent = Clock::now();
                  DWORD_PTR answer = 0;
                  if (!SendMessageTimeoutW(hwnd, WM_NULL, 0, 0, SMTO_NORMAL, 10'000, &answer)) ++unanswered_;
                  slowestMs_ = std::max(slowestMs_.load(), msSince(sent));
                  Sleep(20);
              }
          }) {}
    ~Prober() { stop(); }
    Prober(const Prober&) = delete;
    Prober& operator=(const Prober&) = delete;
    void stop() {
        running_ = false;
        if (thread_.joinable()) thread_.join();
    }
    long long slowestMs() const { return slowestMs_; }
    int unanswered() const { return unanswered_; }

private:
    std::atomic<bool> running_{true};
    std::atomic<long long> slowestMs_{0};
    std::atomic<int> unanswered_{0};
    std::thread thread_;
};

class SoundEngineE2E : public ::testing::Test {
protected:
    void SetUp() override { clearSettings(); }
    void TearDown() override { clearSettings(); }

    void playSelected(HWND hwnd, int index) {
        HWND list = GetDlgItem(hwnd, ids::kFile1);
        SendMessageW(list, LB_SETCURSEL, index, 0);
        PostMessageW(hwnd, WM_COMMAND, MAKEWPARAM(ids::kFile1, LBN_DBLCLK), reinterpret_cast<LPARAM>(list));
    }

    TempFolder sounds_{L"zt_e2e_engine"};
};

TEST_F(SoundEngineE2E, TwoThousandPostedTestPlaysLeaveItAnsweringAndItExitsNormally) {
    writeTone(sounds_ / L"bell.wav", 1.0);
    writeTone(sounds_ / L"chime.wav", 1.0, 880);
    setRegString(HKEY_CURRENT_USER, settingKey(kDelaySetting), std::wstring(kSettingValue), L"10");
    Program program(zirrotoneExe(), sounds_.path());
    HWND hwnd = program.window();
    ASSERT_TRUE(hwnd);
    ASSERT_TRUE(waitFor([&] { return countdown(program) > 0; }, 10s));
    HWND list = GetDlgItem(hwnd, ids::kFile1);
    ASSERT_TRUE(waitFor([&] { return SendMessageW(list, LB_GETCOUNT, 0, 0) == 2; }, 5s));

    Prober prober(hwnd);
    const auto posted = Clock::now();
    DWORD_PTR answer = 0;
    for (int i = 0; i < 2000; ++i) {
        // Bounded: a program that stops answering fails here instead of holding the test.
        ASSERT_TRUE(SendMessageTimeoutW(list, LB_SETCURSEL, i % 2, 0, SMTO_NORMAL, 10'000, &answer)) << i;
        PostMessageW(hwnd, WM_COMMAND, MAKEWPARAM(ids::kFile1, LBN_DBLCLK), reinterpret_cast<LPARAM>(list));
    }
    // Every one handled: a sent message is answered only after the posted ones before it.
    ASSERT_TRUE(SendMessageTimeoutW(hwnd, WM_NULL, 0, 0, SMTO_NORMAL, 120'000, &answer));
    const long long handledMs = msSince(posted);
    // The last sound plays out, and the program goes on counting.
    waitFor([] { return false; }, 1500ms);
    int first = -1, later = -1;
    ASSERT_TRUE(waitFor([&] { return (first = countdown(program)) > 0; }, 5s));
    EXPECT_TRUE(waitFor([&] { return (later = countdown(program)) >= 0 && later < first; }, 5s));
    prober.stop();
    std::printf("2000 posted plays handled in %lld ms; slowest WM_NULL meanwhile %lld ms\n", handledMs,
                prober.slowestMs());
    RecordProperty("handled_ms", static_cast<int>(handledMs));
    RecordProperty("slowest_round_trip_ms", static_cast<int>(prober.slowestMs()));
    EXPECT_EQ(prober.unanswered(), 0);

    PostMessageW(hwnd, WM_CLOSE, 0, 0);
    ASSERT_TRUE(program.waitForExit(5s));
    EXPECT_EQ(program.exitCode(), 0u);
}

// Asks sound_engine_test.sh to stop (SIGSTOP) or continue the test's PulseAudio, and waits
// until it has. False when the test does not run under that script.
bool soundServer(const char* request) { return askSoundScript(request, 5s); }

// Continues the sound server however the test ends (the script does too, at its end).
struct ServerContinued {
    ~ServerContinued() { soundServer("cont"); }
};

TEST_F(SoundEngineE2E, ASoundServerThatStopsAnsweringNeverHoldsTheWindow) {
    if (!std::getenv("ZT_PULSE_CONTROL")) GTEST_SKIP() << "run by sound_engine_test.sh";
    writeTone(sounds_ / L"bell.wav", 20.0);
    Program program(zirrotoneExe(), sounds_.path());  // delay 0.1: a pick within 4-7 s
    HWND hwnd = program.window();
    ASSERT_TRUE(hwnd);
    ASSERT_TRUE(waitFor([&] { return countdown(program) > 0; }, 10s));
    ASSERT_TRUE(waitFor([&] { return SendMessageW(GetDlgItem(hwnd, ids::kFile1), LB_GETCOUNT, 0, 0) == 1; }, 5s));
    playSelected(hwnd, 0);
    waitFor([] { return false; }, 1000ms);  // playing

    const ServerContinued continued;
    Prober prober(hwnd);
    ASSERT_TRUE(soundServer("stop"));
    waitFor([] { return false; }, 300ms);

    // "Stop sound" returns, bounded by the wait for the sound's thread.
    const auto clicked = Clock::now();
    DWORD_PTR answer = 0;
    EXPECT_TRUE(SendMessageTimeoutW(GetDlgItem(hwnd, ids::kCmdStop), BM_CLICK, 0, 0, SMTO_NORMAL, 10'000, &answer));
    const long long stopMs = msSince(clicked);
    EXPECT_LT(stopMs, 2500);

    // The countdown ends and picks; the pick cannot open the device and says so after the
    // open's three seconds, and the countdown goes on.
    ASSERT_TRUE(waitFor([&] { return countdown(program) == 0; }, 10s));
    const auto picked = Clock::now();
    std::wstring status;
    const bool failed = waitFor(
        [&] { return (status = program.text(ids::kLabel3)).find(L"the sound device does not answer") != std::wstring::npos; },
        10s);
    const long long pickMs = msSince(picked);
    EXPECT_TRUE(failed) << wideToUtf8(status);
    EXPECT_GE(pickMs, 2500);
    EXPECT_LT(pickMs, 6000);
    int first = -1, later = -1;
    EXPECT_TRUE(waitFor([&] { return (first = countdown(program)) > 0; }, 5s));
    EXPECT_TRUE(waitFor([&] { return (later = countdown(program)) >= 0 && later < first; }, 5s));

    prober.stop();
    EXPECT_LT(prober.slowestMs(), 100);
    EXPECT_EQ(prober.unanswered(), 0);

    // Closing ends the program although a sound's thread is stuck in the driver.
    const auto closing = Clock::now();
    PostMessageW(hwnd, WM_CLOSE, 0, 0);
    const bool ended = program.waitForExit(10s);
    const long long closeMs = msSince(closing);
    std::printf("server stopped: Stop sound %lld ms, 0 shown to the failed pick %lld ms, WM_CLOSE to exit %lld ms, "
                "slowest WM_NULL %lld ms\n",
                stopMs, pickMs, closeMs, prober.slowestMs());
    RecordProperty("stop_ms", static_cast<int>(stopMs));
    RecordProperty("close_ms", static_cast<int>(closeMs));
    RecordProperty("slowest_round_trip_ms", static_cast<int>(prober.slowestMs()));
    EXPECT_TRUE(ended);
    EXPECT_LT(closeMs, 2500);
}

}  // namespace
}  // namespace zt::e2e
