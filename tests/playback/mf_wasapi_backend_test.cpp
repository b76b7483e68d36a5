// The Media Foundation + WASAPI back end on the real system, with sounds the build makes
// in every layout the program is meant to play.
#include "playback/mf_wasapi_backend.h"

#include <gtest/gtest.h>
#include <tlhelp32.h>

#include <algorithm>
#include <chrono>
#include <string>

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
    MfWasapiBackend backend;
    WaveOutVolume device;
    CallbackWaiter waiter;
};

TEST_F(MfWasapiBackendTest, PlaysEveryWavLayoutAndMp3ToTheEnd) {
    struct Case {
        const wchar_t* file;
        bool required;  // false: played, or refused with a reason where the system has no decoder
    } const cases[] = {
        {L"pcm_u8.wav", true},     {L"pcm_s16.wav", true},    {L"pcm_s24.wav", true},
        {L"pcm_s32.wav", true},    {L"float32.wav", true},    {L"tone1s.mp3", true},
        {L"ima_adpcm.wav", false}, {L"ms_adpcm.wav", false},  {L"mu_law.wav", false},
        {L"a_law.wav", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(narrow(c.file));
        double seconds = 0;
        const PlayResult result = play(media(c.file), seconds);
        if (c.required || result.played) {
            EXPECT_TRUE(result.played) << narrow(result.reason);
            EXPECT_GT(seconds, 0.9);  // a one-second sound is not cut short
        } else {
            EXPECT_FALSE(result.reason.empty());
            std::printf("not decoded here: %ls (%ls)\n", c.file, result.reason.c_str());
        }
        // Over, and the sound's thread, device and decoder let go.
        EXPECT_NE(backend.playState(), MediaBackend::kPlaying);
        EXPECT_FALSE(backend.holdsASound());
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
        if (stopped || !backend.holdsASound()) return;
        EXPECT_EQ(backend.playState(), MediaBackend::kPlaying);
        EXPECT_EQ(WaitForSingleObject(backend.endEvent(), 0), static_cast<DWORD>(WAIT_TIMEOUT));
        player.stop();
        stopped = true;
        // When stop() returns the sound's thread is gone, not just asked to go. The count
        // settles first: Wine's own pool threads come and go on a loaded machine.
        EXPECT_FALSE(backend.holdsASound());
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
    for (const std::wstring& path :
         {media(L"no such file.wav"), std::wstring(L"C:\\no\\such\\folder\\a.mp3"), empty.path(),
          garbage.path(), text.path(), std::wstring()}) {
        SCOPED_TRACE(narrow(path));
        double seconds = 0;
        const PlayResult result = play(path, seconds);
        EXPECT_FALSE(result.played);
        EXPECT_FALSE(result.reason.empty());
        EXPECT_NE(backend.playState(), MediaBackend::kPlaying);
        EXPECT_FALSE(backend.holdsASound());
        EXPECT_FALSE(backend.start());  // nothing loaded after a failure
    }
    double seconds = 0;
    EXPECT_EQ(narrow(play(media(L"no such file.wav"), seconds).reason), "the file was not found");
    // And the back end still plays afterwards.
    EXPECT_TRUE(play(media(L"short.wav"), seconds).played);
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
    EXPECT_FALSE(backend.holdsASound());
}

TEST_F(MfWasapiBackendTest, HandlesAndThreadsStayFlatOverRepeatedPlays) {
    double seconds = 0;
    ASSERT_TRUE(play(media(L"short.wav"), seconds).played);
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

TEST_F(MfWasapiBackendTest, LettingGoOfAPlayingBackEndIsClean) {
    {
        MfWasapiBackend running;
        ASSERT_TRUE(running.setFileName(media(L"tone3s.wav")));
        ASSERT_TRUE(running.start());
        sleepMs(200);
        running.setVolume(-610);  // during a sound: taken at the next buffer
    }
    double seconds = 0;
    EXPECT_TRUE(play(media(L"short.wav"), seconds).played);
}

}  // namespace
}  // namespace zt
