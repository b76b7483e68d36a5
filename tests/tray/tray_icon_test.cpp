#include "tray/tray_icon.h"

#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "common/winutil.h"
#include "test_support.h"

namespace zt {
namespace {

using test::dropTrayIcon;
using test::trayIconPresent;

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
    EXPECT_TRUE(trayIconPresent(hwnd_));
    tray.setTip(L"5 secs to go. Last played: ");
    EXPECT_TRUE(trayIconPresent(hwnd_));
    tray.remove();
    EXPECT_FALSE(trayIconPresent(hwnd_));
}

TEST_F(TrayIconTest, ComesBackWhenTheShellLosesIt) {
    TrayIcon tray;
    ASSERT_TRUE(tray.add(hwnd_, icon_, L" zirrotone "));

    // The notification area was re-created: the icon is gone until TaskbarCreated re-adds it.
    dropTrayIcon(hwnd_);
    ASSERT_FALSE(trayIconPresent(hwnd_));
    tray.addAgain();
    EXPECT_TRUE(trayIconPresent(hwnd_));

    // Lost without a TaskbarCreated: the next tip update adds it again.
    dropTrayIcon(hwnd_);
    tray.setTip(L"4 secs to go. Last played: ");
    EXPECT_TRUE(trayIconPresent(hwnd_));
}

TEST_F(TrayIconTest, AddAgainWhileStillPresentKeepsOneIcon) {
    TrayIcon tray;
    ASSERT_TRUE(tray.add(hwnd_, icon_, L" zirrotone "));
    tray.addAgain();  // the shell still has it: the add fails, the modify succeeds
    EXPECT_TRUE(trayIconPresent(hwnd_));
    tray.remove();
    EXPECT_FALSE(trayIconPresent(hwnd_));  // one delete removed it: there was only one
}

TEST_F(TrayIconTest, AnIconAddedLaterComesWithTheFirstCallThatNeedsIt) {
    const struct {
        const char* call;
        void (*use)(TrayIcon&);
    } cases[] = {
        {"retry", [](TrayIcon& t) { t.retry(); }},
        {"setTip", [](TrayIcon& t) { t.setTip(L"9 secs to go"); }},
        {"addAgain", [](TrayIcon& t) { t.addAgain(); }},
        {"showBalloon", [](TrayIcon& t) { EXPECT_TRUE(t.showBalloon(L"Title", L"Text")); }},
    };
    for (const auto& c : cases) {
        TrayIcon tray;
        tray.addLater(hwnd_, icon_, L" zirrotone ");
        EXPECT_FALSE(trayIconPresent(hwnd_)) << c.call;
        c.use(tray);
        EXPECT_TRUE(trayIconPresent(hwnd_)) << c.call;
    }
    EXPECT_FALSE(trayIconPresent(hwnd_));  // each went with its owner
}

TEST_F(TrayIconTest, ANewImageGoesToTheShellOnlyOnceTheIconIsThere) {
    std::vector<std::pair<DWORD, NOTIFYICONDATAW>> sent;
    TrayIcon tray([&](DWORD message, NOTIFYICONDATAW& data) {
        sent.emplace_back(message, data);
        return Shell_NotifyIconW(message, &data);
    });
    const HICON other = LoadIconW(nullptr, IDI_WARNING);
    tray.addLater(hwnd_, icon_, L" zirrotone ");
    tray.setIcon(other);
    EXPECT_TRUE(sent.empty());  // remembered for the add
    ASSERT_TRUE(tray.retry());
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0].second.hIcon, other);

    tray.setIcon(other);  // the same image: nothing to tell
    tray.setIcon(icon_);
    ASSERT_EQ(sent.size(), 2u);
    EXPECT_EQ(sent[1].first, static_cast<DWORD>(NIM_MODIFY));
    EXPECT_EQ(sent[1].second.uFlags, static_cast<UINT>(NIF_ICON));
    EXPECT_EQ(sent[1].second.hIcon, icon_);

    // The shell lost the icon: the new image adds it again.
    dropTrayIcon(hwnd_);
    tray.setIcon(other);
    EXPECT_TRUE(trayIconPresent(hwnd_));
    EXPECT_EQ(sent.back().second.hIcon, other);
}

TEST_F(TrayIconTest, RemovedWithItsOwner) {
    {
        TrayIcon tray;
        ASSERT_TRUE(tray.add(hwnd_, icon_, L" zirrotone "));
    }
    EXPECT_FALSE(trayIconPresent(hwnd_));
}

}  // namespace
}  // namespace zt
