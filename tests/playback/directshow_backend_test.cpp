// The DirectShow back end under the real quartz.dll, on sounds the build generates.
#include "playback/directshow_backend.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>

#include "common/scoped.h"
#include "common/winutil.h"
#include "playback/player.h"
#include "playback/wave_out_volume.h"
#include "test_support.h"

namespace zt {
namespace {

using Clock = std::chrono::steady_clock;

std::wstring media(const wchar_t* name) { return programFolder() + L"\\playback_media\\" + name; }

// A file in the temporary folder with the given bytes, removed afterwards.
class TempFile {
public:
    TempFile(const wchar_t* name, const std::string& bytes) {
        wchar_t folder[MAX_PATH + 1];
        GetTempPathW(MAX_PATH + 1, folder);
        path_ = std::wstring(folder) + name;
        test::ScopedFile file(CreateFileW(path_.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
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

// Runs a callback once the wait has gone on for a while.
class CallbackWaiter final : public Waiter {
public:
    std::function<void(int stepsDone)> onStep;
    void sleepMs(int ms) override { zt::sleepMs(ms); }
    void processEvents() override {
        processPendingEvents();
        if (onStep) onStep(++steps_);
    }

private:
    int steps_ = 0;
};

class DirectShowBackendTest : public ::testing::Test {
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
    DirectShowBackend backend;
    WaveOutVolume device;
    CallbackWaiter waiter;
};

TEST_F(DirectShowBackendTest, PlaysWavAndMp3ToTheirEnd) {
    for (const wchar_t* name : {L"tone1s.wav", L"tone1s.mp3"}) {
        double seconds = 0;
        const PlayResult result = play(media(name), seconds);
        EXPECT_TRUE(result.played) << std::string(result.reason.begin(), result.reason.end());
        // A one-second sound: not cut short, and its end noticed.
        EXPECT_GT(seconds, 0.8) << name;
        EXPECT_LT(seconds, 3.0) << name;
        EXPECT_NE(backend.playState(), MediaBackend::kPlaying);
        // Ended and let go of the device, not left playing silence.
        EXPECT_FALSE(backend.graphRunning()) << name;
    }
}

TEST_F(DirectShowBackendTest, StopEndsTheSoundAtTheNextStep) {
    int steps = 0;
    Player player(backend, device, waiter);
    waiter.onStep = [&](int done) {
        steps = done;
        if (done == 3) player.stop();
    };
    ASSERT_TRUE(player.playsound(media(L"tone3s.wav"), 50).played);
    EXPECT_EQ(steps, 3);  // the wait ended at the step that stopped it, not at the sound's end
    EXPECT_NE(backend.playState(), MediaBackend::kPlaying);
    backend.stop();  // a second stop is harmless
}

TEST_F(DirectShowBackendTest, FilesThatCannotBePlayedFailWithAReason) {
    const TempFile empty(L"zt_empty.wav", "");
    const TempFile garbage(L"zt_garbage.mp3", std::string(4096, '\x5a'));
    const TempFile text(L"zt_text.wav", "RIFF this is not a sound at all, only some words.");
    for (const std::wstring& path :
         {media(L"no such file.wav"), std::wstring(L"C:\\no\\such\\folder\\a.mp3"), empty.path(),
          garbage.path(), text.path(), std::wstring()}) {
        const std::string name(path.begin(), path.end());
        double seconds = 0;
        const PlayResult result = play(path, seconds);
        EXPECT_FALSE(result.played) << name;
        EXPECT_FALSE(result.reason.empty()) << name;
        EXPECT_NE(backend.playState(), MediaBackend::kPlaying) << name;
        EXPECT_FALSE(backend.start()) << name;  // nothing loaded after a failure
    }
    // And the back end still plays afterwards.
    double seconds = 0;
    EXPECT_TRUE(play(media(L"tone1s.wav"), seconds).played);
}

TEST_F(DirectShowBackendTest, ANewFileReplacesTheSoundInProgress) {
    backend.setVolume(-2000);  // before any file: kept for the files loaded later
    ASSERT_TRUE(backend.setFileName(media(L"tone3s.wav")));
    ASSERT_TRUE(backend.start());
    EXPECT_EQ(backend.playState(), MediaBackend::kPlaying);
    sleepMs(300);
    ASSERT_TRUE(backend.setFileName(media(L"tone1s.mp3")));
    EXPECT_NE(backend.playState(), MediaBackend::kPlaying);  // the old sound is gone
    ASSERT_TRUE(backend.start());
    const auto begin = Clock::now();
    while (backend.playState() == MediaBackend::kPlaying && Clock::now() - begin < std::chrono::seconds(5))
        sleepMs(50);
    // Ends with the short file, not the long one.
    EXPECT_LT(Clock::now() - begin, std::chrono::milliseconds(2500));
}

TEST_F(DirectShowBackendTest, ReleasingARunningGraphIsClean) {
    {
        DirectShowBackend running;
        ASSERT_TRUE(running.setFileName(media(L"tone3s.wav")));
        ASSERT_TRUE(running.start());
        sleepMs(200);
        running.setVolume(-610);  // during a sound: accepted, not required to apply now
    }
    double seconds = 0;
    EXPECT_TRUE(play(media(L"tone1s.wav"), seconds).played);
}

}  // namespace
}  // namespace zt
