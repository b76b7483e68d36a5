// The main window in this process, driven through its controls as a user would.
#include "mainwindow/form1.h"

#include <commctrl.h>
#include <windowsx.h>

#include <gtest/gtest.h>

#include <atomic>
#include <cwctype>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <stdexcept>
#include <thread>
#include <utility>

#include "app/app.h"
#include "common/text.h"
#include "common/winutil.h"
#include "mainwindow/history_window.h"
#include "mainwindow/ids.h"
#include "mainwindow/quiet_dialog.h"
#include "settings/considerate_settings.h"
#include "settings/registry.h"
#include "settings/settings.h"
#include "test_support.h"
#include "utf8.h"

namespace zt {
namespace {

using test::makeFile;
using test::removeTree;
using test::trayIconPresent;
using test::waitFor;

std::wstring tempRoot() {
    wchar_t buffer[MAX_PATH];
    GetTempPathW(MAX_PATH, buffer);
    return addSlash(buffer) + L"zt_form1";
}

std::vector<std::wstring> listItems(HWND list) {
    std::vector<std::wstring> items;
    for (int i = 0; i < ListBox_GetCount(list); ++i) {
        std::wstring text(static_cast<std::size_t>(ListBox_GetTextLen(list, i)) + 1, L'\0');
        ListBox_GetText(list, i, text.data());
        text.resize(text.size() - 1);
        items.push_back(text);
    }
    return items;
}

// The folder picker as a test drives it: it answers with the folder chosen, or hands the
// request to another picker.
class ChosenFolder final : public FolderPicker {
public:
    std::optional<std::wstring> pickFolder(HWND owner, const std::wstring& start) override {
        ++calls;
        this->owner = owner;
        this->start = start;
        return forward ? forward->pickFolder(owner, start) : chosen;
    }
    std::optional<std::wstring> chosen;
    FolderPicker* forward = nullptr;
    int calls = 0;
    HWND owner = nullptr;
    std::wstring start;
};

// A folder of known files on a drive other than the current one ("D:\tmp\zt_form1_drive"
// with a.WAV, b.mp3, c.txt and Sub), removed at the end; empty when no drive is writable.
class OtherDriveFolder {
public:
    explicit OtherDriveFolder(const std::wstring& drive) {
        for (const wchar_t* parent : {L"\\tmp", L""}) {
            const std::wstring candidate = drive + parent + L"\\zt_form1_drive";
            removeTree(candidate);
            if (CreateDirectoryW(candidate.c_str(), nullptr)) {
                path = candidate;
                break;
            }
        }
        if (path.empty()) return;
        makeFile(path + L"\\b.mp3");
        makeFile(path + L"\\a.WAV");
        makeFile(path + L"\\c.txt");
        CreateDirectoryW((path + L"\\Sub").c_str(), nullptr);
    }
    ~OtherDriveFolder() {
        if (!path.empty()) removeTree(path);
    }
    std::wstring path;
};

class Form1Test : public ::testing::Test {
protected:
    void SetUp() override {
        // Load restores the settings: start each test from a first start.
        RegDeleteTreeW(HKEY_CURRENT_USER, kSettingsKey);
        root_ = tempRoot();
        removeTree(root_);
        CreateDirectoryW(root_.c_str(), nullptr);
        CreateDirectoryW((root_ + L"\\Bells").c_str(), nullptr);
        CreateDirectoryW((root_ + L"\\Gone").c_str(), nullptr);
        makeFile(root_ + L"\\one.wav");
        makeFile(root_ + L"\\Two.MP3");
        makeFile(root_ + L"\\notes.txt");
        makeFile(root_ + L"\\secret.wav", FILE_ATTRIBUTE_HIDDEN);
        makeFile(root_ + L"\\Bells\\three.wav");
        SetCurrentDirectoryW(root_.c_str());
        start();
    }
    void TearDown() override {
        end();
        SetCurrentDirectoryW(L"C:\\");
        removeTree(root_);
    }
    // The program as wWinMain starts it, before its load; the tray icon's messages to the
    // shell are seen on the way.
    void start() {
        AppSeams seams{&picker_,
                       [this](DWORD message, NOTIFYICONDATAW& data) {
                           if (data.uFlags & NIF_INFO) balloons_.push_back({message, data});
                           if (data.uFlags & NIF_TIP) tip_ = data.szTip;
                           return Shell_NotifyIconW(message, &data);
                       },
                       media_, beforeDevice_, &naming_};
        app_ = std::make_unique<App>(GetModuleHandleW(nullptr), seams);
        ASSERT_TRUE(app_->create());
        form_ = &app_->form();
        hwnd_ = form_->hwnd();
        settle();
    }
    // Waits for the lists' folder reads to be shown, as a pick does.
    void settle() { form_->soundFolder().refresh(); }
    void end() {
        DestroyWindow(hwnd_);
        app_.reset();
        processPendingEvents();
    }
    // A new start that reads what is stored now.
    void restart() {
        end();
        start();
    }
    HWND control(int id) const { return GetDlgItem(hwnd_, id); }
    // Starts the program's runs as the message loop does, and goes on handling messages
    // until `done` holds (asked every 50 ms from inside the run's waits) or the time is up;
    // then the window goes, which ends the run. False when the time ran out.
    bool runUntil(const std::function<bool()>& done, DWORD timeoutMs) {
        static std::function<void()> check;
        const DWORD startedAt = GetTickCount();
        bool met = false;
        check = [&] {
            met = done();
            if (met || GetTickCount() - startedAt > timeoutMs) DestroyWindow(hwnd_);
        };
        const UINT_PTR timer = SetTimer(nullptr, 0, 50, [](HWND, UINT, UINT_PTR, DWORD) { check(); });
        app_->activate();
        MSG msg;
        while (IsWindow(hwnd_) && GetMessageW(&msg, nullptr, 0, 0) > 0) dispatchMessage(msg);
        KillTimer(nullptr, timer);
        return met;
    }
    void command(int id, int code = 0) {
        SendMessageW(hwnd_, WM_COMMAND, MAKEWPARAM(id, code), reinterpret_cast<LPARAM>(control(id)));
    }
    // Selects a row of the folder list by its text, as a single click would.
    void selectFolder(const std::wstring& name) {
        const auto rows = listItems(control(ids::kDir1));
        for (std::size_t i = 0; i < rows.size(); ++i)
            if (rows[i] == name) ListBox_SetCurSel(control(ids::kDir1), static_cast<int>(i));
        command(ids::kDir1, LBN_SELCHANGE);
    }
    std::vector<std::wstring> files() const { return listItems(control(ids::kFile1)); }
    // A drive of the drive list other than the current one: its index and "D:".
    std::pair<int, std::wstring> otherDrive() const {
        HWND drives = control(ids::kDrive1);
        const int current = ComboBox_GetCurSel(drives);
        if (current < 0 || ComboBox_GetCount(drives) < 2) return {-1, L""};
        const int other = current == 0 ? 1 : 0;
        std::wstring label(64, L'\0');
        label.resize(static_cast<std::size_t>(ComboBox_GetLBText(drives, other, label.data())));
        return {other, label.substr(0, 2)};
    }
    std::wstring selectedDrive() const {
        HWND drives = control(ids::kDrive1);
        std::wstring label(64, L'\0');
        label.resize(static_cast<std::size_t>(ComboBox_GetLBText(drives, ComboBox_GetCurSel(drives), label.data())));
        return label.substr(0, 2);
    }

    std::wstring root_;
    ChosenFolder picker_;
    struct Sent {
        DWORD message;
        NOTIFYICONDATAW data;
    };
    std::vector<Sent> balloons_;
    std::wstring tip_;  // the tray tip as last handed to the shell
    MediaBackend* media_ = nullptr;  // the platform's when empty
    MfWasapiBackend::DeviceHook beforeDevice_;
    // The names given for screen readers, recorded in place of the system's.
    struct Naming final : AccessibleNaming {
        HRESULT setName(HWND control, const std::wstring& name) override {
            names[control] = name;
            return S_OK;
        }
        HRESULT clearName(HWND control) override {
            cleared.push_back(control);
            return S_OK;
        }
        std::map<HWND, std::wstring> names;
        std::vector<HWND> cleared;
    } naming_;
    std::unique_ptr<App> app_;  // the real program's engines and windows, in this process
    Form1* form_ = nullptr;
    HWND hwnd_ = nullptr;
};

TEST_F(Form1Test, StartsInTheWorkingFolderWithItsSounds) {
    EXPECT_EQ(windowText(hwnd_), L"zirrotone");
    EXPECT_EQ(files(), (std::vector<std::wstring>{L"one.wav", L"Two.MP3"}));  // no hidden or other files
    const auto rows = listItems(control(ids::kDir1));
    EXPECT_EQ(rows.back(), L"Gone");
    EXPECT_EQ(rows[rows.size() - 3], L"zt_form1");
    EXPECT_EQ(form_->controlText(ids::kTxtDelay), L"1");
    EXPECT_EQ(form_->sliderValue(), 50);
    EXPECT_EQ(form_->controlText(ids::kLabel3), L"");
    EXPECT_EQ(form_->controlText(ids::kCmdStop), L"Stop sound");
}

TEST_F(Form1Test, OpeningAFolderMovesTheFileListAndAClickOnlySelects) {
    selectFolder(L"Bells");
    EXPECT_EQ(files(), (std::vector<std::wstring>{L"one.wav", L"Two.MP3"}));  // a single click changes nothing
    command(ids::kDir1, LBN_DBLCLK);
    settle();
    EXPECT_EQ(files(), std::vector<std::wstring>{L"three.wav"});
    EXPECT_EQ(listItems(control(ids::kDir1)).back(), L"Bells");

    // Back up to the parent through its row.
    selectFolder(L"zt_form1");
    command(ids::kDir1, LBN_DBLCLK);
    settle();
    EXPECT_EQ(files().size(), 2u);
}

TEST_F(Form1Test, AFolderThatCannotBeReadLeavesTheListsAlone) {
    const auto rowsBefore = listItems(control(ids::kDir1));
    selectFolder(L"Gone");
    RemoveDirectoryW((root_ + L"\\Gone").c_str());
    command(ids::kDir1, LBN_DBLCLK);
    settle();
    EXPECT_EQ(listItems(control(ids::kDir1)), rowsBefore);
    EXPECT_EQ(files(), (std::vector<std::wstring>{L"one.wav", L"Two.MP3"}));
    EXPECT_NE(form_->controlText(ids::kLabel3).find(L"Cannot read"), std::wstring::npos);
}

TEST_F(Form1Test, ADriveChangeMovesTheFolderListThenTheFileList) {
    const auto [other, drive] = otherDrive();
    ASSERT_GE(other, 0) << "the test needs a second drive";
    // A folder of known files on the other drive, made the folder the system remembers as
    // that drive's current one.
    const OtherDriveFolder folder(drive);
    ASSERT_FALSE(folder.path.empty()) << "the test needs a writable folder on " << drive;
    ASSERT_TRUE(SetEnvironmentVariableW((L"=" + drive).c_str(), folder.path.c_str()));

    ComboBox_SetCurSel(control(ids::kDrive1), other);
    command(ids::kDrive1, CBN_SELCHANGE);
    settle();

    const auto rows = listItems(control(ids::kDir1));
    SetEnvironmentVariableW((L"=" + drive).c_str(), nullptr);
    ASSERT_FALSE(rows.empty());
    EXPECT_EQ(rows[0].substr(0, 2), drive);
    EXPECT_EQ(rows.back(), L"Sub");
    // The file list follows the folder list: it shows the sounds of the drive's folder.
    EXPECT_EQ(files(), (std::vector<std::wstring>{L"a.WAV", L"b.mp3"}));
}

// Ctrl+O as the keyboard gives it, through the program's message handling.
void pressCtrlO(HWND target) {
    BYTE keys[256];
    GetKeyboardState(keys);
    const BYTE control = keys[VK_CONTROL];
    keys[VK_CONTROL] = 0x80;
    SetKeyboardState(keys);
    PostMessageW(target, WM_KEYDOWN, 'O', 1);
    processPendingEvents();
    keys[VK_CONTROL] = control;
    SetKeyboardState(keys);
}

TEST_F(Form1Test, TheDriveListShowsEveryLetterAndThenTheFixedDrivesLabelsKeepingTheSelection) {
    HWND drives = control(ids::kDrive1);
    const std::wstring selected = selectedDrive();
    // What each row should end up as, read here independently.
    std::vector<std::wstring> expected;
    const DWORD mask = GetLogicalDrives();
    for (int i = 0; i < 26; ++i) {
        if (!(mask & (1u << i))) continue;
        const std::wstring letter{static_cast<wchar_t>(L'A' + i), L':'};
        wchar_t label[MAX_PATH + 1] = {};
        const bool fixed = GetDriveTypeW((letter + L"\\").c_str()) == DRIVE_FIXED;
        if (fixed && GetVolumeInformationW((letter + L"\\").c_str(), label, MAX_PATH + 1, nullptr, nullptr, nullptr,
                                           nullptr, 0) &&
            label[0])
            expected.push_back(letter + L"  [" + label + L"]");
        else
            expected.push_back(letter);
    }
    const auto rows = [&] {
        std::vector<std::wstring> texts;
        for (int i = 0; i < ComboBox_GetCount(drives); ++i) {
            std::wstring text(MAX_PATH + 8, L'\0');
            text.resize(static_cast<std::size_t>(ComboBox_GetLBText(drives, i, text.data())));
            texts.push_back(text);
        }
        return texts;
    };
    for (int i = 0; i < 250 && rows() != expected; ++i) {
        Sleep(20);
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
    }
    EXPECT_EQ(rows(), expected);
    EXPECT_EQ(selectedDrive(), selected);
}

TEST_F(Form1Test, ChooseFolderOpensThePickerAtTheListsFolderAndMovesTheListsThere) {
    // Cancelled: nothing moves.
    pressCtrlO(control(ids::kFile1));
    settle();
    ASSERT_EQ(picker_.calls, 1);
    EXPECT_EQ(picker_.owner, hwnd_);
    EXPECT_EQ(picker_.start, root_);
    EXPECT_EQ(files(), (std::vector<std::wstring>{L"one.wav", L"Two.MP3"}));

    // A subfolder, from the File menu: the folder list and then the file list follow.
    picker_.chosen = root_ + L"\\Bells";
    command(ids::kMnuChooseFolder);
    settle();
    EXPECT_EQ(listItems(control(ids::kDir1)).back(), L"Bells");
    EXPECT_EQ(files(), std::vector<std::wstring>{L"three.wav"});
    EXPECT_EQ(form_->controlText(ids::kLabel3), L"");

    // A folder on another drive: the drive list moves too.
    const auto [other, drive] = otherDrive();
    ASSERT_GE(other, 0) << "the test needs a second drive";
    const OtherDriveFolder folder(drive);
    ASSERT_FALSE(folder.path.empty()) << "the test needs a writable folder on " << drive;
    picker_.chosen = folder.path;
    pressCtrlO(control(ids::kDir1));
    settle();
    EXPECT_EQ(picker_.start, root_ + L"\\Bells");
    EXPECT_EQ(selectedDrive(), drive);
    const auto rows = listItems(control(ids::kDir1));
    EXPECT_EQ(rows.front(), drive + L"\\");
    EXPECT_EQ(rows.back(), L"Sub");
    EXPECT_EQ(files(), (std::vector<std::wstring>{L"a.WAV", L"b.mp3"}));

    // A folder gone meanwhile: said in the status line, the lists stay.
    picker_.chosen = root_ + L"\\Never";
    command(ids::kMnuChooseFolder);
    settle();
    EXPECT_EQ(files(), (std::vector<std::wstring>{L"a.WAV", L"b.mp3"}));
    EXPECT_NE(form_->controlText(ids::kLabel3).find(L"Cannot read"), std::wstring::npos);
}

// The visible window owned by the main window: the picker while it is open.
HWND pickerWindow(HWND owner) {
    struct Search {
        HWND owner, found;
    } search{owner, nullptr};
    EnumThreadWindows(
        GetWindowThreadProcessId(owner, nullptr),
        [](HWND w, LPARAM p) {
            auto* s = reinterpret_cast<Search*>(p);
            if (GetWindow(w, GW_OWNER) != s->owner || !IsWindowVisible(w)) return TRUE;
            s->found = w;
            return FALSE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// The picker's file name box: the first visible edit box among its children.
HWND fileNameBox(HWND dialog) {
    struct Search {
        HWND found;
    } search{nullptr};
    EnumChildWindows(
        dialog,
        [](HWND w, LPARAM p) {
            wchar_t cls[32] = {};
            GetClassNameW(w, cls, 32);
            if (std::wstring(cls) != WC_EDITW || !IsWindowVisible(w)) return TRUE;
            reinterpret_cast<Search*>(p)->found = w;
            return FALSE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// The platform's picker itself: a path typed into it and Enter pressed, as a user would.
TEST_F(Form1Test, ThePlatformPickerChoosesATypedFolder) {
    ComInit com;
    ASSERT_TRUE(com.ok());
    ShellFolderPicker shell;
    picker_.forward = &shell;
    const std::wstring target = root_ + L"\\Bells";
    std::atomic<bool> sawPicker{false};
    std::thread user([&] {
        HWND dialog = nullptr;
        for (int i = 0; i < 100; ++i) {
            Sleep(200);
            dialog = pickerWindow(hwnd_);
            if (!dialog) {
                if (sawPicker) return;  // closed
                continue;
            }
            sawPicker = true;
            HWND edit = fileNameBox(dialog);
            if (!edit) break;
            SendMessageW(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(target.c_str()));
            PostMessageW(edit, WM_KEYDOWN, VK_RETURN, 0);
            PostMessageW(edit, WM_KEYUP, VK_RETURN, 0);
        }
        if (dialog) PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);  // give the test back
    });
    command(ids::kMnuChooseFolder);  // returns when the picker has closed
    user.join();
    // Back from the picker, the window counts as activated again and has posted itself a
    // new run, which would count down for ever inside the wait for the lists: not here.
    MSG run;
    while (PeekMessageW(&run, hwnd_, Form1::kAppMessage, Form1::kAppMessage, PM_REMOVE)) {
    }
    settle();
    ASSERT_TRUE(sawPicker);
    EXPECT_EQ(picker_.start, root_);
    EXPECT_EQ(listItems(control(ids::kDir1)).back(), L"Bells");
    EXPECT_EQ(files(), std::vector<std::wstring>{L"three.wav"});
}

// Screen readers name a control without a caption of its own after the label just before it
// among the window's children; that order is also the tab order.
TEST_F(Form1Test, EachControlComesRightAfterTheLabelThatNamesItAndTheTabOrderStays) {
    std::vector<HWND> children;
    for (HWND child = GetWindow(hwnd_, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        children.push_back(child);
    const auto isLabel = [](HWND w) {
        wchar_t cls[32] = {};
        GetClassNameW(w, cls, 32);
        return std::wstring(cls) == WC_STATICW;
    };
    // The focusable controls and the label before each; 0: none (the buttons name
    // themselves, the folder list has no label of its own).
    const std::pair<int, int> namedBy[] = {
        {ids::kFile1, ids::kLabel4},     {ids::kDir1, 0},      {ids::kDrive1, ids::kLabel2},
        {ids::kChkMute, 0},              {ids::kTxtDelay, ids::kLabel5}, {ids::kTxtCountdown, ids::kLabel6},
        {ids::kSlider1, ids::kLabel1},   {ids::kCmdStop, 0},
    };
    std::vector<int> tabStops;
    for (std::size_t i = 0; i < children.size(); ++i) {
        const int id = GetDlgCtrlID(children[i]);
        const LONG_PTR style = GetWindowLongPtrW(children[i], GWL_STYLE);
        if (isLabel(children[i])) {
            EXPECT_TRUE(style & SS_NOPREFIX) << id;
        }
        if (!(style & WS_TABSTOP)) continue;
        tabStops.push_back(id);
        const auto entry = std::find_if(std::begin(namedBy), std::end(namedBy), [id](auto e) { return e.first == id; });
        ASSERT_NE(entry, std::end(namedBy)) << id;
        const HWND before = i > 0 ? children[i - 1] : nullptr;
        if (entry->second) {
            EXPECT_EQ(before ? GetDlgCtrlID(before) : 0, entry->second) << id;
        } else {
            EXPECT_FALSE(before && isLabel(before)) << id << " would take the name of " << GetDlgCtrlID(before);
        }
    }
    const std::vector<int> tabOrder{ids::kFile1,    ids::kDir1,         ids::kDrive1,  ids::kChkMute,
                                    ids::kTxtDelay, ids::kTxtCountdown, ids::kSlider1, ids::kCmdStop};
    EXPECT_EQ(tabStops, tabOrder);
    // And as Tab moves the focus.
    std::vector<int> tabbed;
    HWND at = GetNextDlgTabItem(hwnd_, nullptr, FALSE);
    for (std::size_t i = 0; at && i < tabOrder.size(); ++i, at = GetNextDlgTabItem(hwnd_, at, FALSE))
        tabbed.push_back(GetDlgCtrlID(at));
    EXPECT_EQ(tabbed, tabOrder);
}

// A menu item as the running window shows it.
struct ShownItem {
    std::wstring caption;  // empty: a separator
    UINT id = 0;
    HMENU submenu = nullptr;
};

std::vector<ShownItem> shownItems(HMENU menu) {
    std::vector<ShownItem> items;
    for (int i = 0; i < GetMenuItemCount(menu); ++i) {
        wchar_t text[128] = {};
        MENUITEMINFOW info{};
        info.cbSize = sizeof info;
        info.fMask = MIIM_FTYPE | MIIM_ID | MIIM_STRING | MIIM_SUBMENU;
        info.dwTypeData = text;
        info.cch = 128;
        if (!GetMenuItemInfoW(menu, static_cast<UINT>(i), TRUE, &info)) continue;
        items.push_back({(info.fType & MFT_SEPARATOR) ? L"" : text, info.wID, info.hSubMenu});
    }
    return items;
}

std::vector<std::wstring> captionsOf(HMENU menu) {
    std::vector<std::wstring> captions;
    for (const auto& item : shownItems(menu)) captions.push_back(item.caption);
    return captions;
}

// The submenu of the item with this caption.
HMENU submenuOf(HMENU menu, std::wstring_view caption) {
    for (const auto& item : shownItems(menu))
        if (item.caption == caption) return item.submenu;
    return nullptr;
}

// Every item of the menu and of its submenus has an access key ("&x"), none twice in a menu.
void expectAccessKeys(HMENU menu, const std::string& what) {
    std::set<wchar_t> keys;
    for (const auto& item : shownItems(menu)) {
        if (item.caption.empty()) continue;  // separator
        const std::string name = what + " > " + test::wideToUtf8(item.caption);
        const auto amp = item.caption.find(L'&');
        ASSERT_TRUE(amp != std::wstring::npos && amp + 1 < item.caption.size()) << name;
        EXPECT_TRUE(keys.insert(static_cast<wchar_t>(std::towupper(item.caption[amp + 1]))).second) << name;
        if (item.submenu) expectAccessKeys(item.submenu, name);
    }
}

// Each of `wanted` is in `all`, in this order.
void expectInOrder(const std::vector<std::wstring>& all, const std::vector<std::wstring>& wanted) {
    auto from = all.begin();
    for (const auto& w : wanted) {
        const auto at = std::find(from, all.end(), w);
        ASSERT_NE(at, all.end()) << test::wideToUtf8(w) << " missing or out of order";
        from = at + 1;
    }
}

// The tip over a list (found as a user's tools would: among the thread's tip windows).
HWND tipOf(HWND list) {
    struct Search {
        HWND list, found;
    } search{list, nullptr};
    EnumThreadWindows(
        GetCurrentThreadId(),
        [](HWND w, LPARAM p) {
            auto* s = reinterpret_cast<Search*>(p);
            wchar_t cls[32] = {};
            GetClassNameW(w, cls, 32);
            TTTOOLINFOW tool{};
            tool.cbSize = sizeof tool;
            if (std::wstring(cls) == TOOLTIPS_CLASSW && SendMessageW(w, TTM_ENUMTOOLSW, 0, reinterpret_cast<LPARAM>(&tool)) &&
                tool.uId == reinterpret_cast<UINT_PTR>(s->list))
                s->found = w;
            return s->found ? FALSE : TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// The pointer at the middle of a list row (-1: below the last row), in the list's client area.
LPARAM pointAt(HWND list, int row) {
    RECT rc{};
    ListBox_GetItemRect(list, row >= 0 ? row : ListBox_GetCount(list) - 1, &rc);
    if (row < 0) OffsetRect(&rc, 0, rc.bottom - rc.top);
    return MAKELPARAM(rc.left + 5, (rc.top + rc.bottom) / 2);
}

// How wide a text is in the tip's font.
int textWidth(HWND tip, const std::wstring& text) {
    const WindowDC dc(tip);
    const HGDIOBJ was = SelectObject(dc.get(), reinterpret_cast<HGDIOBJ>(SendMessageW(tip, WM_GETFONT, 0, 0)));
    SIZE size{};
    GetTextExtentPoint32W(dc.get(), text.c_str(), static_cast<int>(text.size()), &size);
    SelectObject(dc.get(), was);
    return size.cx;
}

// What the list's tip says with the pointer on a row (-1: below the last row).
std::wstring tipAt(HWND list, int row) {
    SendMessageW(list, WM_MOUSEMOVE, 0, pointAt(list, row));
    wchar_t text[1024] = {};
    TTTOOLINFOW tool{};
    tool.cbSize = sizeof tool;
    tool.hwnd = GetParent(list);
    tool.uId = reinterpret_cast<UINT_PTR>(list);
    tool.lpszText = text;
    SendMessageW(tipOf(list), TTM_GETTEXTW, 1024, reinterpret_cast<LPARAM>(&tool));
    return text;
}

TEST_F(Form1Test, TipsOverTheListsNameTheRowUnderThePointerOrTheFolderInFull) {
    const std::wstring longName = L"a sound whose name is far too long for the file list to show whole.wav";
    makeFile(root_ + L"\\" + longName);
    picker_.chosen = root_;
    command(ids::kMnuChooseFolder);
    settle();
    ASSERT_EQ(files().front(), longName);
    HWND fileList = control(ids::kFile1), folderList = control(ids::kDir1);
    const auto row = [&](const std::wstring& name) {
        const auto rows = listItems(folderList);
        return static_cast<int>(std::find(rows.begin(), rows.end(), name) - rows.begin());
    };
    const struct {
        HWND list;
        int row;
        std::wstring tip;
    } cases[] = {
        {fileList, 0, root_ + L"\\" + longName},
        {fileList, 1, root_ + L"\\one.wav"},
        {fileList, -1, root_},
        {folderList, row(L"zt_form1"), root_},
        {folderList, row(L"Bells"), root_ + L"\\Bells"},
        {folderList, 0, root_.substr(0, 3)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.row);
        // In lines that fit the tip's width, broken between folders; the whole path in them.
        const std::wstring tip = tipAt(c.list, c.row);
        HWND tipWindow = tipOf(c.list);
        const int width = static_cast<int>(SendMessageW(tipWindow, TTM_GETMAXTIPWIDTH, 0, 0));
        EXPECT_GE(width, MulDiv(300, static_cast<int>(GetDpiForWindow(c.list)), 96));
        std::wstring joined;
        std::size_t from = 0, breaks = 0;
        for (;; ++breaks) {
            const std::size_t end = tip.find(L"\r\n", from);
            const std::wstring line = tip.substr(from, end - from);
            EXPECT_LE(textWidth(tipWindow, line), width) << test::wideToUtf8(line);
            // Broken after a folder or between words.
            EXPECT_TRUE(end == std::wstring::npos || line.back() == L'\\' || line.back() == L' ') << test::wideToUtf8(line);
            joined += line;
            if (end == std::wstring::npos) break;
            from = end + 2;
        }
        EXPECT_EQ(joined, c.tip);
        EXPECT_EQ(breaks > 0, textWidth(tipWindow, c.tip) > width);
    }
}

TEST_F(Form1Test, EveryControlWithoutALabelBeforeItHasANameForScreenReaders) {
    const auto classOf = [](HWND w) {
        wchar_t name[64] = {};
        GetClassNameW(w, name, 64);
        return std::wstring(name);
    };
    // Screen readers name a list, a box or a slider after the label just before it (in
    // creation order); buttons and labels name themselves.
    HWND previous = nullptr;
    for (HWND child = GetWindow(hwnd_, GW_CHILD); child; previous = child, child = GetWindow(child, GW_HWNDNEXT)) {
        const std::wstring type = classOf(child);
        if (equalsNoCase(type, WC_BUTTONW) || equalsNoCase(type, WC_STATICW)) continue;
        const bool labelled = previous && equalsNoCase(classOf(previous), WC_STATICW) && !windowText(previous).empty();
        EXPECT_NE(labelled, naming_.names.contains(child)) << test::wideToUtf8(type) << " " << GetDlgCtrlID(child);
    }
    HWND folders = control(ids::kDir1);
    EXPECT_EQ(naming_.names[folders], L"Folders");
    // Taken back as the list goes.
    end();
    EXPECT_EQ(naming_.cleared, std::vector<HWND>{folders});
    start();

    // The system's own naming is called the same way (Wine has no names to give: E_NOTIMPL).
    ComInit com;
    const HRESULT hr = systemAccessibleNaming().setName(control(ids::kDir1), L"Folders");
    EXPECT_TRUE(hr == S_OK || hr == E_NOTIMPL) << std::hex << hr;
}

TEST_F(Form1Test, AListTipShowsWhileThePointerRestsAndGoesWhenItLeavesIsClickedOrTimesOut) {
    HWND list = control(ids::kFile1);
    EXPECT_FALSE(tipOf(list)) << "made before the pointer came onto the list";
    SendMessageW(list, WM_MOUSEMOVE, 0, pointAt(list, 0));
    HWND tip = tipOf(list);
    ASSERT_TRUE(tip);
    const auto rest = [&](int row) {
        SendMessageW(list, WM_MOUSEMOVE, 0, pointAt(list, row));
        EXPECT_FALSE(IsWindowVisible(tip)) << "shown before the pointer rested";
        SendMessageW(list, WM_MOUSEHOVER, 0, pointAt(list, row));
    };
    rest(0);
    EXPECT_TRUE(IsWindowVisible(tip));
    // Moving on to another row while it shows: it stays, under the pointer, with the new name.
    RECT before{}, after{};
    GetWindowRect(tip, &before);
    SendMessageW(list, WM_MOUSEMOVE, 0, pointAt(list, 1));
    GetWindowRect(tip, &after);
    EXPECT_TRUE(IsWindowVisible(tip));
    EXPECT_GT(after.top, before.top);
    SendMessageW(list, WM_MOUSELEAVE, 0, 0);
    EXPECT_FALSE(IsWindowVisible(tip));

    rest(-1);
    EXPECT_TRUE(IsWindowVisible(tip));
    SendMessageW(list, WM_LBUTTONDOWN, MK_LBUTTON, pointAt(list, -1));
    SendMessageW(list, WM_LBUTTONUP, 0, pointAt(list, -1));
    EXPECT_FALSE(IsWindowVisible(tip));

    // It goes by itself after the tip's own showing time.
    SendMessageW(tip, TTM_SETDELAYTIME, TTDT_AUTOPOP, 100);
    rest(1);
    EXPECT_TRUE(IsWindowVisible(tip));
    for (int i = 0; i < 50 && IsWindowVisible(tip); ++i) {
        Sleep(20);
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
    }
    EXPECT_FALSE(IsWindowVisible(tip));
}

// The balloons asked of an edit box.
struct BalloonProbe {
    static LRESULT CALLBACK proc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR self) {
        const LRESULT result = DefSubclassProc(hwnd, msg, wParam, lParam);
        if (msg == EM_SHOWBALLOONTIP) {
            const auto* tip = reinterpret_cast<const EDITBALLOONTIP*>(lParam);
            reinterpret_cast<BalloonProbe*>(self)->texts.push_back(tip->pszText ? tip->pszText : L"");
        }
        return result;
    }
    std::vector<std::wstring> texts;
};

TEST_F(Form1Test, TheDelayBoxSaysHowATextWasReadOnlyWhenItIsNotWhatItShows) {
    if (formatNumber(1000) != L"1000" || strictNumber(L"1,5") != 15.0) GTEST_SKIP() << "needs \",\" as digit grouping";
    BalloonProbe probe;
    HWND delay = control(ids::kTxtDelay);
    SetWindowSubclass(delay, BalloonProbe::proc, 7, reinterpret_cast<DWORD_PTR>(&probe));
    SetWindowTextW(delay, L"2");  // runs the edit handler, as typing does
    EXPECT_TRUE(probe.texts.empty());
    SetWindowTextW(delay, L"1,5");
    ASSERT_EQ(probe.texts.size(), 1u);
    EXPECT_EQ(probe.texts[0], L"Counting 15 minutes");
    EXPECT_EQ(form_->controlText(ids::kTxtDelay), L"1,5");  // the text stays as typed
    RemoveWindowSubclass(delay, BalloonProbe::proc, 7);
}

TEST_F(Form1Test, MuteBoxAndMuteItemStayTogether) {
    SendMessageW(control(ids::kChkMute), BM_CLICK, 0, 0);
    EXPECT_EQ(form_->muteValue(), 1);
    EXPECT_TRUE(form_->menuChecked(ids::kMnuMute));
    command(ids::kMnuMute);
    EXPECT_EQ(form_->muteValue(), 0);
    EXPECT_FALSE(form_->menuChecked(ids::kMnuMute));
    command(ids::kMnuMute);
    EXPECT_EQ(form_->muteValue(), 1);
    EXPECT_TRUE(form_->menuChecked(ids::kMnuMute));
    form_->setMuteValue(0);  // a program change runs the box's handler too
    EXPECT_FALSE(form_->menuChecked(ids::kMnuMute));
}

TEST_F(Form1Test, StartInTrayItemsFlipTogetherAndLeaveTheWindowAlone) {
    const bool visible = IsWindowVisible(hwnd_);
    command(ids::kMnuSystray);
    EXPECT_TRUE(form_->menuChecked(ids::kMnuSystray));
    EXPECT_TRUE(form_->menuChecked(ids::kMnuSystray2));
    command(ids::kMnuSystray2);
    EXPECT_FALSE(form_->menuChecked(ids::kMnuSystray));
    EXPECT_FALSE(form_->menuChecked(ids::kMnuSystray2));
    EXPECT_EQ(IsWindowVisible(hwnd_) != FALSE, visible);
    EXPECT_FALSE(IsIconic(hwnd_));
}

// As the system's volume slider: Up, Right and Page Up louder; Down, Left and Page Down
// quieter; the arrows by 1, the page keys by 10.
TEST_F(Form1Test, SliderKeysMoveTheVolumeUpAndDownByOneAndByTen) {
    form_->Slider1_Click();
    EXPECT_EQ(form_->controlText(ids::kLblVolume), L"50%");
    const struct {
        UINT key;
        int volume;
    } presses[] = {
        {VK_UP, 51}, {VK_RIGHT, 52}, {VK_PRIOR, 62}, {VK_DOWN, 61}, {VK_LEFT, 60}, {VK_NEXT, 50}, {VK_NEXT, 40},
    };
    HWND slider = control(ids::kSlider1);
    for (const auto& press : presses) {
        SendMessageW(slider, WM_KEYDOWN, press.key, 0);
        SendMessageW(slider, WM_KEYUP, press.key, 0);
        EXPECT_EQ(form_->controlText(ids::kLblVolume), std::to_wstring(press.volume) + L"%") << press.key;
        EXPECT_EQ(app_->settings().value().volume, press.volume) << press.key;
    }
    form_->setSliderValue(100);
    EXPECT_EQ(form_->controlText(ids::kLblVolume), L"100%");
}

TEST_F(Form1Test, LaidOutInTwipsForTheWindowDpi) {
    RECT client;
    GetClientRect(hwnd_, &client);
    const UINT dpi = GetDpiForWindow(hwnd_);
    EXPECT_EQ(client.right, MulDiv(5910, static_cast<int>(dpi), 1440));
    EXPECT_EQ(client.bottom, MulDiv(4815, static_cast<int>(dpi), 1440));

    auto placeOf = [&](int id) {
        RECT rc;
        GetWindowRect(control(id), &rc);
        MapWindowPoints(nullptr, hwnd_, reinterpret_cast<POINT*>(&rc), 2);
        return rc;
    };
    RECT stop = placeOf(ids::kCmdStop);
    EXPECT_EQ(stop.left, MulDiv(240, static_cast<int>(dpi), 1440));
    EXPECT_EQ(stop.top, MulDiv(4080, static_cast<int>(dpi), 1440));
    EXPECT_EQ(stop.right - stop.left, MulDiv(1335, static_cast<int>(dpi), 1440));
    // The drive list's window is its closed field; its open list has a height of its own.
    const auto droppedHeight = [&] {
        RECT rc{};
        SendMessageW(control(ids::kDrive1), CB_GETDROPPEDCONTROLRECT, 0, reinterpret_cast<LPARAM>(&rc));
        return rc.bottom - rc.top;
    };
    const int dropped = droppedHeight();
    EXPECT_GT(dropped, placeOf(ids::kDrive1).bottom - placeOf(ids::kDrive1).top);

    // Moved to a 144 DPI monitor: everything half as large again.
    RECT suggested{0, 0, 900, 800};
    SendMessageW(hwnd_, WM_DPICHANGED, MAKEWPARAM(144, 144), reinterpret_cast<LPARAM>(&suggested));
    stop = placeOf(ids::kCmdStop);
    EXPECT_EQ(stop.left, MulDiv(240, 144, 1440));
    EXPECT_EQ(stop.top, MulDiv(4080, 144, 1440));
    EXPECT_EQ(stop.bottom - stop.top, MulDiv(375, 144, 1440));
    const RECT drives = placeOf(ids::kDrive1);
    EXPECT_EQ(drives.left, MulDiv(240, 144, 1440));
    EXPECT_EQ(drives.top, MulDiv(360, 144, 1440));
    EXPECT_EQ(drives.right - drives.left, MulDiv(2055, 144, 1440));
    if (dpi < 144) {
        EXPECT_GT(droppedHeight(), dropped);  // the open list grew with the rest
    }
}

TEST_F(Form1Test, LoadRestoresSettingsThroughTheControls) {
    const auto put = [](std::wstring_view name, const std::wstring& text) {
        setRegString(HKEY_CURRENT_USER, settingKey(name), std::wstring(kSettingValue), text);
    };
    put(kPathSetting, root_ + L"\\Bells");
    put(kVolumeSetting, L"75");
    put(kMuteSetting, L"1");
    put(kDelaySetting, L"2.5");
    restart();
    app_->load();
    settle();
    EXPECT_EQ(files(), std::vector<std::wstring>{L"three.wav"});
    EXPECT_EQ(listItems(control(ids::kDir1)).back(), L"Bells");
    EXPECT_EQ(form_->controlText(ids::kLblVolume), L"75%");
    EXPECT_TRUE(form_->menuChecked(ids::kMnuMute));  // through the box's own handler
    EXPECT_EQ(form_->controlText(ids::kTxtDelay), L"2.5");
    EXPECT_FALSE(form_->menuChecked(ids::kMnuStartup));
}

TEST_F(Form1Test, ADelaySetFromOutsideBeforeTheRunStartsWaitsForTheRunsFirstValue) {
    app_->load();
    settle();
    app_->activate();  // the run's message is posted, not handled yet
    // As automation sets it, right after start. The change's wait must not take the run's
    // message and hold the whole run inside this call: it comes back at once...
    SendMessageW(control(ids::kTxtDelay), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"0.5"));
    EXPECT_EQ(form_->controlText(ids::kTxtCountdown), L"");
    EXPECT_EQ(form_->controlText(ids::kTxtDelay), L"0.5");
    // ...with the run's message still first in the queue, and the change's own after it.
    MSG first{}, second{};
    ASSERT_TRUE(PeekMessageW(&first, hwnd_, WM_APP, WM_APP + 100, PM_REMOVE));
    ASSERT_TRUE(PeekMessageW(&second, hwnd_, WM_APP, WM_APP + 100, PM_REMOVE));
    EXPECT_EQ(first.message, second.message);  // both the application's
    EXPECT_LT(first.wParam, second.wParam);    // the run's, then the change's
}

TEST_F(Form1Test, AStoredFolderThatIsGoneLeavesTheLists) {
    const auto rowsBefore = listItems(control(ids::kDir1));
    setRegString(HKEY_CURRENT_USER, settingKey(kPathSetting), std::wstring(kSettingValue), root_ + L"\\Never");
    restart();
    app_->load();
    settle();
    EXPECT_EQ(listItems(control(ids::kDir1)), rowsBefore);
    EXPECT_EQ(files(), (std::vector<std::wstring>{L"one.wav", L"Two.MP3"}));
}

TEST_F(Form1Test, TheListsAreMadeInTheStoredFolderWhenItIsThere) {
    const auto startWithStored = [&](const std::wstring& folder) {
        end();
        setRegString(HKEY_CURRENT_USER, settingKey(kPathSetting), std::wstring(kSettingValue), folder);
        start();
    };
    // Already there before load, so the working folder is not listed first; load keeps it.
    startWithStored(root_ + L"\\Bells");
    EXPECT_EQ(files(), std::vector<std::wstring>{L"three.wav"});
    EXPECT_EQ(listItems(control(ids::kDir1)).back(), L"Bells");
    app_->load();
    settle();
    EXPECT_EQ(files(), std::vector<std::wstring>{L"three.wav"});
    EXPECT_EQ(listItems(control(ids::kDir1)).back(), L"Bells");
    // A stored folder that is gone: the working folder, as without one.
    startWithStored(root_ + L"\\Never");
    EXPECT_EQ(files(), (std::vector<std::wstring>{L"one.wav", L"Two.MP3"}));
    EXPECT_EQ(listItems(control(ids::kDir1)).back(), L"Gone");
    app_->load();
    settle();
    EXPECT_EQ(files(), (std::vector<std::wstring>{L"one.wav", L"Two.MP3"}));
}

TEST_F(Form1Test, RunAtStartupFromEitherMenuWritesAndDeletesTheEntry) {
    const std::wstring run(kRunKey), value(kRunValue);
    deleteRegValue(HKEY_CURRENT_USER, run, value);
    command(ids::kMnuStartup2);
    EXPECT_TRUE(form_->menuChecked(ids::kMnuStartup));
    EXPECT_TRUE(form_->menuChecked(ids::kMnuStartup2));
    EXPECT_EQ(getRegString(HKEY_CURRENT_USER, run, value), L"\"" + programPath() + L"\"");
    command(ids::kMnuStartup);
    EXPECT_FALSE(form_->menuChecked(ids::kMnuStartup2));
    EXPECT_EQ(getRegString(HKEY_CURRENT_USER, run, value), L"");
}

// A back end whose first loads throw, as a fault anywhere under a run would; later ones
// play at once.
class FaultyMedia final : public MediaBackend {
public:
    void setVolume(std::int32_t) override {}
    MediaResult setFileName(const std::wstring&) override {
        if (faults > 0) {
            --faults;
            throw std::runtime_error("a fault under the run");
        }
        return MediaResult::success();
    }
    MediaResult start() override {
        ++plays;
        return MediaResult::success();
    }
    std::int32_t playState() override { return kStopped; }
    void stop() override {}
    int faults = 1;
    int plays = 0;
};

TEST_F(Form1Test, AFaultInARunIsShownAndANewRunCountsAndPlays) {
    FaultyMedia media;
    media_ = &media;
    setRegString(HKEY_CURRENT_USER, settingKey(kDelaySetting), std::wstring(kSettingValue), L"0.1");
    restart();
    app_->load();
    std::wstring shown;
    std::set<std::wstring> countedAfter;
    const bool played = runUntil(
        [&] {
            const std::wstring status = form_->controlText(ids::kLabel3);
            if (shown.empty() && status.find(L"stopped") != std::wstring::npos) shown = status;
            if (!shown.empty()) countedAfter.insert(form_->controlText(ids::kTxtCountdown));
            return media.plays == 1;
        },
        30'000);
    ASSERT_TRUE(played) << "no sound after the fault";
    EXPECT_EQ(shown, L"The countdown stopped (a fault under the run); it starts again.");
    EXPECT_GE(countedAfter.size(), 3u);  // the new run counted down before it played
}

TEST_F(Form1Test, ASoundDeviceSlowToOpenNeitherFreezesTheWindowNorStopsTheCountdown) {
    ComInit com;
    ASSERT_TRUE(com.ok());
    removeTree(root_ + L"\\Bells");
    DeleteFileW((root_ + L"\\Two.MP3").c_str());
    test::writeTone(root_ + L"\\one.wav", 0.3);
    std::atomic<int> opens{0};
    beforeDevice_ = [&] {
        ++opens;
        Sleep(2000);  // a headset waking up
    };
    setRegString(HKEY_CURRENT_USER, settingKey(kDelaySetting), std::wstring(kSettingValue), L"0.1");
    restart();
    app_->load();

    // Round trips to the window from another thread, the whole time.
    std::atomic<bool> watching{true};
    std::atomic<long> slowest{0}, unanswered{0};
    std::thread watcher([&, hwnd = hwnd_] {
        while (watching) {
            const DWORD sent = GetTickCount();
            DWORD_PTR answer = 0;
            // Not answered while the window is there (it goes at the end of the run).
            if (!SendMessageTimeoutW(hwnd, WM_NULL, 0, 0, SMTO_NORMAL, 2000, &answer) && IsWindow(hwnd)) ++unanswered;
            slowest = std::max<long>(slowest, static_cast<long>(GetTickCount() - sent));
            Sleep(20);
        }
    });
    std::wstring countAtOpen;
    std::set<std::wstring> countedAfter;
    const bool counted = runUntil(
        [&] {
            if (opens == 0) return false;
            if (countAtOpen.empty()) countAtOpen = form_->controlText(ids::kTxtCountdown);
            if (form_->controlText(ids::kLabel3) == L"Last played: one.wav")
                countedAfter.insert(form_->controlText(ids::kTxtCountdown));
            return countedAfter.size() >= 3;
        },
        40'000);
    watching = false;
    watcher.join();
    EXPECT_TRUE(counted) << "the countdown did not go on after the slow sound";
    EXPECT_EQ(unanswered, 0);
    EXPECT_LE(slowest, 100) << "ms for the window to answer while the device opened";
}

TEST_F(Form1Test, DoubleClickPlaysTheFileToItsEndAndReportsOneThatCannotPlay) {
    ComInit com;
    ASSERT_TRUE(com.ok());
    // A short but real sound in place of the empty one.
    {
        ScopedFile f(CreateFileW((root_ + L"\\one.wav").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
        const unsigned char header[] = {'R', 'I', 'F', 'F', 36 + 8, 0x56, 0, 0, 'W', 'A', 'V', 'E', 'f', 'm', 't', ' ',
                                        16, 0, 0, 0, 1, 0, 1, 0, 0x22, 0x56, 0, 0, 0x44, 0xAC, 0, 0, 2, 0, 16, 0,
                                        'd', 'a', 't', 'a', 8, 0x56, 0, 0};
        DWORD written;
        WriteFile(f.get(), header, sizeof header, &written, nullptr);
        std::vector<short> samples(22050 / 2, 0);  // half a second of silence at 22.05 kHz
        for (std::size_t i = 0; i < samples.size(); ++i) samples[i] = static_cast<short>((i % 50) * 200);
        WriteFile(f.get(), samples.data(), static_cast<DWORD>(samples.size() * 2), &written, nullptr);
    }
    ListBox_SetCurSel(control(ids::kFile1), 0);
    const DWORD start = GetTickCount();
    command(ids::kFile1, LBN_DBLCLK);  // returns when the sound has ended
    EXPECT_GE(GetTickCount() - start, 400u);
    EXPECT_EQ(form_->controlText(ids::kLabel3), L"");

    ListBox_SetCurSel(control(ids::kFile1), 1);  // Two.MP3 is an empty file
    command(ids::kFile1, LBN_DBLCLK);
    EXPECT_EQ(form_->controlText(ids::kLabel3).rfind(L"Could not play Two.MP3: ", 0), 0u);

    // Enter on the list plays the selected file too, and the good play ends the error.
    ListBox_SetCurSel(control(ids::kFile1), 0);
    SetFocus(control(ids::kFile1));
    const DWORD enter = GetTickCount();
    SendMessageW(hwnd_, WM_COMMAND, IDOK, 0);
    EXPECT_GE(GetTickCount() - enter, 400u);
    EXPECT_EQ(form_->controlText(ids::kLabel3), L"Last played: one.wav");
}

TEST_F(Form1Test, AnOldErrorGoesWhenTheNextSoundStartsNotWhenItEnds) {
    ComInit com;
    ASSERT_TRUE(com.ok());
    test::writeTone(root_ + L"\\one.wav", 2.0);
    ListBox_SetCurSel(control(ids::kFile1), 1);  // Two.MP3 is an empty file
    command(ids::kFile1, LBN_DBLCLK);
    ASSERT_EQ(form_->controlText(ids::kLabel3).rfind(L"Could not play Two.MP3: ", 0), 0u);

    // The status line as a screen reader would read it, half a second into the good sound.
    std::wstring whilePlaying;
    std::thread reader([&, label = control(ids::kLabel3)] {
        Sleep(700);
        wchar_t text[256] = {};
        DWORD_PTR length = 0;
        if (SendMessageTimeoutW(label, WM_GETTEXT, std::size(text), reinterpret_cast<LPARAM>(text), SMTO_NORMAL,
                                2000, &length))
            whilePlaying = text;
    });
    ListBox_SetCurSel(control(ids::kFile1), 0);
    command(ids::kFile1, LBN_DBLCLK);  // returns when the sound has ended
    reader.join();
    EXPECT_EQ(whilePlaying, L"Last played: one.wav");
}

TEST_F(Form1Test, TheHistoryTakesATestPlayItsStopAndAFileThatCannotPlay) {
    ComInit com;
    ASSERT_TRUE(com.ok());
    test::writeTone(root_ + L"\\one.wav", 3.0);
    ListBox_SetCurSel(control(ids::kFile1), 0);
    // "Stop sound" half a second into it, handled inside the play's wait.
    std::thread stopper([this, stop = control(ids::kCmdStop)] {
        Sleep(500);
        PostMessageW(hwnd_, WM_COMMAND, MAKEWPARAM(ids::kCmdStop, BN_CLICKED), reinterpret_cast<LPARAM>(stop));
    });
    command(ids::kFile1, LBN_DBLCLK);  // returns when the sound has been stopped
    stopper.join();
    ListBox_SetCurSel(control(ids::kFile1), 1);  // Two.MP3 is an empty file
    command(ids::kFile1, LBN_DBLCLK);
    command(ids::kCmdStop, BN_CLICKED);  // nothing plays: nothing to tell

    std::vector<std::wstring> told;
    for (const auto& e : app_->history().entries()) told.push_back(e.file + L": " + historyWords(e));
    ASSERT_EQ(told.size(), 3u);
    EXPECT_EQ(told[0].rfind(L"Two.MP3: could not play: ", 0), 0u) << told[0];
    EXPECT_EQ(told[1], L"one.wav: stopped by the user");
    EXPECT_EQ(told[2], L"one.wav: test play");

    // The menu item opens the window with them; the main window stays as it was.
    command(ids::kMnuHistory);
    HWND window = FindWindowW(kHistoryWindowClass, nullptr);
    ASSERT_TRUE(window && IsWindowVisible(window));
    EXPECT_EQ(ListView_GetItemCount(GetDlgItem(window, HistoryWindow::idList)), 3);
    EXPECT_EQ(GetWindow(window, GW_OWNER), hwnd_);
    EXPECT_TRUE(IsWindowEnabled(hwnd_));
}

TEST_F(Form1Test, AResumeOrAClockChangeShowsTheStateInTheTipAtOnce) {
    app_->load();
    command(ids::kMnuMuteFor60);
    const auto tipAfter = [&](UINT message, WPARAM wParam) {
        tip_.clear();
        SendMessageW(hwnd_, message, wParam, 0);
        return tip_;
    };
    const std::pair<UINT, WPARAM> judgedAgain[] = {
        {WM_TIMECHANGE, 0}, {WM_POWERBROADCAST, PBT_APMRESUMEAUTOMATIC}, {WM_POWERBROADCAST, PBT_APMRESUMESUSPEND}};
    for (const auto& [message, wParam] : judgedAgain)
        EXPECT_EQ(tipAfter(message, wParam).rfind(L"Muted until ", 0), 0u) << message << " " << wParam;
    EXPECT_EQ(tipAfter(WM_POWERBROADCAST, PBT_APMSUSPEND), L"");  // going to sleep changes nothing
}

// Tray ----------------------------------------------------------------------------------------

void minimise(HWND hwnd) {
    if (IsIconic(hwnd)) ShowWindow(hwnd, SW_RESTORE);
    ShowWindow(hwnd, SW_MINIMIZE);
    processPendingEvents();
}

void trayEvent(HWND hwnd, UINT code) {
    SendMessageW(hwnd, TrayIcon::kCallbackMessage, TrayIcon::kId, code);
}

TEST_F(Form1Test, TrayIconFromLoadRestoresAndMinimiseHides) {
    app_->load();  // no wait for the lists here: it would let the icon's timer run
    EXPECT_TRUE(IsWindowVisible(hwnd_));
    // The window first: the icon follows once it has nothing left to do...
    EXPECT_FALSE(trayIconPresent(hwnd_));
    EXPECT_TRUE(waitFor([this] { processPendingEvents(); return trayIconPresent(hwnd_); }, std::chrono::seconds(2)));
    // ...or with the first tip, whichever comes first.
    end();
    start();
    app_->load();
    settle();
    form_->showTip(L"9 secs to go");
    EXPECT_TRUE(trayIconPresent(hwnd_));
    EXPECT_EQ(tip_, L"9 secs to go");

    minimise(hwnd_);
    EXPECT_FALSE(IsWindowVisible(hwnd_));  // minimised means gone to the tray
    for (UINT code : {WM_LBUTTONUP, WM_LBUTTONDBLCLK}) {
        minimise(hwnd_);
        ASSERT_FALSE(IsWindowVisible(hwnd_));
        trayEvent(hwnd_, code);
        EXPECT_TRUE(IsWindowVisible(hwnd_)) << code;
        EXPECT_FALSE(IsIconic(hwnd_)) << code;
    }

    minimise(hwnd_);
    for (UINT code : {UINT{WM_MOUSEMOVE}, UINT{WM_LBUTTONDOWN}, UINT{WM_RBUTTONDOWN}, UINT{WM_MBUTTONUP}, UINT{1514}})
        trayEvent(hwnd_, code);
    EXPECT_FALSE(IsWindowVisible(hwnd_));  // nothing else restores

    // A pointer moving over the window itself is no tray event, wherever it is.
    ShowWindow(hwnd_, SW_RESTORE);
    SendMessageW(hwnd_, WM_MOUSEMOVE, 0, MAKELPARAM(517, 5));
    EXPECT_TRUE(IsWindowVisible(hwnd_));

    minimise(hwnd_);  // "Settings" restores too
    ASSERT_FALSE(IsWindowVisible(hwnd_));
    command(ids::kMnuSettings);
    EXPECT_TRUE(IsWindowVisible(hwnd_));
}

TEST_F(Form1Test, RestoringFromTheTrayGivesTheNormalWindowEvenAfterMaximised) {
    app_->load();
    settle();
    const UINT showMessage = RegisterWindowMessageW(kShowMessage);
    const std::pair<const char*, std::function<void()>> ways[] = {
        {"icon click", [&] { trayEvent(hwnd_, WM_LBUTTONUP); }},
        {"Settings", [&] { command(ids::kMnuSettings); }},
        {"second start", [&] { SendMessageW(hwnd_, showMessage, 0, 0); }},
    };
    for (const auto& [way, restore] : ways) {
        ShowWindow(hwnd_, SW_MAXIMIZE);
        ASSERT_TRUE(IsZoomed(hwnd_));
        ShowWindow(hwnd_, SW_MINIMIZE);
        processPendingEvents();
        ASSERT_FALSE(IsWindowVisible(hwnd_)) << way;
        restore();
        EXPECT_TRUE(IsWindowVisible(hwnd_)) << way;
        EXPECT_FALSE(IsIconic(hwnd_)) << way;
        EXPECT_FALSE(IsZoomed(hwnd_)) << way;
    }
    // A maximised window that is still on screen comes back to its normal size as well.
    ShowWindow(hwnd_, SW_MAXIMIZE);
    command(ids::kMnuSettings);
    EXPECT_FALSE(IsZoomed(hwnd_));
}

TEST_F(Form1Test, RightClickOpensTheTrayMenuAndEscapeClosesIt) {
    app_->load();
    settle();
    std::atomic<bool> sawMenu{false};
    std::atomic<HMENU> shown{nullptr};
    std::thread closer([&] {
        for (int i = 0; i < 100 && !sawMenu; ++i) {
            HWND menu = FindWindowW(L"#32768", nullptr);
            if (menu && IsWindowVisible(menu)) {
                shown = reinterpret_cast<HMENU>(SendMessageW(menu, MN_GETHMENU, 0, 0));
                sawMenu = true;
                PostMessageW(menu, WM_KEYDOWN, VK_ESCAPE, 0);
            }
            Sleep(50);
        }
    });
    trayEvent(hwnd_, WM_RBUTTONUP);  // returns once the menu has closed
    closer.join();
    EXPECT_TRUE(sawMenu);
    ASSERT_TRUE(shown.load());
    EXPECT_EQ(GetMenuDefaultItem(shown, FALSE, 0), static_cast<UINT>(ids::kMnuSettings));  // bold
    // File: the hidden item is not there.
    EXPECT_EQ(GetMenuState(GetMenu(hwnd_), ids::kMnuAbVol, MF_BYCOMMAND), static_cast<UINT>(-1));
}

TEST_F(Form1Test, TheFirstTripToTheTrayShowsOneBalloonAcrossStarts) {
    const auto hintStored = [] { return getRegString(HKEY_CURRENT_USER, settingKey(kTrayHintSetting), std::wstring(kSettingValue)); };
    app_->load();  // shown: nothing to say yet
    EXPECT_TRUE(balloons_.empty());
    minimise(hwnd_);
    ASSERT_EQ(balloons_.size(), 1u);
    const Sent& sent = balloons_[0];
    EXPECT_EQ(sent.message, static_cast<DWORD>(NIM_MODIFY));
    EXPECT_EQ(sent.data.hWnd, hwnd_);
    EXPECT_EQ(sent.data.uID, TrayIcon::kId);
    EXPECT_EQ(sent.data.dwInfoFlags, static_cast<DWORD>(NIIF_INFO));
    const std::wstring text = sent.data.szInfo;
    EXPECT_NE(text.find(L"keeps playing"), std::wstring::npos);
    EXPECT_NE(text.find(L"Click the icon"), std::wstring::npos);
    // Said whether a sound plays or not: the program runs on.
    EXPECT_EQ(std::wstring(sent.data.szInfoTitle), L"Zirrotone is still running");
    EXPECT_EQ(hintStored(), L"True");
    trayEvent(hwnd_, WM_LBUTTONUP);
    minimise(hwnd_);
    EXPECT_EQ(balloons_.size(), 1u);  // once

    // The next start, straight into the tray: nothing more.
    end();
    setRegString(HKEY_CURRENT_USER, settingKey(kSystraySetting), std::wstring(kSettingValue), L"True");
    start();
    app_->load();
    settle();
    ASSERT_FALSE(IsWindowVisible(hwnd_));
    EXPECT_EQ(balloons_.size(), 1u);

    // A first start that goes straight into the tray says it at once, and only then.
    RegDeleteTreeW(HKEY_CURRENT_USER, settingKey(kTrayHintSetting).c_str());
    for (int run = 0; run < 2; ++run) {
        end();
        start();
        app_->load();
        settle();
        ASSERT_FALSE(IsWindowVisible(hwnd_));
    }
    ASSERT_EQ(balloons_.size(), 2u);
    EXPECT_EQ(std::wstring(balloons_[1].data.szInfo), text);
}

TEST_F(Form1Test, TaskbarCreatedAddsTheIconAgain) {
    app_->load();
    settle();
    test::dropTrayIcon(hwnd_);
    ASSERT_FALSE(trayIconPresent(hwnd_));
    SendMessageW(hwnd_, RegisterWindowMessageW(L"TaskbarCreated"), 0, 0);
    EXPECT_TRUE(trayIconPresent(hwnd_));
}

// Considerate timing -------------------------------------------------------------------------

std::wstring stored(std::wstring_view name) {
    return getRegString(HKEY_CURRENT_USER, settingKey(name), std::wstring(kSettingValue));
}
void store(std::wstring_view name, const std::wstring& text) {
    setRegString(HKEY_CURRENT_USER, settingKey(name), std::wstring(kSettingValue), text);
}

// Runs probe on a window of this thread's class className once it shows, from another thread
// while this one is inside a modal loop started by start(); true when it was seen.
bool whileShown(const wchar_t* className, const std::function<void(HWND)>& start,
                const std::function<void(HWND)>& probe) {
    std::atomic<bool> seen{false};
    std::thread helper([&] {
        for (int i = 0; i < 100 && !seen; ++i) {
            HWND window = FindWindowW(className, nullptr);
            if (window && IsWindowVisible(window)) {
                seen = true;
                probe(window);
            }
            Sleep(50);
        }
    });
    start(nullptr);
    helper.join();
    return seen;
}

// Read from the running window: the menu bar and the tray menu as it opens.
TEST_F(Form1Test, MenusKeepTheirOrderEndWithTerminateAndGiveEveryItemItsOwnAccessKey) {
    app_->load();
    settle();
    HMENU bar = GetMenu(hwnd_);
    EXPECT_EQ(captionsOf(bar), (std::vector<std::wstring>{L"&File", L"&Sound", L"&Help"}));
    EXPECT_EQ(captionsOf(submenuOf(bar, L"&File")),
              (std::vector<std::wstring>{L"&Choose folder...\tCtrl+O", L"Start in system tra&y", L"&Run at startup",
                                         L"", L"E&xit"}));
    HMENU sound = submenuOf(bar, L"&Sound");
    expectInOrder(captionsOf(sound), {L"&Play one now", L"S&kip this wait", L"Mute &for", L"&Quiet hours...",
                                      L"&Hold while busy", L"&Avoid repeats", L"&Even out loudness",
                                      L"Start s&oftly", L"Play o&n", L"H&istory..."});
    EXPECT_EQ(captionsOf(submenuOf(bar, L"&Help")), std::vector<std::wstring>{L"&About"});
    expectAccessKeys(bar, "menu bar");

    std::atomic<HMENU> shown{nullptr};
    ASSERT_TRUE(whileShown(
        L"#32768", [&](HWND) { trayEvent(hwnd_, WM_RBUTTONUP); },
        [&](HWND menuWindow) {
            shown = reinterpret_cast<HMENU>(SendMessageW(menuWindow, MN_GETHMENU, 0, 0));
            PostMessageW(menuWindow, WM_KEYDOWN, VK_ESCAPE, 0);
        }));
    HMENU tray = shown;
    ASSERT_TRUE(tray);
    const auto items = captionsOf(tray);
    // The five of old in their order, the default first of what acts, Terminate last.
    expectInOrder(items, {L"Start in system tra&y", L"&Run at startup", L"&Mute", L"&Settings", L"&Terminate"});
    ASSERT_FALSE(items.empty());
    EXPECT_EQ(items.back(), L"&Terminate");
    EXPECT_EQ(GetMenuDefaultItem(tray, FALSE, 0), static_cast<UINT>(ids::kMnuSettings));
    // Between Settings and Terminate, set apart by separators: the considerate timing, the
    // sound commands and the options.
    const auto settings = std::find(items.begin(), items.end(), L"&Settings");
    const std::vector<std::wstring> between(settings + 1, items.end() - 1);
    ASSERT_GE(between.size(), 2u);
    EXPECT_EQ(between.front(), L"");
    EXPECT_EQ(between.back(), L"");
    for (const wchar_t* item : {L"&Quiet hours...", L"&Hold while busy", L"Mute &for", L"&Play one now",
                                L"S&kip this wait", L"H&istory...", L"&Avoid repeats", L"&Even out loudness",
                                L"Start s&oftly", L"Play o&n"})
        EXPECT_NE(std::find(between.begin(), between.end(), item), between.end()) << test::wideToUtf8(item);
    expectAccessKeys(tray, "tray");

    // One "Mute for" in both menus, each item with its own command.
    const auto soundMuteFor = shownItems(submenuOf(sound, L"Mute &for"));
    const auto trayMuteFor = shownItems(submenuOf(tray, L"Mute &for"));
    EXPECT_EQ(captionsOf(submenuOf(sound, L"Mute &for")),
              (std::vector<std::wstring>{L"1&5 minutes", L"&1 hour", L"&4 hours", L"Until &tomorrow morning"}));
    EXPECT_EQ(captionsOf(submenuOf(tray, L"Mute &for")), captionsOf(submenuOf(sound, L"Mute &for")));
    std::set<UINT> commands;
    for (const auto& item : soundMuteFor) commands.insert(item.id);
    for (const auto& item : trayMuteFor) commands.insert(item.id);
    EXPECT_EQ(commands.size(), soundMuteFor.size() + trayMuteFor.size());
}

// The Sound menu's "Mute for" item of this caption: its command.
int soundMuteFor(HWND hwnd, std::wstring_view caption) {
    for (const auto& item : shownItems(submenuOf(submenuOf(GetMenu(hwnd), L"&Sound"), L"Mute &for")))
        if (item.caption == caption) return static_cast<int>(item.id);
    return 0;
}

TEST_F(Form1Test, TheStateLineSaysWhatHoldsTheSoundsBackAndQuietHoursAreTickedWhileOn) {
    app_->load();
    settle();
    const auto state = [&] { return form_->controlText(ids::kLblState); };
    const auto quietTicked = [&] {
        return form_->menuChecked(ids::kMnuQuiet) && form_->menuChecked(ids::kMnuQuiet2);
    };
    EXPECT_EQ(state(), L"");
    EXPECT_FALSE(form_->menuChecked(ids::kMnuQuiet) || form_->menuChecked(ids::kMnuQuiet2));

    // Quiet hours from a minute ago to an hour from now.
    SYSTEMTIME now;
    GetLocalTime(&now);
    const int minute = now.wHour * 60 + now.wMinute;
    QuietHours quiet;
    quiet.on = true;
    quiet.from = (minute + 1439) % 1440;
    quiet.to = (minute + 60) % 1440;
    app_->setQuietHours(quiet);
    const std::wstring quietUntil = L"Quiet until " + formatClock(quiet.to);
    EXPECT_EQ(state(), quietUntil);
    EXPECT_TRUE(quietTicked());

    // A mute for a while, from the Sound menu, says when it ends; a hand unmute ends it.
    command(soundMuteFor(hwnd_, L"&1 hour"));
    EXPECT_EQ(form_->muteValue(), 1);
    const auto end = parseStampedTime(stored(kMuteUntilSetting));
    ASSERT_TRUE(end) << test::wideToUtf8(stored(kMuteUntilSetting));
    EXPECT_EQ(state(), L"Muted until " + formatClock(end->local.hour * 60 + end->local.minute));
    SendMessageW(control(ids::kChkMute), BM_CLICK, 0, 0);
    EXPECT_EQ(state(), quietUntil);

    // Held back by nothing once the quiet hours are off.
    quiet.on = false;
    app_->setQuietHours(quiet);
    EXPECT_EQ(state(), L"");
    EXPECT_FALSE(form_->menuChecked(ids::kMnuQuiet) || form_->menuChecked(ids::kMnuQuiet2));

    // Stored on: ticked, and the line says so, from the start.
    quiet.on = true;
    app_->setQuietHours(quiet);
    restart();
    app_->load();
    EXPECT_TRUE(quietTicked());
    EXPECT_EQ(state(), quietUntil);
}

TEST_F(Form1Test, TheStateLineFitsUnderTheControlsAtEachDpi) {
    auto placeOf = [&](int id) {
        RECT rc;
        GetWindowRect(control(id), &rc);
        MapWindowPoints(nullptr, hwnd_, reinterpret_cast<POINT*>(&rc), 2);
        return rc;
    };
    for (const UINT dpi : {96u, 120u, 144u, 192u}) {
        SCOPED_TRACE(dpi);
        RECT suggested{0, 0, 900, 800};
        SendMessageW(hwnd_, WM_DPICHANGED, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(&suggested));
        const RECT line = placeOf(ids::kLblState);
        EXPECT_GE(line.top, placeOf(ids::kCmdStop).bottom);
        EXPECT_GE(line.top, placeOf(ids::kLabel3).bottom);
        EXPECT_LE(line.bottom, MulDiv(4815, static_cast<int>(dpi), 1440));  // the designed client area
        // One line of its font, whole.
        HDC dc = GetDC(control(ids::kLblState));
        const auto font = reinterpret_cast<HFONT>(SendMessageW(control(ids::kLblState), WM_GETFONT, 0, 0));
        const HGDIOBJ old = SelectObject(dc, font);
        TEXTMETRICW metrics{};
        GetTextMetricsW(dc, &metrics);
        SelectObject(dc, old);
        ReleaseDC(control(ids::kLblState), dc);
        EXPECT_LE(metrics.tmHeight, line.bottom - line.top);
    }
}

TEST_F(Form1Test, OptionsInBothMenusStartAsForANewUserAndEitherItemStoresThemAtOnce) {
    app_->load();
    settle();
    struct Case {
        int fileItem, trayItem;
        std::wstring_view key;
        bool newUser;
    } const cases[] = {
        {ids::kMnuHoldBusy, ids::kMnuHoldBusy2, kHoldBusySetting, true},
        {ids::kMnuNoRepeat, ids::kMnuNoRepeat2, kNoRepeatSetting, false},
        {ids::kMnuLevel, ids::kMnuLevel2, kLevelSetting, true},
        {ids::kMnuSoftStart, ids::kMnuSoftStart2, kSoftStartSetting, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.fileItem);
        EXPECT_EQ(form_->menuChecked(c.fileItem), c.newUser);
        EXPECT_EQ(form_->menuChecked(c.trayItem), c.newUser);
        command(c.trayItem);
        EXPECT_EQ(form_->menuChecked(c.fileItem), !c.newUser);
        EXPECT_EQ(form_->menuChecked(c.trayItem), !c.newUser);
        EXPECT_EQ(stored(c.key), c.newUser ? L"False" : L"True");
        command(c.fileItem);
        EXPECT_EQ(form_->menuChecked(c.trayItem), c.newUser);
        EXPECT_EQ(stored(c.key), c.newUser ? L"True" : L"False");
    }
}

TEST_F(Form1Test, MuteForChecksBothMuteControlsStoresItsEndAndAUserMuteCancelsIt) {
    app_->load();
    settle();
    for (const bool byTheBox : {true, false}) {
        const LocalTime before = [] {
            SYSTEMTIME now;
            GetLocalTime(&now);
            return LocalTime{now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond};
        }();
        command(ids::kMnuMuteFor60);
        EXPECT_EQ(form_->muteValue(), 1);
        EXPECT_TRUE(form_->menuChecked(ids::kMnuMute));
        const auto stamp = parseStampedTime(stored(kMuteUntilSetting));
        ASSERT_TRUE(stamp && stamp->utcOffsetMinutes) << stored(kMuteUntilSetting);
        const LocalTime* end = &stamp->local;
        const auto ahead = localSeconds(*end) - localSeconds(before);
        EXPECT_GE(ahead, 3600);
        EXPECT_LE(ahead, 3600 + 120);
        EXPECT_EQ(tip_.rfind(L"Muted until " + formatClock(end->hour * 60 + end->minute) + L". ", 0), 0u)
            << tip_;

        // The user unmutes by hand.
        if (byTheBox)
            SendMessageW(control(ids::kChkMute), BM_CLICK, 0, 0);
        else
            command(ids::kMnuMute);
        EXPECT_EQ(form_->muteValue(), 0);
        EXPECT_EQ(stored(kMuteUntilSetting), L"");
        EXPECT_EQ(tip_.rfind(L"Muted until", 0), std::wstring::npos);
    }
}

TEST_F(Form1Test, AMuteForSurvivesARestartAndOneThatEndedMeanwhileUnmutes) {
    store(kMuteSetting, L"1");
    store(kMuteUntilSetting, L"2099-01-01 08:00");  // too far ahead to be real: over
    restart();
    app_->load();
    settle();
    EXPECT_EQ(form_->muteValue(), 0);
    EXPECT_EQ(stored(kMuteUntilSetting), L"");

    SYSTEMTIME now;
    GetLocalTime(&now);
    const LocalTime inAnHour = localTimeAt(
        localSeconds(LocalTime{now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute, 0}) + 3600);
    store(kMuteSetting, L"0");
    store(kMuteUntilSetting, formatStamp(inAnHour));
    restart();
    app_->load();
    settle();
    EXPECT_EQ(form_->muteValue(), 1);
    EXPECT_TRUE(form_->menuChecked(ids::kMnuMute));
    EXPECT_EQ(stored(kMuteUntilSetting), formatStamp(inAnHour));
}

int pickerMinutes(HWND picker) {
    SYSTEMTIME time{};
    return DateTime_GetSystemtime(picker, &time) == GDT_VALID ? time.wHour * 60 + time.wMinute : -1;
}

class QuietDialogTest : public Form1Test {
protected:
    void SetUp() override {
        Form1Test::SetUp();
        store(kQuietSetting, L"True");
        store(kQuietFromSetting, L"23:00");
        store(kQuietToSetting, L"06:15");
        store(kQuietDaysSetting, L"1111100");  // Monday to Friday
        restart();
        app_->load();
        settle();
    }
    // Opens the dialog from the tray menu and runs probe on it from another thread.
    bool whileOpen(const std::function<void(HWND)>& probe) {
        return whileShown(QuietDialog::kClassName, [&](HWND) { command(ids::kMnuQuiet2); }, probe);
    }
    static HWND item(HWND dialog, int id) { return GetDlgItem(dialog, id); }
    // The day boxes by the names on them.
    static std::map<std::wstring, HWND> dayBoxes(HWND dialog) {
        std::map<std::wstring, HWND> boxes;
        for (int box = 0; box < QuietDialog::kDays; ++box) {
            HWND day = item(dialog, QuietDialog::idFirstDay + box);
            boxes[windowText(day)] = day;
        }
        return boxes;
    }
};

TEST_F(QuietDialogTest, ShowsTheStoredHoursAndEscapeLeavesThem) {
    std::map<std::wstring, bool> days;
    int from = -1, to = -1;
    bool on = false;
    ASSERT_TRUE(whileOpen([&](HWND dialog) {
        on = Button_GetCheck(item(dialog, QuietDialog::idOn)) == BST_CHECKED;
        from = pickerMinutes(item(dialog, QuietDialog::idFrom));
        to = pickerMinutes(item(dialog, QuietDialog::idTo));
        for (const auto& [name, box] : dayBoxes(dialog)) days[name] = Button_GetCheck(box) == BST_CHECKED;
        Button_SetCheck(item(dialog, QuietDialog::idOn), BST_UNCHECKED);
        PostMessageW(item(dialog, QuietDialog::idOn), WM_KEYDOWN, VK_ESCAPE, 0);
    }));
    EXPECT_TRUE(on);
    EXPECT_EQ(from, 23 * 60);
    EXPECT_EQ(to, 6 * 60 + 15);
    EXPECT_EQ(days, (std::map<std::wstring, bool>{{L"Mon", true},
                                                  {L"Tue", true},
                                                  {L"Wed", true},
                                                  {L"Thu", true},
                                                  {L"Fri", true},
                                                  {L"Sat", false},
                                                  {L"Sun", false}}));
    EXPECT_FALSE(FindWindowW(QuietDialog::kClassName, nullptr));
    EXPECT_EQ(stored(kQuietSetting), L"True");
}

TEST_F(QuietDialogTest, EnterStoresWhatWasSetAtOnce) {
    ASSERT_TRUE(whileOpen([&](HWND dialog) {
        HWND from = item(dialog, QuietDialog::idFrom);
        SYSTEMTIME time{};
        DateTime_GetSystemtime(from, &time);
        time.wHour = 21;
        time.wMinute = 45;
        DateTime_SetSystemtime(from, GDT_VALID, &time);
        Button_SetCheck(dayBoxes(dialog)[L"Sat"], BST_CHECKED);
        PostMessageW(item(dialog, QuietDialog::idOn), WM_KEYDOWN, VK_RETURN, 0);
    }));
    EXPECT_FALSE(FindWindowW(QuietDialog::kClassName, nullptr));
    EXPECT_EQ(stored(kQuietSetting), L"True");
    EXPECT_EQ(stored(kQuietFromSetting), L"21:45");
    EXPECT_EQ(stored(kQuietToSetting), L"06:15");
    EXPECT_EQ(stored(kQuietDaysSetting), L"1111110");
}

// Alt and a letter as the keyboard sends them: the key goes to the control with the focus.
void pressAlt(HWND focus, wchar_t letter) {
    const LPARAM altDown = LPARAM{1} << 29;
    PostMessageW(focus, WM_SYSKEYDOWN, letter, altDown | 1);
    PostMessageW(focus, WM_SYSKEYUP, letter, altDown | (LPARAM{3} << 30) | 1);
}

HWND focusOf(DWORD thread) {
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    return GetGUIThreadInfo(thread, &info) ? info.hwndFocus : nullptr;
}

TEST_F(QuietDialogTest, EveryAccessKeyMovesToItsControlAsInASystemDialog) {
    const DWORD thread = GetCurrentThreadId();
    struct Press {
        wchar_t letter;
        int focus;  // where the focus is then
        bool on;    // the quiet hours box
    };
    const Press presses[] = {
        {L'F', QuietDialog::idFrom, true},
        {L'T', QuietDialog::idTo, true},
        {L'Q', QuietDialog::idOn, false},  // a check box's key clicks it
        {L'F', QuietDialog::idOn, false},  // the range is off: nothing to go to
        {L'Q', QuietDialog::idOn, true},
        {L'T', QuietDialog::idTo, true},
    };
    std::vector<int> focus;
    std::vector<bool> on;
    ASSERT_TRUE(whileOpen([&](HWND dialog) {
        for (const auto& press : presses) {
            HWND before = focusOf(thread);
            pressAlt(before ? before : dialog, press.letter);
            // Until the focus has moved where it should, or a moment for a key that moves nothing.
            test::waitFor([&] { return focusOf(thread) == item(dialog, press.focus); }, std::chrono::milliseconds(1000));
            Sleep(100);
            focus.push_back(GetDlgCtrlID(focusOf(thread)));
            on.push_back(Button_GetCheck(item(dialog, QuietDialog::idOn)) == BST_CHECKED);
        }
        PostMessageW(focusOf(thread), WM_KEYDOWN, VK_ESCAPE, 0);
    }));
    ASSERT_EQ(focus.size(), std::size(presses));
    for (std::size_t i = 0; i < focus.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(focus[i], presses[i].focus);
        EXPECT_EQ(on[i], presses[i].on);
    }
    EXPECT_FALSE(FindWindowW(QuietDialog::kClassName, nullptr));
}

TEST_F(Form1Test, QuietHoursDialogIsLaidOutInTwipsAtTheWindowDpi) {
    app_->load();
    settle();
    ASSERT_TRUE(whileShown(QuietDialog::kClassName, [&](HWND) { command(ids::kMnuQuiet); }, [&](HWND dialog) {
        const UINT dpi = GetDpiForWindow(dialog);
        RECT client, ok;
        GetClientRect(dialog, &client);
        GetWindowRect(GetDlgItem(dialog, IDOK), &ok);
        MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&ok), 2);
        EXPECT_EQ(client.right, MulDiv(5520, static_cast<int>(dpi), 1440));
        EXPECT_EQ(ok.left, MulDiv(2760, static_cast<int>(dpi), 1440));
        EXPECT_EQ(ok.bottom - ok.top, MulDiv(375, static_cast<int>(dpi), 1440));
        PostMessageW(dialog, WM_CLOSE, 0, 0);
    }));
}

}  // namespace
}  // namespace zt
