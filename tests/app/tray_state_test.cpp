// The tray icon's image for each considerate state, as the program hands it to the shell,
// and the icons loaded at the sizes the system asks for. The test program carries the
// icon resources (tray_state_test.rc) so the real images load.
#include <windows.h>

#include <gtest/gtest.h>

#include <functional>
#include <memory>

#include "app/app.h"
#include "common/icons.h"
#include "common/names.h"

namespace zt {
namespace {

// Quiet hours that hold now: from an hour ago to an hour ahead, every day.
QuietHours quietNow() {
    SYSTEMTIME now;
    GetLocalTime(&now);
    const int minutes = now.wHour * 60 + now.wMinute;
    QuietHours quiet;
    quiet.on = true;
    quiet.from = (minutes + 23 * 60) % (24 * 60);
    quiet.to = (minutes + 60) % (24 * 60);
    return quiet;
}

class TrayStateTest : public ::testing::Test {
protected:
    void SetUp() override {
        RegDeleteTreeW(HKEY_CURRENT_USER, kSettingsKey);
        start();
    }
    void TearDown() override {
        end();
        RegDeleteTreeW(HKEY_CURRENT_USER, kSettingsKey);
    }
    // The program through its load, the tray icon's images seen on their way to the shell.
    void start() {
        first_ = shown_ = nullptr;
        AppSeams seams;
        seams.trayNotify = [this](DWORD message, NOTIFYICONDATAW& data) {
            if (data.uFlags & NIF_ICON) {
                shown_ = data.hIcon;
                if (!first_) first_ = data.hIcon;
            }
            return Shell_NotifyIconW(message, &data);
        };
        app_ = std::make_unique<App>(GetModuleHandleW(nullptr), seams);
        ASSERT_TRUE(app_->create());
        app_->load();
        // The icon is added once the window has nothing left to do (its timer).
        const ULONGLONG until = GetTickCount64() + 5000;
        while (!first_ && GetTickCount64() < until) {
            processPendingEvents();
            Sleep(20);
        }
        ASSERT_NE(first_, nullptr);
    }
    void end() {
        if (app_) DestroyWindow(app_->form().hwnd());
        app_.reset();
        processPendingEvents();
    }
    HICON image(IconState state) const { return app_->form().trayImage(state); }

    std::unique_ptr<App> app_;
    HICON shown_ = nullptr;  // the image the shell was given last
    HICON first_ = nullptr;  // ... and first, with the add
};

TEST_F(TrayStateTest, EachImageIsLoadedAtTheSizeTheSystemAsksFor) {
    const int small = GetSystemMetrics(SM_CXSMICON);
    for (const IconState state : {IconState::Normal, IconState::Muted, IconState::Quiet}) {
        SCOPED_TRACE(static_cast<int>(state));
        ASSERT_NE(image(state), nullptr);
        EXPECT_EQ(iconWidth(image(state)), small);
    }
    EXPECT_NE(image(IconState::Normal), image(IconState::Muted));
    EXPECT_NE(image(IconState::Normal), image(IconState::Quiet));
    EXPECT_NE(image(IconState::Muted), image(IconState::Quiet));

    // The window's own icons, for its DPI.
    const HWND hwnd = app_->form().hwnd();
    const UINT dpi = GetDpiForWindow(hwnd);
    const auto windowIcon = [&](WPARAM which) {
        return reinterpret_cast<HICON>(SendMessageW(hwnd, WM_GETICON, which, 0));
    };
    EXPECT_EQ(iconWidth(windowIcon(ICON_SMALL)), GetSystemMetricsForDpi(SM_CXSMICON, dpi));
    EXPECT_EQ(iconWidth(windowIcon(ICON_BIG)), GetSystemMetricsForDpi(SM_CXICON, dpi));
}

TEST_F(TrayStateTest, TheImageFollowsMuteAndQuietHoursAndMutedComesFirst) {
    App& app = *app_;
    const struct {
        const char* step;
        std::function<void()> act;
        IconState shows;
    } steps[] = {
        {"first start", [] {}, IconState::Normal},
        {"muted", [&] { app.form().setMuteValue(1); }, IconState::Muted},
        {"unmuted", [&] { app.form().setMuteValue(0); }, IconState::Normal},
        {"quiet hours that hold now", [&] { app.setQuietHours(quietNow()); }, IconState::Quiet},
        {"muted in quiet hours", [&] { app.form().setMuteValue(1); }, IconState::Muted},
        {"unmuted, still quiet", [&] { app.form().setMuteValue(0); }, IconState::Quiet},
        {"mute for 15 minutes", [&] { app.muteFor(MuteFor::Minutes15); }, IconState::Muted},
        {"the mute for ended by hand", [&] { app.form().setMuteValue(0); }, IconState::Quiet},
        {"quiet hours off", [&] { app.setQuietHours(QuietHours{}); }, IconState::Normal},
        {"mute for an hour", [&] { app.muteFor(MuteFor::Hour1); }, IconState::Muted},
    };
    for (const auto& s : steps) {
        SCOPED_TRACE(s.step);
        s.act();
        EXPECT_EQ(shown_, image(s.shows));
    }
}

TEST_F(TrayStateTest, AMuteForStillRunningAtStartIsShownFromTheFirstImage) {
    app_->muteFor(MuteFor::Hour1);
    end();
    start();
    EXPECT_EQ(first_, image(IconState::Muted));
    EXPECT_EQ(shown_, image(IconState::Muted));
}

}  // namespace
}  // namespace zt
