// The Media Foundation + WASAPI back end on the real system, with sounds the build makes
// in every layout the program is meant to play.
#include "playback/mf_wasapi_backend.h"

#include <gtest/gtest.h>
#include <mferror.h>
#include <audioclient.h>
#include <psapi.h>
#include <tlhelp32.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <memory>
#include <string>
#include <thread>

#include "common/scoped.h"
#include "common/winutil.h"
#include "playback/player.h"
#include "playback/wave_out_volume.h"

namespace zt {
namespace {

using Clock = std::chrono::steady_clock;

std::wstring media(const wchar_t* name) { return programFolder() + L"\\playback_media\\" + name; }
std::string narrow(const std::wstring& text) { return std::string(text.begin(), text.end()); }

// A file in the temporary folder with the given bytes, removed afterwards.
class TempFile {
public:
    TempFile(const wchar_t* name, const std::string& bytes) {
        wchar_t folder[MAX_PATH + 1];
        GetTempPathW(MAX_PATH + 1, folder);
        path_ = std::wstring(folder) + name;
        ScopedFile file(CreateFileW(path_.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
        DWORD written = 0;
        if (file && !bytes.empty())
            WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    }
    ~TempFile() { DeleteFileW(path_.c_str()); }
    TempFile(const TempFile&) = delete;
    TempFile& operator=(const TempFile&) = delete;
    const std::wstring& path() const { return path_; }

private:
    std::wstring path_;
};

int threadCount() {
    ScopedFile snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0));
    THREADENTRY32 entry{};
    entry.dwSize = sizeof entry;
    int n = 0;
    for (BOOL more = Thread32First(snapshot.get(), &entry); more; more = Thread32Next(snapshot.get(), &entry))
        if (entry.th32OwnerProcessID == GetCurrentProcessId()) ++n;
    return n;
}

// The thread count once threads that are winding down (the system's, after a sound) have
// gone: the lowest seen over a short while.
int settledThreadCount() {
    int lowest = threadCount();
    for (int i = 0; i < 20; ++i) {
        sleepMs(50);
        lowest = std::min(lowest, threadCount());
    }
    return lowest;
}

DWORD handleCount() {
    DWORD n = 0;
    GetProcessHandleCount(GetCurrentProcess(), &n);
    return n;
}

// The program's waiter, which can also run a callback at every pass over the events.
class CallbackWaiter final : public Waiter {
public:
    std::function<void(int passes)> onPass;
    void sleepMs(int ms) override { system_.sleepMs(ms); }
    std::int64_t clockMs() override { return system_.clockMs(); }
    void waitUntil(std::int64_t deadlineMs, void* wake) override {
        system_.waitUntil(deadlineMs, wake);
        if (onPass) onPass(++passes_);
    }
    void processEvents() override { system_.processEvents(); }

private:
    SystemWaiter system_;
    int passes_ = 0;
};

class MfWasapiBackendTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(com.ok()); }

    // Plays through the whole path the program uses and times it.
    PlayResult play(const std::wstring& path, double& seconds) {
        Player player(backend, device, waiter);
        const auto begin = Clock::now();
        PlayResult result = player.playsound(path, 100);
        seconds = std::chrono::duration<double>(Clock::now() - begin).count();
        return result;
    }

    ComInit com;
    CallbackWaiter waiter;  // before the back end, which waits through it to its end
    MfWasapiBackend backend{waiter};
    WaveOutVolume device;
};

TEST_F(MfWasapiBackendTest, PlaysEveryWavLayoutAndMp3ToTheEnd) {
    // Those the system has no decoder for go to the program's own reader.
    for (const wchar_t* file : {L"pcm_u8.wav", L"pcm_s16.wav", L"pcm_s24.wav", L"pcm_s32.wav", L"float32.wav",
                                L"tone1s.mp3", L"ima_adpcm.wav", L"ms_adpcm.wav", L"mu_law.wav", L"a_law.wav"}) {
        SCOPED_TRACE(narrow(file));
        double seconds = 0;
        const PlayResult result = play(media(file), seconds);
        EXPECT_TRUE(result.played) << narrow(result.reason);
        EXPECT_GT(seconds, 0.9);  // a one-second sound is not cut short
        EXPECT_NE(backend.playState(), MediaBackend::kPlaying);
        EXPECT_EQ(WaitForSingleObject(backend.endEvent(), 0), WAIT_OBJECT_0);
    }
}

TEST_F(MfWasapiBackendTest, StopEndsTheSoundAndItsThreadAtOnce) {
    double seconds = 0;
    ASSERT_TRUE(play(media(L"short.wav"), seconds).played);  // Media Foundation has been up once
    const int threadsBefore = settledThreadCount();

    Player player(backend, device, waiter);
    bool stopped = false;
    waiter.onPass = [&](int) {
        if (stopped || backend.playState() != MediaBackend::kPlaying) return;
        EXPECT_EQ(backend.playState(), MediaBackend::kPlaying);
        EXPECT_EQ(WaitForSingleObject(backend.endEvent(), 0), static_cast<DWORD>(WAIT_TIMEOUT));
        player.stop();
        stopped = true;
        // When stop() returns the sound's thread is gone, not just asked to go. The count
        // settles first: Wine's own pool threads come and go on a loaded machine.
        EXPECT_LE(settledThreadCount(), threadsBefore);
    };
    ASSERT_TRUE(player.playsound(media(L"tone3s.wav"), 50).played);
    EXPECT_TRUE(stopped);
    EXPECT_NE(backend.playState(), MediaBackend::kPlaying);
    backend.stop();  // a second stop is harmless
}

TEST_F(MfWasapiBackendTest, FilesThatCannotBePlayedFailWithAReason) {
    const TempFile empty(L"zt_empty.wav", "");
    const TempFile garbage(L"zt_garbage.mp3", std::string(4096, '\x5a'));
    const TempFile text(L"zt_text.wav", "RIFF this is not a sound at all, only some words.");
    // A header and no data.
    const TempFile silent(L"zt_nodata.wav", std::string("RIFF\x24\0\0\0WAVEfmt \x10\0\0\0\x01\0\x01\0\x22\x56\0\0"
                                                       "\x22\x56\0\0\x01\0\x08\0data\0\0\0\0", 44));
    for (const std::wstring& path :
         {media(L"no such file.wav"), std::wstring(L"C:\\no\\such\\folder\\a.mp3"), empty.path(),
          garbage.path(), text.path(), std::wstring(), silent.path()}) {
        SCOPED_TRACE(narrow(path));
        double seconds = 0;
        const PlayResult result = play(path, seconds);
        EXPECT_FALSE(result.played);
        EXPECT_FALSE(result.reason.empty());
        EXPECT_NE(backend.playState(), MediaBackend::kPlaying);
        EXPECT_FALSE(backend.start());  // nothing loaded after a failure
    }
    // What each is, said once: no "cannot be played" after "Could not play", no raw code.
    // A format tag no decoder knows (0x1234) is a sound this computer cannot play.
    const TempFile unsupported(L"zt_unsupported.wav", std::string("RIFF\x24\x10\0\0WAVEfmt \x10\0\0\0\x34\x12\x01\0\x22\x56\0\0"
                                                               "\x22\x56\0\0\x01\0\x08\0data\0\x10\0\0", 44) +
                                                       std::string(4096, '\x33'));
    const std::string cannotDecode = "the file is damaged or not a sound this computer can play";
    const struct {
        std::wstring path;
        std::string reason;
    } worded[] = {
        {media(L"no such file.wav"), "the file was not found"},
        {silent.path(), "the file holds no sound"},
        {garbage.path(), cannotDecode},
        {text.path(), cannotDecode},
        {unsupported.path(), cannotDecode},
    };
    double seconds = 0;
    for (const auto& w : worded) EXPECT_EQ(narrow(play(w.path, seconds).reason), w.reason) << narrow(w.path);
    // And the back end still plays afterwards.
    EXPECT_TRUE(play(media(L"short.wav"), seconds).played);
}

TEST(PlayError, OurWordsWhereWeKnowBetterTheSystemsElseTheCodeAlone) {
    // Ours, for what a code means for a sound.
    EXPECT_EQ(narrow(describePlayError(HRESULT_FROM_WIN32(ERROR_PATH_NOT_FOUND))), "the file was not found");
    EXPECT_EQ(narrow(describePlayError(MF_E_UNSUPPORTED_BYTESTREAM_TYPE)),
              "the file is damaged or not a sound this computer can play");
    EXPECT_EQ(narrow(describePlayError(AUDCLNT_E_DEVICE_INVALIDATED)), "no sound device is available");
    // The system's, as the part of the sentence after the colon.
    for (const HRESULT code : {HRESULT_FROM_WIN32(ERROR_NOT_READY), HRESULT_FROM_WIN32(ERROR_CRC),
                               HRESULT_FROM_WIN32(ERROR_NETNAME_DELETED)}) {
        const std::wstring reason = describePlayError(code);
        EXPECT_EQ(reason, systemMessage(code).value_or(L"-")) << std::hex << code;
        EXPECT_EQ(reason.find(L"0x"), std::wstring::npos) << narrow(reason);
    }
    // The code only where no one has words for it.
    EXPECT_EQ(narrow(describePlayError(static_cast<HRESULT>(0xA0FE1234))), "error 0xA0FE1234");
}

TEST_F(MfWasapiBackendTest, ANewFileReplacesTheSoundInProgress) {
    backend.setVolume(-2000);  // before any file: kept for the files loaded later
    ASSERT_TRUE(backend.setFileName(media(L"tone3s.wav")));
    EXPECT_NE(backend.playState(), MediaBackend::kPlaying);  // loaded, not started
    ASSERT_TRUE(backend.start());
    EXPECT_FALSE(backend.start());  // once per load
    EXPECT_EQ(backend.playState(), MediaBackend::kPlaying);
    sleepMs(300);
    ASSERT_TRUE(backend.setFileName(media(L"short.wav")));
    EXPECT_NE(backend.playState(), MediaBackend::kPlaying);  // the old sound is gone
    ASSERT_TRUE(backend.start());
    // The end event ends the wait for the short file's end.
    ASSERT_EQ(WaitForSingleObject(backend.endEvent(), 10'000), WAIT_OBJECT_0);
    EXPECT_NE(backend.playState(), MediaBackend::kPlaying);
}

TEST_F(MfWasapiBackendTest, HandlesAndThreadsStayFlatOverRepeatedPlays) {
    double seconds = 0;
    // Both readers once: the MP3 starts Media Foundation, whose threads the process keeps.
    ASSERT_TRUE(play(media(L"short.wav"), seconds).played);
    ASSERT_TRUE(play(media(L"tone1s.mp3"), seconds).played);
    const DWORD handles = handleCount();
    const int threads = settledThreadCount();
    for (int i = 0; i < 20; ++i) {
        ASSERT_TRUE(play(media(i % 2 ? L"short.wav" : L"tone1s.mp3"), seconds).played) << i;
        if (i % 3 == 0) {  // and some stopped halfway
            ASSERT_TRUE(backend.setFileName(media(L"tone3s.wav")));
            ASSERT_TRUE(backend.start());
            backend.stop();
        }
    }
    EXPECT_LE(handleCount(), handles + 5);
    EXPECT_EQ(settledThreadCount(), threads);
}

// What a process holds in memory, as the system counts it (under Wine: the resident set).
double workingSetMb() {
    PROCESS_MEMORY_COUNTERS counters{};
    counters.cb = sizeof counters;
    GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters);
    return static_cast<double>(counters.WorkingSetSize) / 1048576.0;
}

TEST_F(MfWasapiBackendTest, WavsOurReaderKnowsLeaveMediaFoundationUnloaded) {
    // Each test runs in a process of its own: nothing has loaded it before.
    ASSERT_EQ(GetModuleHandleW(L"mfreadwrite.dll"), nullptr);
    double seconds = 0;
    for (const wchar_t* file : {L"pcm_s16.wav", L"float32.wav", L"ima_adpcm.wav", L"mu_law.wav"})
        ASSERT_TRUE(play(media(file), seconds).played) << narrow(file);
    EXPECT_EQ(GetModuleHandleW(L"mfreadwrite.dll"), nullptr);
    ASSERT_TRUE(play(media(L"tone1s.mp3"), seconds).played);
    EXPECT_NE(GetModuleHandleW(L"mfreadwrite.dll"), nullptr);
}

TEST_F(MfWasapiBackendTest, MemoryStaysFlatOverHundredsOfWavPlays) {
    // Once the first hundred have set up what the process keeps (threads' heaps), each play
    // costs nothing lasting. A Media Foundation source per play kept about 6 KB under Wine:
    // 3 MB over these 500.
    double seconds = 0;
    for (int i = 0; i < 100; ++i) ASSERT_TRUE(play(media(L"blip.wav"), seconds).played) << i;
    const double before = workingSetMb();
    for (int i = 0; i < 500; ++i) ASSERT_TRUE(play(media(L"blip.wav"), seconds).played) << i;
    const double grown = workingSetMb() - before;
    RecordProperty("growth_kb", static_cast<int>(grown * 1024));
    EXPECT_LT(grown, 1.5) << "MB over 500 plays";
}

TEST_F(MfWasapiBackendTest, BothReadersMeasureTheSameLoudness) {
    // A 440 Hz sine at half of full scale in both channels: -6 dBFS, with K-weighting
    // flat there, less the recommendation's 0.691.
    const auto wav = measureLoudness(media(L"tone1s.wav"));
    const auto mp3 = measureLoudness(media(L"tone1s.mp3"));
    ASSERT_TRUE(wav && mp3);
    EXPECT_NEAR(wav->lufs, -6.7, 0.1);
    // The encoder's delay and padding put silence at both ends of the MP3's second.
    EXPECT_NEAR(mp3->lufs, wav->lufs, 0.6);
    EXPECT_NEAR(wav->peak, 0.5, 0.01);
    EXPECT_FALSE(measureLoudness(media(L"no such file.wav")));
    // Levelled, softly started and faded: still plays, and ends.
    backend.chooseOutput([] { return MfWasapiBackend::Output{{}, {}, {}, {true, true}}; });
    double seconds = 0;
    EXPECT_TRUE(play(media(L"short.wav"), seconds).played);
    EXPECT_TRUE(play(media(L"tone1s.mp3"), seconds).played);
}

TEST_F(MfWasapiBackendTest, LettingGoOfAPlayingBackEndIsClean) {
    {
        MfWasapiBackend running(waiter);
        ASSERT_TRUE(running.setFileName(media(L"tone3s.wav")));
        ASSERT_TRUE(running.start());
        sleepMs(200);
        running.setVolume(-610);  // during a sound: taken at the next buffer
    }
    double seconds = 0;
    EXPECT_TRUE(play(media(L"short.wav"), seconds).played);
}


// A sound device that answers when the test opens the gate, or never until then. The
// back end runs it on the sound's thread, which may outlive the back end: it owns a share.
struct DeviceGate {
    ScopedHandle open{CreateEventW(nullptr, TRUE, FALSE, nullptr)};
    std::atomic<int> entered{0};
    std::atomic<int> passed{0};
    static MfWasapiBackend::DeviceHook hook(const std::shared_ptr<DeviceGate>& gate) {
        return [gate] {
            ++gate->entered;
            WaitForSingleObject(gate->open.get(), INFINITE);
            ++gate->passed;
        };
    }
};

// A window on the test's thread and another thread that keeps sending it WM_NULL, timing
// each answer: a UI thread that blocks without handling messages shows up as a slow one.
class Responsiveness {
public:
    Responsiveness()
        : window_(CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr)),
          sender_([this] {
              while (!done_) {
                  const auto begin = Clock::now();
                  DWORD_PTR answer = 0;
                  SendMessageTimeoutW(window_, WM_NULL, 0, 0, SMTO_NORMAL, 10'000, &answer);
                  const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - begin).count();
                  slowest_ = std::max<long long>(slowest_, ms);
                  ++answers_;
                  Sleep(20);
              }
              finished_ = true;
          }) {}
    ~Responsiveness() {
        done_ = true;
        // The last message may need this thread's answer.
        while (!finished_) {
            processPendingEvents();
            Sleep(5);
        }
        sender_.join();
        DestroyWindow(window_);
    }
    Responsiveness(const Responsiveness&) = delete;
    Responsiveness& operator=(const Responsiveness&) = delete;
    long long slowestMs() const { return slowest_; }
    int answers() const { return answers_; }

private:
    HWND window_;
    std::atomic<bool> done_{false};
    std::atomic<bool> finished_{false};
    std::atomic<long long> slowest_{0};
    std::atomic<int> answers_{0};
    std::thread sender_;
};

double secondsSince(Clock::time_point begin) { return std::chrono::duration<double>(Clock::now() - begin).count(); }

TEST_F(MfWasapiBackendTest, ADeviceThatNeverAnswersFailsAfterThreeSecondsWhileTheWindowAnswers) {
    const auto gate = std::make_shared<DeviceGate>();
    auto stuck = std::make_unique<MfWasapiBackend>(waiter, DeviceGate::hook(gate));
    PlayResult result;
    double seconds = 0;
    long long slowest = 0;
    {
        const Responsiveness window;
        Player player(*stuck, device, waiter);
        const auto begin = Clock::now();
        result = player.playsound(media(L"tone1s.wav"), 100);
        seconds = secondsSince(begin);
        slowest = window.slowestMs();
        EXPECT_GT(window.answers(), 5);
    }
    EXPECT_FALSE(result.played);
    EXPECT_EQ(narrow(result.reason), "the sound device does not answer");
    EXPECT_GT(seconds, 2.9);
    EXPECT_LT(seconds, 6.0);
    EXPECT_LT(slowest, 500) << "the window did not answer for " << slowest << " ms";
    EXPECT_EQ(gate->entered, 1);

    // Letting go of the back end with the thread still stuck takes no longer than a stop.
    const auto begin = Clock::now();
    stuck.reset();
    EXPECT_LT(secondsSince(begin), 1.5);
    // The device answers after all, with the back end gone: the thread goes on with what it
    // owns, opens the device and ends without touching the back end's memory.
    SetEvent(gate->open.get());
    for (int i = 0; i < 100 && gate->passed == 0; ++i) sleepMs(20);
    EXPECT_EQ(gate->passed, 1);
    sleepMs(500);
    double again = 0;
    EXPECT_TRUE(play(media(L"short.wav"), again).played);
}

TEST_F(MfWasapiBackendTest, StopWhileTheDeviceIsStuckReturnsWithinASecond) {
    const auto gate = std::make_shared<DeviceGate>();
    MfWasapiBackend stuck(waiter, DeviceGate::hook(gate));
    Player player(stuck, device, waiter);
    const Responsiveness window;  // its messages end the waits, so the stop comes in
    double stopSeconds = -1;
    waiter.onPass = [&](int) {
        if (stopSeconds >= 0 || gate->entered == 0) return;
        const auto begin = Clock::now();
        player.stop();
        stopSeconds = secondsSince(begin);
    };
    const auto begin = Clock::now();
    const PlayResult result = player.playsound(media(L"tone1s.wav"), 100);
    const double seconds = secondsSince(begin);
    waiter.onPass = nullptr;
    // Stopped before it started: not played, and nothing to report.
    EXPECT_FALSE(result.played);
    EXPECT_TRUE(result.reason.empty()) << narrow(result.reason);
    EXPECT_GE(stopSeconds, 0.0);
    EXPECT_LT(stopSeconds, 1.5);
    EXPECT_LT(seconds, 2.5);
    EXPECT_NE(stuck.playState(), MediaBackend::kPlaying);
    SetEvent(gate->open.get());
}

TEST_F(MfWasapiBackendTest, ADeviceThatTakesTwoSecondsStillPlays) {
    MfWasapiBackend slow(waiter, [] { Sleep(2000); });
    Player player(slow, device, waiter);
    const auto begin = Clock::now();
    const PlayResult result = player.playsound(media(L"tone1s.wav"), 100);
    EXPECT_TRUE(result.played) << narrow(result.reason);
    EXPECT_GT(secondsSince(begin), 2.9);
}

}  // namespace
}  // namespace zt
