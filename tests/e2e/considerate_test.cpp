// Considerate timing in the real program under Wine: quiet hours, play one now, skip this
// wait and the quiet-hours dialog, driven with messages. considerate_sound_test.sh runs some
// of these again while it records the null sink, to hear what they claim.
#include <gtest/gtest.h>

#include "common/local_time.h"
#include "common/names.h"
#include "common/text.h"
#include "common/winutil.h"
#include "mainwindow/ids.h"
#include "mainwindow/quiet_dialog.h"
#include "program.h"
#include "settings/considerate_settings.h"
#include "settings/registry.h"
#include "settings/settings.h"

namespace zt::e2e {
namespace {

using namespace std::chrono_literals;
using namespace test;

int countdown(Program& program) {
    const std::wstring text = program.text(ids::kTxtCountdown);
    return text.empty() ? -1 : static_cast<int>(lenientNumber(text));
}

bool played(Program& program) { return program.text(ids::kLabel3).rfind(L"Last played: ", 0) == 0; }

class ConsiderateE2E : public ::testing::Test {
protected:
    void SetUp() override {
        clearSettings();
        writeTone(sounds_ / L"bell.wav", 1.0);
        writeTone(sounds_ / L"chime.wav", 1.0, 880);
    }
    void TearDown() override { clearSettings(); }

    // Starts the program and waits until it counts.
    std::unique_ptr<Program> start() {
        auto program = std::make_unique<Program>(zirrotoneExe(), sounds_.path());
        EXPECT_TRUE(program->window());
        EXPECT_TRUE(waitFor([&] { return countdown(*program) > 0; }, 10s));
        return program;
    }

    TempFolder sounds_{L"zt_e2e_considerate"};
};

TEST_F(ConsiderateE2E, QuietHoursCoveringNowLetTheCountdownEndWithoutASound) {
    SYSTEMTIME now;
    GetLocalTime(&now);
    const int minute = now.wHour * 60 + now.wMinute;
    putSetting(kQuietSetting, L"True");
    putSetting(kQuietFromSetting, formatStoredClock((minute + 1440 - 60) % 1440));
    putSetting(kQuietToSetting, formatStoredClock((minute + 120) % 1440));
    putSetting(kQuietDaysSetting, L"1111111");
    auto program = start();
    // A first start counts 4 to 7 seconds; two countdowns end, each a new one follows.
    int ends = 0, last = countdown(*program);
    ASSERT_TRUE(waitFor(
        [&] {
            const int count = countdown(*program);
            if (count > last) ++ends;
            last = count;
            return ends == 2;
        },
        25s));
    EXPECT_FALSE(played(*program)) << program->text(ids::kLabel3);
}

TEST_F(ConsiderateE2E, PlayOneNowPlaysAtOnceEvenWhenMuted) {
    putSetting(kMuteSetting, L"1");
    putSetting(kDelaySetting, L"10");  // nothing would play for minutes
    auto program = start();
    ASSERT_FALSE(played(*program));
    program->command(ids::kMnuPlayNow2);
    EXPECT_TRUE(waitFor([&] { return played(*program); }, 5s));
    // The name shows as the one-second sound starts: let it be heard before the program ends.
    waitFor([] { return false; }, 1500ms);
}

TEST_F(ConsiderateE2E, SkipThisWaitStartsANewCountWithoutASound) {
    putSetting(kDelaySetting, L"10");  // 450 to 750 seconds
    auto program = start();
    // The new count is a fresh draw: almost never where the old one would have been; look
    // for the jump across a few skips.
    bool jumped = false;
    for (int skip = 0; skip < 3 && !jumped; ++skip) {
        const int before = countdown(*program);
        program->command(ids::kMnuSkip);
        jumped = waitFor(
            [&] {
                const int now = countdown(*program);
                return now > before || now < before - 3;
            },
            4s);
    }
    EXPECT_TRUE(jumped);
    EXPECT_FALSE(played(*program));
}

TEST_F(ConsiderateE2E, QuietHoursDialogOpensEscapeCancelsAndOkStoresAtOnce) {
    auto program = start();
    auto open = [&] {
        program->command(ids::kMnuQuiet);
        HWND dialog = nullptr;
        EXPECT_TRUE(waitFor([&] { return (dialog = program->findWindow(kQuietWindowClass)) && IsWindowVisible(dialog); },
                            5s));
        return dialog;
    };
    HWND dialog = open();
    ASSERT_TRUE(dialog);
    EXPECT_EQ(windowText(dialog), L"Quiet hours");
    HWND on = GetDlgItem(dialog, QuietDialog::idOn);
    EXPECT_EQ(SendMessageW(on, BM_GETCHECK, 0, 0), BST_UNCHECKED);  // off for a new user
    SendMessageW(on, BM_SETCHECK, BST_CHECKED, 0);
    PostMessageW(on, WM_KEYDOWN, VK_ESCAPE, 0);
    EXPECT_TRUE(waitFor([&] { return !IsWindow(dialog); }, 5s));
    EXPECT_EQ(settingText(L"quiet"), L"");

    dialog = open();
    ASSERT_TRUE(dialog);
    on = GetDlgItem(dialog, QuietDialog::idOn);
    SendMessageW(on, BM_SETCHECK, BST_CHECKED, 0);
    PostMessageW(on, WM_KEYDOWN, VK_RETURN, 0);
    EXPECT_TRUE(waitFor([&] { return !IsWindow(dialog); }, 5s));
    EXPECT_EQ(settingText(L"quiet"), L"True");  // written at once, not only at exit
    EXPECT_EQ(settingText(L"quietfrom"), L"22:00");
    EXPECT_EQ(settingText(L"quietto"), L"07:30");
    EXPECT_EQ(settingText(L"quietdays"), L"1111111");
}

}  // namespace
}  // namespace zt::e2e
