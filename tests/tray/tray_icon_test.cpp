#include "tray/tray_icon.h"

#include <gtest/gtest.h>

#include "common/winutil.h"

namespace zt {
namespace {

// Asks the shell whether it holds the icon, without changing it.
bool iconPresent(HWND hwnd) {
    NOTIFYICONDATAW nid{};
    nid.cbSize = sizeof nid;
    nid.hWnd = hwnd;
    nid.uID = TrayIcon::kId;
    return Shell_NotifyIconW(NIM_MODIFY, &nid);
}

void dropIcon(HWND hwnd) {
    NOTIFYICONDATAW nid{};
    nid.cbSize = sizeof nid;
    nid.hWnd = hwnd;
    nid.uID = TrayIcon::kId;
    Shell_NotifyIconW(NIM_DELETE, &nid);
}

class TrayIconTest : public ::testing::Test {
protected:
    void SetUp() override {
        hwnd_ = CreateWindowW(L"STATIC", L"tray test", WS_OVERLAPPED, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
        ASSERT_TRUE(hwnd_);
        icon_ = LoadIconW(nullptr, IDI_APPLICATION);
    }
    void TearDown() override { DestroyWindow(hwnd_); }
    HWND hwnd_ = nullptr;
    HICON icon_ = nullptr;
};

TEST_F(TrayIconTest, AddModifyRemove) {
    TrayIcon tray;
    ASSERT_TRUE(tray.add(hwnd_, icon_, L" zirrotone "));
    EXPECT_TRUE(tray.shown());
    EXPECT_TRUE(iconPresent(hwnd_));
    tray.setTip(L"5 secs to go. Last played: ");
    EXPECT_EQ(tray.tip(), L"5 secs to go. Last played: ");
    tray.remove();
    EXPECT_FALSE(tray.shown());
    EXPECT_FALSE(iconPresent(hwnd_));
}

TEST_F(TrayIconTest, ComesBackWhenTheShellLosesIt) {
    TrayIcon tray;
    ASSERT_TRUE(tray.add(hwnd_, icon_, L" zirrotone "));

    // The notification area was re-created: the icon is gone until TaskbarCreated re-adds it.
    dropIcon(hwnd_);
    ASSERT_FALSE(iconPresent(hwnd_));
    tray.addAgain();
    EXPECT_TRUE(iconPresent(hwnd_));

    // Lost without a TaskbarCreated: the next tip update adds it again.
    dropIcon(hwnd_);
    tray.setTip(L"4 secs to go. Last played: ");
    EXPECT_TRUE(iconPresent(hwnd_));
    EXPECT_TRUE(tray.shown());
}

TEST_F(TrayIconTest, AddAgainWhileStillPresentKeepsOneIcon) {
    TrayIcon tray;
    ASSERT_TRUE(tray.add(hwnd_, icon_, L" zirrotone "));
    tray.addAgain();  // the shell still has it: the add fails, the modify succeeds
    EXPECT_TRUE(tray.shown());
    tray.remove();
    EXPECT_FALSE(iconPresent(hwnd_));  // one delete removed it: there was only one
}

TEST_F(TrayIconTest, RemovedWithItsOwner) {
    {
        TrayIcon tray;
        ASSERT_TRUE(tray.add(hwnd_, icon_, L" zirrotone "));
    }
    EXPECT_FALSE(iconPresent(hwnd_));
}

}  // namespace
}  // namespace zt
