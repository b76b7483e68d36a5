// What the real program says, under a locale that writes times on a 12-hour clock (CMake
// runs this under LANG=en_US.UTF-8): the times it shows follow the locale while the stored
// ones keep their own form, and a sound that cannot play is told once, in plain words.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "common/local_time.h"
#include "common/names.h"
#include "common/winutil.h"
#include "mainwindow/history_window.h"
#include "mainwindow/ids.h"
#include "mainwindow/quiet_dialog.h"
#include "program.h"
#include "utf8.h"
#include "settings/considerate_settings.h"
#include "settings/registry.h"
#include "settings/settings.h"

namespace zt::e2e {
namespace {

using namespace std::chrono_literals;
using namespace test;

// "7:30 AM", "12:05 AM", "10:30 PM": the 12-hour clock, written out here on its own.
std::wstring twelveHour(int minuteOfDay) {
    const int hour = minuteOfDay / 60 % 12;
    wchar_t text[16];
    std::swprintf(text, 16, L"%d:%02d %ls", hour == 0 ? 12 : hour, minuteOfDay % 60, minuteOfDay < 720 ? L"AM" : L"PM");
    return text;
}

class TextsE2E : public ::testing::Test {
protected:
    void SetUp() override { clearSettings(); }
    void TearDown() override { clearSettings(); }
    TempFolder sounds_{L"zt_e2e_texts"};
};

TEST_F(TextsE2E, TimesShowOnTheLocalesClockAndAreStoredAsBefore) {
    SYSTEMTIME now;
    GetLocalTime(&now);
    const int minute = now.wHour * 60 + now.wMinute;
    const int quietEnd = (minute + 120) % 1440;
    writeTone(sounds_ / L"bell.wav", 0.5);
    putSetting(kDelaySetting, L"0.1");
    putSetting(kQuietSetting, L"True");
    putSetting(kQuietFromSetting, formatStoredClock((minute + 1440 - 60) % 1440));
    putSetting(kQuietToSetting, formatStoredClock(quietEnd));
    putSetting(kQuietDaysSetting, L"1111111");
    Program program(zirrotoneExe(), sounds_.path());
    ASSERT_TRUE(program.window());

    // The history says until when, as the user writes times.
    program.command(ids::kMnuHistory2);
    HWND history = nullptr;
    ASSERT_TRUE(waitFor([&] { return (history = program.findWindow(kHistoryWindowClass)) != nullptr; }, 10s));
    const auto rows = [&] {
        DWORD_PTR count = 0;
        SendMessageTimeoutW(GetDlgItem(history, HistoryWindow::idList), LVM_GETITEMCOUNT, 0, 0, SMTO_ABORTIFHUNG,
                            2000, &count);
        return static_cast<int>(count);
    };
    ASSERT_TRUE(waitFor([&] { return rows() >= 1; }, 15s));
    if (OpenClipboard(nullptr)) {
        EmptyClipboard();
        CloseClipboard();
    }
    SendMessageW(GetDlgItem(history, HistoryWindow::idCopy), BM_CLICK, 0, 0);
    std::wstring copied;
    ASSERT_TRUE(waitFor([&] { return !(copied = clipboardText()).empty(); }, 5s));
    EXPECT_NE(copied.find(L"\tquiet hours until " + twelveHour(quietEnd) + L"\r\n"), std::wstring::npos)
        << wideToUtf8(copied);
    PostMessageW(GetDlgItem(history, HistoryWindow::idList), WM_KEYDOWN, VK_ESCAPE, 0);
    ASSERT_TRUE(waitFor([&] { return !IsWindow(history); }, 5s));

    // The dialog's pickers show the locale's hours (Wine's pickers do not say what they
    // show: seen on the screenshots); OK stores them as ever.
    program.command(ids::kMnuQuiet);
    HWND dialog = nullptr;
    ASSERT_TRUE(waitFor([&] { return (dialog = program.findWindow(kQuietWindowClass)) && IsWindowVisible(dialog); },
                        5s));
    PostMessageW(GetDlgItem(dialog, QuietDialog::idOn), WM_KEYDOWN, VK_RETURN, 0);
    ASSERT_TRUE(waitFor([&] { return !IsWindow(dialog); }, 5s));
    EXPECT_EQ(settingText(L"quietto"), formatStoredClock(quietEnd));
    program.command(ids::kMnuExit);
    EXPECT_TRUE(program.waitForExit(5s));
}

TEST_F(TextsE2E, ASoundThatCannotPlayIsToldOnceInPlainWords) {
    // Random bytes: no decoder makes a sound of them.
    const std::wstring broken = sounds_ / L"broken.mp3";
    {
        std::string bytes(8192, '\0');
        for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<char>((i * 7919 + i / 13) % 251);
        const HANDLE file = CreateFileW(broken.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        ASSERT_NE(file, INVALID_HANDLE_VALUE);
        DWORD written = 0;
        WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
        CloseHandle(file);
    }
    putSetting(kDelaySetting, L"0.1");  // the first sound after 5 to 7 seconds
    Program program(zirrotoneExe(), sounds_.path());
    ASSERT_TRUE(program.window());
    std::wstring status;
    ASSERT_TRUE(waitFor([&] { return (status = program.text(ids::kLabel3)).rfind(L"Could not play", 0) == 0; }, 20s));
    EXPECT_EQ(status, L"Could not play broken.mp3: the file is damaged or not a sound this computer can play.");
    program.command(ids::kMnuExit);
    EXPECT_TRUE(program.waitForExit(5s));
}

}  // namespace
}  // namespace zt::e2e
