// The lists' folder reads, on a window of their own in this process: what shows while a
// folder is read, which read wins, and what a pick sees meanwhile.
#include "mainwindow/folder_lists.h"

#include <windowsx.h>

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

#include "common/text.h"
#include "common/winutil.h"
#include "mainwindow/ids.h"
#include "test_support.h"

namespace zt {
namespace {

using namespace std::chrono_literals;
using test::makeFile;
using test::TempFolder;

std::vector<std::wstring> rows(HWND list) {
    std::vector<std::wstring> items;
    for (int i = 0; i < ListBox_GetCount(list); ++i) {
        std::wstring text(static_cast<std::size_t>(ListBox_GetTextLen(list, i)) + 1, L'\0');
        text.resize(static_cast<std::size_t>(ListBox_GetText(list, i, text.data())));
        items.push_back(text);
    }
    return items;
}

class FolderListsTest : public ::testing::Test {
protected:
    void SetUp() override {
        CreateDirectoryW((root_ / L"Bells").c_str(), nullptr);
        makeFile(root_ / L"one.wav");
        makeFile(root_ / L"Two.MP3");
        makeFile(root_ / L"notes.txt");
        makeFile(root_ / L"Bells\\three.wav");
        parent_ = CreateWindowExW(0, WC_STATICW, L"", WS_POPUP, 0, 0, 600, 400, nullptr, nullptr, nullptr, nullptr);
        for (const int id : {ids::kFile1, ids::kDir1, ids::kDrive1})
            ASSERT_TRUE(lists_.createList(parent_, id, RECT{0, 0, 200, 300}));
        EXPECT_FALSE(lists_.createList(parent_, ids::kLabel3, RECT{}));
    }
    void TearDown() override { DestroyWindow(parent_); }

    // Handles the window's messages until the reads are shown.
    void settle() {
        const auto until = std::chrono::steady_clock::now() + 60s;
        while (!lists_.settled() && std::chrono::steady_clock::now() < until) {
            MsgWaitForMultipleObjectsEx(0, nullptr, 50, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
            processPendingEvents();
        }
        ASSERT_TRUE(lists_.settled());
    }
    // Waits, handling nothing, until the newest read is back and waits to be shown.
    static bool readWaiting() {
        return test::waitFor(
            [] {
                MSG msg;
                return PeekMessageW(&msg, nullptr, FolderReader::kReadMessage, FolderReader::kReadMessage,
                                    PM_NOREMOVE) != FALSE;
            },
            10s);
    }
    std::vector<std::wstring> files() const { return rows(GetDlgItem(parent_, ids::kFile1)); }
    std::wstring lastFolderRow() const {
        const auto all = rows(GetDlgItem(parent_, ids::kDir1));
        return all.empty() ? L"" : all.back();
    }

    TempFolder root_{L"zt_folder_lists"};
    std::vector<std::wstring> told_;
    SystemWaiter waiter_;
    FolderLists lists_{waiter_, [this](const std::wstring& folder) { told_.push_back(folder); }};
    HWND parent_ = nullptr;
};

TEST_F(FolderListsTest, TheStartFolderShowsOnceReadAndNothingBefore) {
    lists_.start(root_.path());
    EXPECT_TRUE(lists_.reading());
    EXPECT_EQ(lists_.count(), 0);
    EXPECT_EQ(lists_.chosenFolder(), root_.path());  // saved as chosen even before it is read
    settle();
    EXPECT_EQ(files(), (std::vector<std::wstring>{L"one.wav", L"Two.MP3"}));
    EXPECT_EQ(lastFolderRow(), L"Bells");
    EXPECT_EQ(lists_.path(), root_.path());
    EXPECT_TRUE(told_.empty());
}

TEST_F(FolderListsTest, AStoredFolderThatCannotBeReadFallsBackToTheWorkingFolderQuietly) {
    SetCurrentDirectoryW((root_ / L"Bells").c_str());
    lists_.start(root_ / L"Never");
    settle();
    SetCurrentDirectoryW(L"C:\\");
    EXPECT_EQ(files(), std::vector<std::wstring>{L"three.wav"});
    EXPECT_TRUE(told_.empty());
}

TEST_F(FolderListsTest, AStaleReadIsDroppedWhenANewerMoveArrives) {
    lists_.start(root_.path());
    settle();
    lists_.open(root_ / L"Bells");
    ASSERT_TRUE(readWaiting());          // Bells is read, not shown yet
    lists_.open(root_ / L"Never");      // ...when the user moves on, to a folder that fails
    settle();
    EXPECT_EQ(told_, std::vector<std::wstring>{root_ / L"Never"});
    // Where they were before either move: Bells' listing came too late to count.
    EXPECT_EQ(files(), (std::vector<std::wstring>{L"one.wav", L"Two.MP3"}));
    EXPECT_EQ(lastFolderRow(), L"Bells");
    EXPECT_EQ(lists_.path(), root_.path());
}

TEST_F(FolderListsTest, APickDuringAReadGetsTheNewFoldersFiles) {
    lists_.start(root_.path());
    settle();
    lists_.open(root_ / L"Bells");
    EXPECT_EQ(lists_.path(), root_.path());  // still read
    lists_.refresh();                         // as the scheduler does at the end of a countdown
    EXPECT_EQ(lists_.path(), root_ / L"Bells");
    ASSERT_EQ(lists_.count(), 1);
    EXPECT_EQ(lists_.entry(0), L"three.wav");
}

TEST_F(FolderListsTest, APickSeesFilesAddedAndRemovedSinceTheLastRead) {
    lists_.start(root_.path());
    settle();
    makeFile(root_ / L"added.wav");
    DeleteFileW((root_ / L"one.wav").c_str());
    lists_.refresh();
    EXPECT_EQ(lists_.count(), 2);
    EXPECT_EQ(lists_.entry(0), L"added.wav");
    EXPECT_EQ(lists_.entry(1), L"Two.MP3");
    EXPECT_EQ(files(), (std::vector<std::wstring>{L"added.wav", L"Two.MP3"}));
}

TEST_F(FolderListsTest, AFolderThatCannotBeReadIsToldAndTheListsStay) {
    lists_.start(root_.path());
    settle();
    const auto folders = rows(GetDlgItem(parent_, ids::kDir1));
    lists_.open(root_ / L"Never");
    EXPECT_EQ(lists_.chosenFolder(), root_ / L"Never");
    settle();
    EXPECT_EQ(told_, std::vector<std::wstring>{root_ / L"Never"});
    EXPECT_EQ(rows(GetDlgItem(parent_, ids::kDir1)), folders);
    EXPECT_EQ(files(), (std::vector<std::wstring>{L"one.wav", L"Two.MP3"}));
    EXPECT_EQ(lists_.chosenFolder(), root_.path());  // what is saved goes back too
}

TEST_F(FolderListsTest, ALargeFolderIsListedWholeInSlicesKeepingTheSelection) {
    TempFolder big(L"zt_folder_lists_big");
    for (int i = 0; i < 3000; ++i) makeFile(big / (L"tone" + std::to_wstring(10000 + i) + L".wav"));
    lists_.start(big.path());
    settle();
    HWND list = GetDlgItem(parent_, ids::kFile1);
    ASSERT_EQ(ListBox_GetCount(list), 3000);
    ListBox_SetCurSel(list, 1234);
    // Enough changed for the list to be filled afresh: the selected file is selected again.
    for (int i = 0; i < 1000; ++i) DeleteFileW((big / (L"tone" + std::to_wstring(12000 + i) + L".wav")).c_str());
    lists_.refresh();
    EXPECT_EQ(lists_.count(), 2000);
    settle();
    const auto shown = rows(list);
    ASSERT_EQ(shown.size(), 2000u);
    EXPECT_EQ(shown.front(), L"tone10000.wav");
    EXPECT_EQ(shown.back(), L"tone11999.wav");
    EXPECT_EQ(lists_.selectedSound(), big / L"tone11234.wav");
}

// The file list on its own, shown a listing again while the rows of the last one go in, as a
// pick's re-read does.
TEST(FileListTest, AListingShownAgainWhileTheRowsGoInKeepsThoseInAndEndsAsTheNewOne) {
    HWND parent = CreateWindowExW(0, WC_STATICW, L"", WS_POPUP, 0, 0, 600, 400, nullptr, nullptr, nullptr, nullptr);
    FileList list;
    list.create(parent, ids::kFile1, RECT{0, 0, 200, 300});
    HWND rowsIn = GetDlgItem(parent, ids::kFile1);
    std::vector<std::wstring> names;
    for (int i = 0; i < 3000; ++i) names.push_back(L"tone" + std::to_wstring(10000 + i) + L".wav");
    list.show(L"C:\\sounds", names);  // the first slice at once, the rest from a timer
    const int first = ListBox_GetCount(rowsIn);
    if (!list.filling()) GTEST_SKIP() << "the rows all went in in one slice";
    ASSERT_GT(first, 2);

    // The same listing again: the rows in stay in (they used to go out and in again, so that
    // picks at a short delay kept a loaded machine's list of a large folder empty).
    list.show(L"C:\\sounds", names);
    EXPECT_GE(ListBox_GetCount(rowsIn), first);

    // Another listing, changed among the rows in and at the end: the list ends as it is.
    names.erase(names.end() - 1);
    names.erase(names.begin() + 1);
    list.show(L"C:\\sounds", names);
    EXPECT_TRUE(test::waitFor(
        [&] {
            processPendingEvents();
            return !list.filling();
        },
        60s));
    EXPECT_EQ(rows(rowsIn), names);
    DestroyWindow(parent);
}

}  // namespace
}  // namespace zt
