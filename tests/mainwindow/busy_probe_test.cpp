#include "mainwindow/busy_probe.h"

#include "common/scoped.h"

#include <gtest/gtest.h>

#include <string>

namespace zt {
namespace {

TEST(BusyProbe, NotificationStatesThatMeanDoNotInterrupt) {
    struct Case { QUERY_USER_NOTIFICATION_STATE state; BusyReason reason; };
    const Case cases[] = {
        {QUNS_NOT_PRESENT, BusyReason::Free},
        {QUNS_BUSY, BusyReason::FullScreen},
        {QUNS_RUNNING_D3D_FULL_SCREEN, BusyReason::Direct3D},
        {QUNS_PRESENTATION_MODE, BusyReason::Presentation},
        {QUNS_ACCEPTS_NOTIFICATIONS, BusyReason::Free},
        {QUNS_QUIET_TIME, BusyReason::QuietTime},
        {QUNS_APP, BusyReason::Free},
        {static_cast<QUERY_USER_NOTIFICATION_STATE>(0), BusyReason::Free},
        {static_cast<QUERY_USER_NOTIFICATION_STATE>(99), BusyReason::Free},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.state));
        EXPECT_EQ(busyFromNotificationState(c.state), c.reason);
    }
}

// A consent store of our own under the test's key, removed afterwards.
class MicrophoneInUse : public ::testing::Test {
protected:
    const std::wstring root = L"Software\\ZirrotoneTest\\consent" + std::to_wstring(GetCurrentProcessId());
    const std::wstring store = root + L"\\microphone";

    void TearDown() override { RegDeleteTreeW(HKEY_CURRENT_USER, root.c_str()); }

    void use(const std::wstring& program, ULONGLONG start, ULONGLONG stop,
             DWORD type = REG_QWORD) {
        ScopedKey key;
        ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, (store + L"\\" + program).c_str(), 0, nullptr,
                                  0, KEY_SET_VALUE, nullptr, key.put(), nullptr),
                  ERROR_SUCCESS);
        const DWORD size = type == REG_QWORD ? sizeof(ULONGLONG) : sizeof(DWORD);
        RegSetValueExW(key.get(), L"LastUsedTimeStart", 0, type, reinterpret_cast<BYTE*>(&start), size);
        RegSetValueExW(key.get(), L"LastUsedTimeStop", 0, type, reinterpret_cast<BYTE*>(&stop), size);
    }
    bool inUse() { return microphoneInUse(HKEY_CURRENT_USER, store); }
};

constexpr ULONGLONG kEarlier = 134000000000000000ULL;  // a FILETIME in 2025
constexpr ULONGLONG kLater = 134000000100000000ULL;

TEST_F(MicrophoneInUse, NothingRecordedIsFree) {
    EXPECT_FALSE(inUse());  // no key at all
    use(L"NonPackaged", 0, 0);  // the key alone
    EXPECT_FALSE(inUse());
}

TEST_F(MicrophoneInUse, ProgramsThatStoppedAreFree) {
    use(L"Microsoft.WindowsSoundRecorder_8wekyb3d8bbwe", kEarlier, kLater);
    use(L"NonPackaged\\C:#Program Files#Caller#caller.exe", kEarlier, kLater);
    use(L"NonPackaged\\C:#Never#used.exe", 0, 0);
    EXPECT_FALSE(inUse());
}

TEST_F(MicrophoneInUse, ADesktopProgramUsingItNowIsBusy) {
    use(L"NonPackaged\\C:#Program Files#Caller#caller.exe", kEarlier, kLater);
    use(L"NonPackaged\\C:#Program Files#Meeting#meeting.exe", kLater, 0);
    EXPECT_TRUE(inUse());
}

TEST_F(MicrophoneInUse, AStoreAppUsingItNowIsBusy) {
    use(L"Microsoft.SkypeApp_kzf8qxf38zg5c", kLater, 0);
    EXPECT_TRUE(inUse());
}

TEST_F(MicrophoneInUse, OnlyProgramEntriesCount) {
    use(L"NonPackaged\\a\\b", kLater, 0);  // deeper than any program entry
    use(L"NonPackaged\\C:#dword.exe", 1, 0, REG_DWORD);  // not the type Windows writes
    EXPECT_FALSE(inUse());
}

TEST(BusyProbeSystem, WineReportsTheUserFree) {
    // Wine has no full-screen detection and no consent store: the real probe answers free.
    SystemBusyProbe probe;
    EXPECT_EQ(probe.query(), BusyReason::Free);
}

}  // namespace
}  // namespace zt
