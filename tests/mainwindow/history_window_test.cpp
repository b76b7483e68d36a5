// The history window in this process: its rows, how it follows the history while open,
// the clipboard text and the keyboard.
#include "mainwindow/history_window.h"

#include <commctrl.h>

#include <gtest/gtest.h>

#include <string>

#include "common/winutil.h"
#include "considerate_fakes.h"
#include "test_support.h"

namespace zt {
namespace {

using namespace std::chrono_literals;
using test::at;
using test::clipboardText;
using test::waitFor;

std::wstring cell(HWND list, int row, int column) {
    wchar_t text[256] = {};
    ListView_GetItemText(list, row, column, text, 256);
    return text;
}

class HistoryWindowTest : public ::testing::Test {
protected:
    HistoryWindowTest() {
        history.onAdded([this](const HistoryEntry&) { window.entryAdded(); });
    }
    ~HistoryWindowTest() override { processPendingEvents(); }

    HWND open() {
        window.open(nullptr);
        processPendingEvents();
        return window.hwnd();
    }
    HWND list() const { return GetDlgItem(window.hwnd(), HistoryWindow::idList); }
    int rows() const { return ListView_GetItemCount(list()); }

    test::SimClock clock{at(2026, 11, 23, 14, 5, 9)};
    History history{clock};
    HistoryWindow window{GetModuleHandleW(nullptr), history};
};

TEST_F(HistoryWindowTest, ListsNewestFirstInThreeColumns) {
    history.add(HistoryEvent::Quiet, {}, L"07:30");
    clock.advance(60);
    history.add(HistoryEvent::CouldNotPlay, L"bad.mp3", L"the file is damaged");
    ASSERT_TRUE(open());
    EXPECT_TRUE(IsWindowVisible(window.hwnd()));
    EXPECT_EQ(windowText(window.hwnd()), L"History");
    ASSERT_EQ(rows(), 2);
    EXPECT_EQ(cell(list(), 0, 0), localeTimeText(history.entries()[0].time));
    EXPECT_EQ(cell(list(), 0, 1), L"bad.mp3");
    EXPECT_EQ(cell(list(), 0, 2), L"could not play: the file is damaged");
    EXPECT_EQ(cell(list(), 1, 1), L"");
    EXPECT_EQ(cell(list(), 1, 2), L"quiet hours until 07:30");
    // Named for a screen reader by the label just before it, whose access key reaches it.
    EXPECT_EQ(GetWindow(list(), GW_HWNDPREV), GetDlgItem(window.hwnd(), HistoryWindow::idListLabel));
    EXPECT_EQ(GetWindowLongPtrW(list(), GWL_STYLE) & LVS_TYPEMASK, LVS_REPORT);
}

TEST_F(HistoryWindowTest, TimesAreTheLocaleFormOfEachField) {
    const std::wstring text = localeTimeText(at(2026, 11, 23, 14, 5, 9));
    for (const wchar_t* part : {L"2026", L"11", L"23", L"05", L"09"})
        EXPECT_NE(text.find(part), std::wstring::npos) << part << " in " << text;
}

TEST_F(HistoryWindowTest, FollowsNewEntriesWhileOpenAndKeepsTheNewest500) {
    ASSERT_TRUE(open());
    EXPECT_EQ(rows(), 0);
    history.add(HistoryEvent::Muted);
    ASSERT_EQ(rows(), 1);
    EXPECT_EQ(cell(list(), 0, 2), L"muted");

    // Closed, it lets entries go by; opened again, it shows the newest 500 of them.
    SendMessageW(window.hwnd(), WM_CLOSE, 0, 0);
    ASSERT_FALSE(window.hwnd());
    for (int i = 0; i < 505; ++i) history.add(HistoryEvent::Played, std::to_wstring(i) + L".wav");
    ASSERT_TRUE(open());
    EXPECT_EQ(rows(), 500);
    EXPECT_EQ(cell(list(), 0, 1), L"504.wav");
    // Full, it drops the oldest row for each new one.
    for (int i = 505; i < 508; ++i) history.add(HistoryEvent::Played, std::to_wstring(i) + L".wav");
    EXPECT_EQ(rows(), 500);
    EXPECT_EQ(cell(list(), 0, 1), L"507.wav");
    EXPECT_EQ(cell(list(), 499, 1), L"8.wav");
}

TEST_F(HistoryWindowTest, CopyPutsTheHeaderAndTheRowsOnTheClipboard) {
    history.add(HistoryEvent::Played, L"bell.wav");
    history.add(HistoryEvent::Stopped, L"bell.wav");
    ASSERT_TRUE(open());
    SendMessageW(GetDlgItem(window.hwnd(), HistoryWindow::idCopy), BM_CLICK, 0, 0);
    const std::wstring time = localeTimeText(history.entries()[0].time);
    EXPECT_EQ(clipboardText(), L"Time\tFile\tWhat happened\r\n" + time + L"\tbell.wav\tstopped by the user\r\n" + time +
                                   L"\tbell.wav\tplayed\r\n");
}

TEST_F(HistoryWindowTest, EscapeClosesAndOpeningAgainBringsTheSameWindowBack) {
    const HWND first = open();
    ASSERT_TRUE(first);
    window.open(nullptr);  // open already: no second window
    EXPECT_EQ(window.hwnd(), first);
    SetFocus(list());
    PostMessageW(list(), WM_KEYDOWN, VK_ESCAPE, 0);
    EXPECT_TRUE(waitFor(
        [&] {
            processPendingEvents();
            return !IsWindow(first);
        },
        5s));
    EXPECT_FALSE(window.hwnd());
}

}  // namespace
}  // namespace zt
