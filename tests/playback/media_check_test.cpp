#include "playback/media_check.h"

#include <gtest/gtest.h>

#include "message_box_probe.h"
#include "common/text.h"
#include "common/winutil.h"

namespace zt {
namespace {

std::wstring besideTest(const std::wstring& name) { return addSlash(programFolder()) + name; }

const std::wstring kTooOld = L"Media Player 6 Required";
const std::wstring kMissing = L"Media Player 6.x Required";
const std::wstring kNotFound = L"Media Player 6.x not found!";

TEST(MediaCheck, JudgesTheFileVersion) {
    struct Case {
        const wchar_t* file;
        bool passed;
        std::wstring mpVersion, message, title;
    };
    const Case cases[] = {
        {L"media_check_v5_1_52_701.dll", false, L"5.1.52.701",
         L"You are using Media Player 5.1.52.701. Version 6.x required. See documentation.", kTooOld},
        {L"media_check_v6_4_9_1131.dll", true, L"6.4.9.1131", L"", L""},
        {L"media_check_v6_0_0_0.dll", true, L"6.0.0.0", L"", L""},
        {L"media_check_v9_0_0_3250.dll", true, L"9.0.0.3250", L"", L""},
        // Every part is unsigned: a signed major would read -1 and be refused.
        {L"media_check_v65535_65535_65535_65535.dll", true, L"65535.65535.65535.65535", L"", L""},
        {L"media_check_noversion.dll", false, L"", kNotFound, kMissing},
        {L"no_such_file.dll", false, L"", kNotFound, kMissing},
        // Version information without a whole fixed block reads as 0.0.0.0, never as the
        // 7.0 that the cut block claims.
        {L"media_check_badroot.dll", false, L"0.0.0.0",
         L"You are using Media Player 0.0.0.0. Version 6.x required. See documentation.", kTooOld},
        {L"media_check_shortroot.dll", false, L"0.0.0.0",
         L"You are using Media Player 0.0.0.0. Version 6.x required. See documentation.", kTooOld},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        const MediaCheckResult result = checkMediaFile(besideTest(c.file));
        EXPECT_EQ(result.passed, c.passed);
        EXPECT_EQ(result.mpVersion, c.mpVersion);
        EXPECT_EQ(result.message, c.message);
        EXPECT_EQ(result.title, c.title);
    }
}

TEST(MediaCheck, WithoutVersionInformationMediaFoundationCountsAsTheSystemsOwn) {
    const FileVersion system = systemVersion();
    ASSERT_GE(system.major, 6);
    const MediaCheckResult result = checkMediaFile(besideTest(L"media_check_mfnoversion.dll"));
    EXPECT_TRUE(result.passed) << result.message;
    EXPECT_EQ(result.mpVersion, versionText(system));
    // A DLL that is not Media Foundation, or a file that is no DLL, is still not found.
    for (const wchar_t* other : {L"media_check_noversion.dll", L"playback_media\\tone1s.wav", L"playback_media"}) {
        const MediaCheckResult refused = checkMediaFile(besideTest(other));
        EXPECT_FALSE(refused.passed);
        EXPECT_EQ(refused.message, kNotFound);
    }
}

TEST(MediaCheck, ChecksMediaFoundationInTheSystemFolder) {
    wchar_t system[MAX_PATH] = {};
    ASSERT_GT(GetSystemDirectoryW(system, MAX_PATH), 0u);
    EXPECT_EQ(getWinSysDir(), system);
    EXPECT_EQ(defaultMediaFilePath(), addSlash(system) + L"mfplat.dll");
    // The system's own Media Foundation passes, with a version to show.
    const MediaCheckResult result = checkMediaFile(defaultMediaFilePath());
    EXPECT_TRUE(result.passed) << result.message;
    EXPECT_FALSE(result.mpVersion.empty());
}

// The program has no switch that names another file: whatever the environment says, it
// checks the system's own (the test build of the program links another mediaFilePath()).
TEST(MediaCheck, TheProgramChecksTheSystemFolderWhateverTheEnvironment) {
    const std::wstring old = besideTest(L"media_check_v5_1_52_701.dll");
    for (const wchar_t* name : {L"ZIRROTONE_MEDIA_FILE", L"ZT_TEST_MEDIA_FILE"}) SetEnvironmentVariableW(name, old.c_str());
    EXPECT_EQ(mediaFilePath(), defaultMediaFilePath());
    const MediaCheckResult result = checkMediaRuntime();
    EXPECT_TRUE(result.passed) << result.message;
    EXPECT_EQ(result.mpVersion, checkMediaFile(defaultMediaFilePath()).mpVersion);
    for (const wchar_t* name : {L"ZIRROTONE_MEDIA_FILE", L"ZT_TEST_MEDIA_FILE"}) SetEnvironmentVariableW(name, nullptr);
}

TEST(MediaCheck, FailureShowsItsMessageWithTheStopIcon) {
    const MediaCheckResult result = checkMediaFile(besideTest(L"media_check_v5_1_52_701.dll"));
    test::MessageBoxProbe probe;
    showMediaCheckFailure(nullptr, result);
    const test::SeenMessageBox seen = probe.seen();
    ASSERT_TRUE(seen.found);
    EXPECT_EQ(seen.title, kTooOld);
    EXPECT_EQ(seen.text, result.message);
    EXPECT_EQ(seen.icon, LoadIconW(nullptr, IDI_HAND));
    EXPECT_EQ(seen.buttons, 1);
}

}  // namespace
}  // namespace zt
