// The history window of the real program under Wine: opened from the menu, it follows the
// countdown's ends as they come, and "Copy" puts what it lists on the clipboard.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/local_time.h"
#include "common/names.h"
#include "common/text.h"
#include "common/winutil.h"
#include "mainwindow/history_window.h"
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

void clearClipboard() {
    if (!OpenClipboard(nullptr)) return;
    EmptyClipboard();
    CloseClipboard();
}

// The clipboard's lines, each split at its tabs.
std::vector<std::vector<std::wstring>> rowsOf(const std::wstring& text) {
    std::vector<std::vector<std::wstring>> rows;
    std::size_t start = 0;
    for (std::size_t end; (end = text.find(L"\r\n", start)) != std::wstring::npos; start = end + 2) {
        std::vector<std::wstring> fields;
        const std::wstring line = text.substr(start, end - start);
        std::size_t from = 0;
        for (std::size_t tab; (tab = line.find(L'\t', from)) != std::wstring::npos; from = tab + 1)
            fields.push_back(line.substr(from, tab - from));
        fields.push_back(line.substr(from));
        rows.push_back(fields);
    }
    return rows;
}

int rowCount(HWND window) {
    DWORD_PTR count = 0;
    SendMessageTimeoutW(GetDlgItem(window, HistoryWindow::idList), LVM_GETITEMCOUNT, 0, 0, SMTO_ABORTIFHUNG, 2000,
                        &count);
    return static_cast<int>(count);
}

class HistoryE2E : public ::testing::Test {
protected:
    void SetUp() override {
        clearSettings();
        writeTone(sounds_ / L"bell.wav", 0.5);
    }
    void TearDown() override { clearSettings(); }

    TempFolder sounds_{L"zt_e2e_history"};
};

TEST_F(HistoryE2E, ListsEachEndAsItComesAndCopiesHeaderAndRows) {
    SYSTEMTIME now;
    GetLocalTime(&now);
    const int minute = now.wHour * 60 + now.wMinute;
    const int quietEnd = (minute + 120) % 1440;
    putSetting(kDelaySetting, L"0.1");  // 5 to 7 seconds a countdown
    putSetting(kQuietSetting, L"True");
    putSetting(kQuietFromSetting, formatStoredClock((minute + 1440 - 60) % 1440));
    putSetting(kQuietToSetting, formatStoredClock(quietEnd));
    putSetting(kQuietDaysSetting, L"1111111");
    Program program(zirrotoneExe(), sounds_.path());
    ASSERT_TRUE(program.window());

    program.command(ids::kMnuHistory2);  // from the tray menu
    HWND history = nullptr;
    ASSERT_TRUE(waitFor([&] { return (history = program.findWindow(kHistoryWindowClass)) && IsWindowVisible(history); },
                        10s));
    EXPECT_EQ(windowText(history), L"History");
    EXPECT_EQ(rowCount(history), 0);
    program.command(ids::kMnuHistory);  // again, from the File menu: the same window
    Sleep(500);
    EXPECT_EQ(program.findWindow(kHistoryWindowClass), history);

    // In quiet hours, then muted (which goes first), then neither: each end comes into the
    // open list as it happens.
    ASSERT_TRUE(waitFor([&] { return rowCount(history) == 1; }, 15s));
    program.command(ids::kMnuMute);
    ASSERT_TRUE(waitFor([&] { return rowCount(history) == 2; }, 15s));
    program.command(ids::kMnuMute);
    program.command(ids::kMnuQuiet);
    HWND dialog = nullptr;
    ASSERT_TRUE(waitFor([&] { return (dialog = program.findWindow(kQuietWindowClass)) && IsWindowVisible(dialog); },
                        5s));
    HWND on = GetDlgItem(dialog, QuietDialog::idOn);
    SendMessageW(on, BM_SETCHECK, BST_UNCHECKED, 0);
    PostMessageW(on, WM_KEYDOWN, VK_RETURN, 0);
    ASSERT_TRUE(waitFor([&] { return !IsWindow(dialog); }, 5s));
    ASSERT_TRUE(waitFor([&] { return rowCount(history) == 3; }, 15s));
    EXPECT_EQ(program.findWindow(kHistoryWindowClass), history);  // open all along

    clearClipboard();
    SendMessageW(GetDlgItem(history, HistoryWindow::idCopy), BM_CLICK, 0, 0);
    std::wstring copied;
    ASSERT_TRUE(waitFor([&] { return !(copied = clipboardText()).empty(); }, 5s));
    const auto rows = rowsOf(copied);
    ASSERT_EQ(rows.size(), 4u) << copied;
    EXPECT_EQ(rows[0], (std::vector<std::wstring>{L"Time", L"File", L"What happened"}));
    for (const auto& row : rows) ASSERT_EQ(row.size(), 3u) << copied;
    EXPECT_EQ(rows[1][1], L"bell.wav");
    EXPECT_EQ(rows[1][2], L"played");
    EXPECT_EQ(rows[2][1], L"");
    EXPECT_EQ(rows[2][2], L"muted");
    EXPECT_EQ(rows[3][2], L"quiet hours until " + localeClock(quietEnd));  // as the user writes times
    // The time as the locale writes it: this year in it, not the stored stamp's form.
    EXPECT_NE(rows[1][0].find(std::to_wstring(now.wYear)), std::wstring::npos) << rows[1][0];

    // Escape closes it.
    PostMessageW(GetDlgItem(history, HistoryWindow::idList), WM_KEYDOWN, VK_ESCAPE, 0);
    EXPECT_TRUE(waitFor([&] { return !IsWindow(history); }, 5s));
}

}  // namespace
}  // namespace zt::e2e
