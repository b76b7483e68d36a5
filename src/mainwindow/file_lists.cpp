#include "mainwindow/file_lists.h"

#include <commctrl.h>
#include <shellapi.h>
#include <windowsx.h>

#include <algorithm>

#include "common/text.h"
#include "common/winutil.h"

namespace zt {

namespace {

// Row heights at 96 DPI: the folder rows hold a small icon.
constexpr int kFolderRowHeight = 18;
constexpr int kFileRowHeight = 16;

int scaled(int pixels, UINT dpi) { return MulDiv(pixels, static_cast<int>(dpi), USER_DEFAULT_SCREEN_DPI); }

void paintRowBackground(const DRAWITEMSTRUCT& dis) {
    FillRect(dis.hDC, &dis.rcItem, GetSysColorBrush(dis.itemState & ODS_SELECTED ? COLOR_HIGHLIGHT : COLOR_WINDOW));
}

// The row's text from left on, ending in an ellipsis where it does not fit, and the focus.
void paintRowText(const DRAWITEMSTRUCT& dis, const std::wstring& text, int left, bool grey = false) {
    SetBkMode(dis.hDC, TRANSPARENT);
    SetTextColor(dis.hDC, GetSysColor(grey                              ? COLOR_GRAYTEXT
                                      : dis.itemState & ODS_SELECTED ? COLOR_HIGHLIGHTTEXT
                                                                     : COLOR_WINDOWTEXT));
    RECT rc = dis.rcItem;
    rc.left = left;
    DrawTextW(dis.hDC, text.c_str(), static_cast<int>(text.size()), &rc,
              DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS);
    if (dis.itemState & ODS_FOCUS) DrawFocusRect(dis.hDC, &dis.rcItem);
}

}  // namespace

// Path tip ------------------------------------------------------------------------------

namespace {
constexpr UINT_PTR kTipPopTimer = 0x5A71;  // on the list; the list box's own timers are small numbers
// The widest a tip's line gets at 96 DPI: about sixty characters, a comfortable line to read.
constexpr int kTipWidth = 400;
}

TTTOOLINFOW PathTip::tool() {
    TTTOOLINFOW tool{};
    tool.cbSize = sizeof tool;
    tool.uFlags = TTF_IDISHWND | TTF_TRACK | TTF_ABSOLUTE;
    tool.hwnd = GetParent(list_);
    tool.uId = reinterpret_cast<UINT_PTR>(list_);
    tool.lpszText = text_.data();
    return tool;
}

void PathTip::attach(HWND list, PathAt pathAt) {
    list_ = list;
    pathAt_ = std::move(pathAt);
    SetWindowSubclass(list, listProc, 1, reinterpret_cast<DWORD_PTR>(this));
}

// Made when the pointer first comes onto the list, not with the window: most starts never
// need it.
bool PathTip::made() {
    if (tip_) return true;
    tip_ = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_NOPREFIX | TTS_ALWAYSTIP,
                           CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, list_, nullptr, nullptr,
                           nullptr);
    if (!tip_) return false;
    // The whole list is one tool, shown and placed from here.
    TTTOOLINFOW added = tool();
    SendMessageW(tip_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&added));
    return true;
}

void PathTip::follow(LPARAM at) {
    const auto hit = static_cast<DWORD>(SendMessageW(list_, LB_ITEMFROMPOINT, 0, at));
    const bool onRow = HIWORD(hit) == 0 && static_cast<int>(LOWORD(hit)) < ListBox_GetCount(list_);
    std::wstring path = pathAt_(onRow ? static_cast<int>(LOWORD(hit)) : -1);
    if (path == path_) return;
    path_ = std::move(path);
    text_ = wrapped(path_);
    TTTOOLINFOW updated = tool();
    SendMessageW(tip_, TTM_UPDATETIPTEXTW, 0, reinterpret_cast<LPARAM>(&updated));
}

// The path in lines of a readable width in the tip's font at the list's DPI, broken between
// its folders: the tip would otherwise break a long path only at its spaces, if at all.
std::wstring PathTip::wrapped(const std::wstring& path) const {
    const int width = scaled(kTipWidth, GetDpiForWindow(list_));
    SendMessageW(tip_, TTM_SETMAXTIPWIDTH, 0, width);
    const WindowDC dc(tip_);
    const HGDIOBJ was = SelectObject(dc.get(), reinterpret_cast<HGDIOBJ>(SendMessageW(tip_, WM_GETFONT, 0, 0)));
    std::wstring text = wrapPath(path, width, [&dc](std::wstring_view line) {
        SIZE size{};
        GetTextExtentPoint32W(dc.get(), line.data(), static_cast<int>(line.size()), &size);
        return static_cast<int>(size.cx);
    });
    SelectObject(dc.get(), was);
    return text;
}

void PathTip::moved(LPARAM at) {
    if (!made()) return;
    follow(at);
    // A move to where the pointer already was comes from a change of the windows under it.
    if (at_ == at) return;
    at_ = at;
    if (shown_) {
        place();
        keepShowing();
        return;
    }
    // Told once the pointer rests here (the tip shows) or leaves.
    const auto rest = static_cast<DWORD>(SendMessageW(tip_, TTM_GETDELAYTIME, TTDT_INITIAL, 0));
    TRACKMOUSEEVENT track{sizeof track, TME_HOVER | TME_LEAVE, list_, rest};
    TrackMouseEvent(&track);
}

// Just below the pointer, where tips sit.
void PathTip::place() {
    if (!at_) return;
    POINT pt{GET_X_LPARAM(*at_), GET_Y_LPARAM(*at_)};
    ClientToScreen(list_, &pt);
    pt.y += GetSystemMetrics(SM_CYCURSOR) * 2 / 3;
    SendMessageW(tip_, TTM_TRACKPOSITION, 0, MAKELPARAM(pt.x, pt.y));
}

void PathTip::show() {
    if (shown_ || text_.empty()) return;
    place();
    TTTOOLINFOW shown = tool();
    SendMessageW(tip_, TTM_TRACKACTIVATE, TRUE, reinterpret_cast<LPARAM>(&shown));
    shown_ = true;
    keepShowing();
}

// The tip's usual showing time, from now.
void PathTip::keepShowing() {
    const auto stay = static_cast<UINT>(SendMessageW(tip_, TTM_GETDELAYTIME, TTDT_AUTOPOP, 0));
    SetTimer(list_, kTipPopTimer, stay, nullptr);
}

void PathTip::hide() {
    KillTimer(list_, kTipPopTimer);
    if (shown_) {
        TTTOOLINFOW hidden = tool();
        SendMessageW(tip_, TTM_TRACKACTIVATE, FALSE, reinterpret_cast<LPARAM>(&hidden));
        shown_ = false;
    }
    // Nothing more to be told until the pointer moves on the list again.
    TRACKMOUSEEVENT cancel{sizeof cancel, TME_CANCEL | TME_HOVER | TME_LEAVE, list_, 0};
    TrackMouseEvent(&cancel);
}

LRESULT CALLBACK PathTip::listProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR self) {
    auto* tip = reinterpret_cast<PathTip*>(self);
    switch (msg) {
    case WM_MOUSEMOVE: tip->moved(lParam); break;
    case WM_MOUSEHOVER: tip->show(); break;
    case WM_MOUSELEAVE:
        tip->at_.reset();
        tip->hide();
        break;
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MOUSEWHEEL: tip->hide(); break;
    case WM_TIMER:
        if (wParam != kTipPopTimer) break;
        tip->hide();
        return 0;
    default: break;
    }
    return DefSubclassProc(hwnd, msg, wParam, lParam);
}

// Drive list ----------------------------------------------------------------------------

namespace {
// On the drive list: its labels are due. A timer's message comes after every other message
// and paint, so the window is up and showing its values first.
constexpr UINT_PTR kLabelsTimer = 0x5A72;
}

void DriveList::create(HWND parent, int id, const RECT& at, const std::wstring& folder) {
    hwnd_ = CreateWindowExW(0, WC_COMBOBOXW, L"",
                            WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST,
                            at.left, at.top, at.right - at.left, at.bottom - at.top, parent,
                            reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                            nullptr, nullptr);
    SetWindowSubclass(hwnd_, comboProc, 0, reinterpret_cast<DWORD_PTR>(this));
    reload();
    if (!selectDriveOf(folder)) selectDriveOf(currentFolder());
}

std::wstring DriveList::drive() const {
    const auto index = ComboBox_GetCurSel(hwnd_);
    if (index < 0 || static_cast<std::size_t>(index) >= drives_.size()) return {};
    return drives_[static_cast<std::size_t>(index)];
}

bool DriveList::selectDriveOf(const std::wstring& path) {
    if (path.size() < 2 || path[1] != L':') return false;
    const std::wstring want = normalizeFolder(path.substr(0, 2)).substr(0, 2);
    for (std::size_t i = 0; i < drives_.size(); ++i) {
        if (equalsNoCase(drives_[i], want)) {
            ComboBox_SetCurSel(hwnd_, static_cast<int>(i));
            return true;
        }
    }
    return false;
}

void DriveList::reload() {
    const std::wstring selected = drive();
    drives_.clear();
    ComboBox_ResetContent(hwnd_);
    const DWORD mask = GetLogicalDrives();
    for (int i = 0; i < 26; ++i) {
        if (!(mask & (1u << i))) continue;
        drives_.push_back({static_cast<wchar_t>(L'A' + i), L':'});
        ComboBox_AddString(hwnd_, drives_.back().c_str());
    }
    if (!selected.empty()) selectDriveOf(selected);
    SetTimer(hwnd_, kLabelsTimer, USER_TIMER_MINIMUM, nullptr);
}

void DriveList::showLabels() {
    const int selected = ComboBox_GetCurSel(hwnd_);
    for (std::size_t i = 0; i < drives_.size(); ++i) {
        // Only fixed drives are asked: a removable one may be slow or empty.
        const std::wstring root = drives_[i] + L"\\";
        if (GetDriveTypeW(root.c_str()) != DRIVE_FIXED) continue;
        wchar_t label[MAX_PATH + 1] = {};
        if (!GetVolumeInformationW(root.c_str(), label, MAX_PATH + 1, nullptr, nullptr, nullptr, nullptr, 0) ||
            !label[0])
            continue;
        const auto index = static_cast<int>(i);
        ComboBox_DeleteString(hwnd_, index);
        ComboBox_InsertString(hwnd_, index, (drives_[i] + L"  [" + label + L"]").c_str());
    }
    ComboBox_SetCurSel(hwnd_, selected);
}

LRESULT CALLBACK DriveList::comboProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR self) {
    if (msg == WM_TIMER && wParam == kLabelsTimer) {
        KillTimer(hwnd, kLabelsTimer);
        reinterpret_cast<DriveList*>(self)->showLabels();
        return 0;
    }
    return DefSubclassProc(hwnd, msg, wParam, lParam);
}

// Folder list ---------------------------------------------------------------------------

void DirList::create(HWND parent, int id, const RECT& at) {
    hwnd_ = CreateWindowExW(WS_EX_CLIENTEDGE, WC_LISTBOXW, L"",
                            WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_VSCROLL | LBS_NOTIFY |
                                LBS_OWNERDRAWFIXED | LBS_HASSTRINGS | LBS_NOINTEGRALHEIGHT,
                            at.left, at.top, at.right - at.left, at.bottom - at.top, parent,
                            reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                            nullptr, nullptr);
    tip_.attach(hwnd_, [this](int row) {
        return row >= 0 && static_cast<std::size_t>(row) < rows_.size() ? rows_[static_cast<std::size_t>(row)].path
                                                                          : path_;
    });
}

void DirList::show(const std::wstring& folder, std::vector<std::wstring> subfolders) {
    path_ = normalizeFolder(folder);
    rows_ = folderRows(path_, std::move(subfolders));
    deepest_ = 0;
    for (const auto& row : rows_) deepest_ = std::max(deepest_, row.level);

    SendMessageW(hwnd_, WM_SETREDRAW, FALSE, 0);
    ListBox_ResetContent(hwnd_);
    int currentRow = 0;
    for (std::size_t i = 0; i < rows_.size(); ++i) {
        ListBox_AddString(hwnd_, rows_[i].name.c_str());
        if (rows_[i].open) currentRow = static_cast<int>(i);
    }
    ListBox_SetCurSel(hwnd_, currentRow);
    SendMessageW(hwnd_, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(hwnd_, nullptr, TRUE);
}

std::wstring DirList::selectedPath() const {
    const int index = ListBox_GetCurSel(hwnd_);
    if (index < 0 || static_cast<std::size_t>(index) >= rows_.size()) return {};
    return rows_[static_cast<std::size_t>(index)].path;
}

void DirList::measureItem(MEASUREITEMSTRUCT& mis, UINT dpi) const {
    mis.itemHeight = static_cast<UINT>(scaled(kFolderRowHeight, dpi));
}

void DirList::dpiChanged(UINT dpi) {
    ListBox_SetItemHeight(hwnd_, 0, scaled(kFolderRowHeight, dpi));
    iconDpi_ = 0;  // fetch the icons again at the new size
}

void DirList::drawItem(const DRAWITEMSTRUCT& dis, UINT dpi) {
    if (dis.itemID == static_cast<UINT>(-1) || dis.itemID >= rows_.size()) return;
    const FolderRow& row = rows_[dis.itemID];
    const int iconSize = GetSystemMetricsForDpi(SM_CXSMICON, dpi);
    if (iconDpi_ != dpi) {
        // The shell's folder icons (closed 4, open 5) straight from its resources: asking
        // SHGetFileInfo would build the whole system image list first, which is slow.
        HMODULE shell = GetModuleHandleW(L"shell32.dll");
        for (auto [id, icon] : {std::pair{4, &folderIcon_}, std::pair{5, &openIcon_}})
            icon->reset(shell ? static_cast<HICON>(LoadImageW(shell, MAKEINTRESOURCEW(id), IMAGE_ICON, iconSize,
                                                              iconSize, LR_DEFAULTCOLOR))
                              : nullptr);
        iconDpi_ = dpi;
    }

    paintRowBackground(dis);
    const int indent = levelIndent(scaled(10, dpi), deepest_, dis.rcItem.right - dis.rcItem.left);
    int x = dis.rcItem.left + scaled(2, dpi) + row.level * indent;
    const int height = dis.rcItem.bottom - dis.rcItem.top;
    if (HICON icon = (row.open ? openIcon_ : folderIcon_).get())
        DrawIconEx(dis.hDC, x, dis.rcItem.top + (height - iconSize) / 2, icon, iconSize, iconSize, 0, nullptr,
                   DI_NORMAL);
    paintRowText(dis, row.name, x + iconSize + scaled(4, dpi));
}

// File list -----------------------------------------------------------------------------

namespace {
// On the file list: the next slice of rows is due. A timer comes after input and paint, so
// the window goes on answering the user while a large folder's rows go in.
constexpr UINT_PTR kFillTimer = 0x5A73;
// How long one slice may hold the window, and how many rows go in between looks at the clock.
constexpr ULONGLONG kSliceMs = 15;
constexpr int kRowsPerLook = 100;
// Up to this many changed rows (a pick's re-read, the usual case) are changed in place at
// once; more, and the list is filled afresh. Each row removed from the middle moves every
// row after it.
constexpr std::size_t kEditsInPlace = 500;
}  // namespace

void FileList::create(HWND parent, int id, const RECT& at) {
    hwnd_ = CreateWindowExW(WS_EX_CLIENTEDGE, WC_LISTBOXW, L"",
                            WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_VSCROLL | LBS_NOTIFY | LBS_OWNERDRAWFIXED |
                                LBS_HASSTRINGS | LBS_NOINTEGRALHEIGHT,
                            at.left, at.top, at.right - at.left, at.bottom - at.top, parent,
                            reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                            nullptr, nullptr);
    SetWindowSubclass(hwnd_, listProc, 0, reinterpret_cast<DWORD_PTR>(this));
    tip_.attach(hwnd_, [this](int row) { return row < 0 ? path_ : addSlash(path_) + rowText(row); });
}

void FileList::setReading(bool reading) {
    if (reading == reading_) return;
    reading_ = reading;
    InvalidateRect(hwnd_, nullptr, TRUE);
}

void FileList::show(const std::wstring& folder, std::vector<std::wstring> sounds) {
    path_ = normalizeFolder(folder);
    if (filling_) {
        // Still going in: the rows in stand as far as the new listing agrees with them, and
        // the fill goes on from there. Starting again from the first row would never end
        // while picks re-read a large folder faster than a loaded machine fills it in.
        const auto agreeing = std::mismatch(entries_.begin(), entries_.end(), sounds.begin(), sounds.end()).first;
        filled_ = std::min(filled_, static_cast<std::size_t>(agreeing - entries_.begin()));
        entries_ = std::move(sounds);
        return;
    }
    const std::vector<ListEdit> edits = listEdits(entries_, sounds);
    if (edits.size() <= kEditsInPlace) {
        entries_ = std::move(sounds);
        if (edits.empty()) return;
        SendMessageW(hwnd_, WM_SETREDRAW, FALSE, 0);
        for (const ListEdit& edit : edits) {
            if (edit.insert)
                ListBox_InsertString(hwnd_, edit.index, edit.name.c_str());
            else
                ListBox_DeleteString(hwnd_, edit.index);
        }
        SendMessageW(hwnd_, WM_SETREDRAW, TRUE, 0);
        InvalidateRect(hwnd_, nullptr, TRUE);
        return;
    }
    keepSelected_ = entry(selectedIndex());
    entries_ = std::move(sounds);
    filling_ = true;
    filled_ = 0;
    SendMessageW(hwnd_, WM_SETREDRAW, FALSE, 0);
    fill();
}

// One slice: the rows after those filled in out from the end (where no row after them has
// to move), then the new ones in; the next slice from the timer.
void FileList::fill() {
    const ULONGLONG until = GetTickCount64() + kSliceMs;
    const int keep = static_cast<int>(filled_);
    int rows = ListBox_GetCount(hwnd_);
    while (rows > keep && GetTickCount64() < until)
        for (int i = 0; i < kRowsPerLook && rows > keep; ++i) ListBox_DeleteString(hwnd_, --rows);
    if (rows == 0 && filled_ == 0) {
        std::size_t bytes = 0;
        for (const auto& name : entries_) bytes += (name.size() + 1) * sizeof(wchar_t);
        SendMessageW(hwnd_, LB_INITSTORAGE, entries_.size(), static_cast<LPARAM>(bytes));  // one allocation
    }
    while (rows == keep && filled_ < entries_.size() && GetTickCount64() < until) {
        for (int i = 0; i < kRowsPerLook && filled_ < entries_.size(); ++i, ++filled_) {
            ListBox_AddString(hwnd_, entries_[filled_].c_str());
            if (entries_[filled_] == keepSelected_) ListBox_SetCurSel(hwnd_, static_cast<int>(filled_));
        }
    }
    if (rows > keep || filled_ < entries_.size()) {
        SetTimer(hwnd_, kFillTimer, USER_TIMER_MINIMUM, nullptr);
        return;
    }
    KillTimer(hwnd_, kFillTimer);
    filling_ = false;
    keepSelected_.clear();
    SendMessageW(hwnd_, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(hwnd_, nullptr, TRUE);
}

std::wstring FileList::entry(int index) const {
    if (index < 0 || index >= count()) return {};
    return entries_[static_cast<std::size_t>(index)];
}

int FileList::selectedIndex() const { return filling_ ? -1 : ListBox_GetCurSel(hwnd_); }

// What the row shows, which is not yet entry(row) while the rows go in.
std::wstring FileList::rowText(int row) const {
    const int length = ListBox_GetTextLen(hwnd_, row);
    if (length <= 0) return {};
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    text.resize(static_cast<std::size_t>(std::max(ListBox_GetText(hwnd_, row, text.data()), 0)));
    return text;
}

void FileList::measureItem(MEASUREITEMSTRUCT& mis, UINT dpi) const {
    mis.itemHeight = static_cast<UINT>(scaled(kFileRowHeight, dpi));
}

void FileList::dpiChanged(UINT dpi) { ListBox_SetItemHeight(hwnd_, 0, scaled(kFileRowHeight, dpi)); }

void FileList::drawItem(const DRAWITEMSTRUCT& dis, UINT dpi) const {
    if (dis.itemID == static_cast<UINT>(-1)) return;
    paintRowBackground(dis);
    paintRowText(dis, rowText(static_cast<int>(dis.itemID)), dis.rcItem.left + scaled(2, dpi),
                 reading_ && !(dis.itemState & ODS_SELECTED));
}

// An empty list says why it is empty, so nobody waits for a sound that cannot come.
LRESULT CALLBACK FileList::listProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR self) {
    auto* list = reinterpret_cast<FileList*>(self);
    if (msg == WM_TIMER && wParam == kFillTimer) {
        list->fill();
        return 0;
    }
    const LRESULT result = DefSubclassProc(hwnd, msg, wParam, lParam);
    if (msg == WM_PAINT && !list->filling_ && ListBox_GetCount(hwnd) == 0) {
        const WindowDC windowDc(hwnd);
        const HDC dc = windowDc.get();
        RECT rc;
        GetClientRect(hwnd, &rc);
        InflateRect(&rc, -4, -4);
        HGDIOBJ oldFont = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(hwnd, WM_GETFONT, 0, 0)));
        SetBkMode(dc, TRANSPARENT);
        SetTextColor(dc, GetSysColor(COLOR_GRAYTEXT));
        const wchar_t* text = list->reading_ ? L"Reading the folder..." : L"No WAV or MP3 files in this folder.";
        DrawTextW(dc, text, -1, &rc, DT_WORDBREAK | DT_NOPREFIX);
        SelectObject(dc, oldFont);
    }
    return result;
}

}  // namespace zt
