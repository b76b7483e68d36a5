#include "mainwindow/history_window.h"

#include <commctrl.h>

#include <cstring>

#include "resource.h"

namespace zt {

namespace {

constexpr DWORD kStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
// A taskbar button of its own: it stays open beside a main window that may be in the tray.
constexpr DWORD kExStyle = WS_EX_CONTROLPARENT | WS_EX_APPWINDOW;

// The client area and the controls, in twips.
constexpr int kClientWidthTwips = 10800;
constexpr int kClientHeightTwips = 5520;
constexpr Placement kPlacements[] = {
    {HistoryWindow::idListLabel, 240, 180, 10320, 255},
    {HistoryWindow::idList, 240, 480, 10320, 4260},
    {HistoryWindow::idCopy, 8040, 4920, 1200, 375},
    {HistoryWindow::idClose, 9360, 4920, 1200, 375},
};

struct Column {
    const wchar_t* title;
    int widthTwips;  // the last one takes what the others leave
};
constexpr Column kColumns[] = {{L"Time", 2700}, {L"File", 3000}, {L"What happened", 0}};

SYSTEMTIME systemTimeOf(const LocalTime& t) {
    SYSTEMTIME st{};
    st.wYear = static_cast<WORD>(t.year);
    st.wMonth = static_cast<WORD>(t.month);
    st.wDayOfWeek = static_cast<WORD>(t.weekday);
    st.wDay = static_cast<WORD>(t.day);
    st.wHour = static_cast<WORD>(t.hour);
    st.wMinute = static_cast<WORD>(t.minute);
    st.wSecond = static_cast<WORD>(t.second);
    return st;
}

bool setClipboardText(HWND owner, const std::wstring& text) {
    const std::size_t bytes = (text.size() + 1) * sizeof(wchar_t);
    ScopedGlobal memory(GlobalAlloc(GMEM_MOVEABLE, bytes));
    if (!memory) return false;
    void* at = GlobalLock(memory.get());
    if (!at) return false;
    std::memcpy(at, text.c_str(), bytes);
    GlobalUnlock(memory.get());
    if (!OpenClipboard(owner)) return false;
    EmptyClipboard();
    const bool taken = SetClipboardData(CF_UNICODETEXT, memory.get()) != nullptr;
    if (taken) memory.release();  // the clipboard's now
    CloseClipboard();
    return taken;
}

}  // namespace

std::wstring localeTimeText(const LocalTime& time) {
    const SYSTEMTIME st = systemTimeOf(time);
    wchar_t date[80] = {}, clock[80] = {};
    if (!GetDateFormatEx(LOCALE_NAME_USER_DEFAULT, DATE_SHORTDATE, &st, nullptr, date, 80, nullptr) ||
        !GetTimeFormatEx(LOCALE_NAME_USER_DEFAULT, 0, &st, nullptr, clock, 80))
        return formatStamp(time);
    return std::wstring(date) + L' ' + clock;
}

void HistoryWindow::open(HWND owner) {
    if (hwnd()) {
        if (IsIconic(hwnd())) ShowWindow(hwnd(), SW_RESTORE);
        ShowWindow(hwnd(), SW_SHOW);
        SetForegroundWindow(hwnd());
        return;
    }
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_LISTVIEW_CLASSES};
    InitCommonControlsEx(&controls);
    WindowSpec spec{kClassName};
    spec.title = kTitle;
    spec.style = kStyle;
    spec.exStyle = kExStyle;
    spec.clientWidthTwips = kClientWidthTwips;
    spec.clientHeightTwips = kClientHeightTwips;
    spec.icon = static_cast<HICON>(LoadImageW(instance_, MAKEINTRESOURCEW(IDI_APP), IMAGE_ICON, 32, 32, LR_SHARED));
    spec.smallIcon = static_cast<HICON>(LoadImageW(instance_, MAKEINTRESOURCEW(IDI_APP), IMAGE_ICON,
                                                   GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON),
                                                   LR_SHARED));
    spec.dialogKeys = true;
    ACCEL keys[] = {{FCONTROL | FVIRTKEY, 'C', idCopy}};
    if (!accelerators_) accelerators_.reset(CreateAcceleratorTableW(keys, static_cast<int>(std::size(keys))));
    spec.accelerators = accelerators_.get();
    if (!createWindow(instance_, spec, owner)) return;
    // Onto the owner's monitor first (its DPI follows), then centred there.
    RECT ownerRect;
    if (owner && GetWindowRect(owner, &ownerRect))
        SetWindowPos(hwnd(), nullptr, ownerRect.left, ownerRect.top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    centreOnMonitor();
    fill();
    ShowWindow(hwnd(), SW_SHOWNORMAL);
    SetForegroundWindow(hwnd());
}

void HistoryWindow::createControls() {
    auto make = [this](DWORD exStyle, const wchar_t* cls, const wchar_t* text, DWORD style, int id) {
        const RECT at = placedRect(id);
        return CreateWindowExW(exStyle, cls, text, WS_CHILD | WS_VISIBLE | style, at.left, at.top,
                               at.right - at.left, at.bottom - at.top, hwnd(),
                               reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance_, nullptr);
    };
    // The label just before the list: it names the list, and its access key reaches it.
    make(0, WC_STATICW, L"&What happened since the program started, newest first:", SS_LEFT, idListLabel);
    HWND list = make(WS_EX_CLIENTEDGE, WC_LISTVIEWW, L"", WS_TABSTOP | LVS_REPORT | LVS_SHOWSELALWAYS, idList);
    ListView_SetExtendedListViewStyle(list, LVS_EX_FULLROWSELECT | LVS_EX_LABELTIP);
    for (int i = 0; i < static_cast<int>(std::size(kColumns)); ++i) {
        LVCOLUMNW column{};
        column.mask = LVCF_TEXT | LVCF_SUBITEM;
        column.pszText = const_cast<wchar_t*>(kColumns[i].title);
        column.iSubItem = i;
        ListView_InsertColumn(list, i, &column);
    }
    make(0, WC_BUTTONW, L"&Copy", WS_TABSTOP | BS_PUSHBUTTON, idCopy);
    make(0, WC_BUTTONW, L"C&lose", WS_TABSTOP | BS_PUSHBUTTON, idClose);
}

std::span<const Placement> HistoryWindow::placements() const { return kPlacements; }

void HistoryWindow::dpiChanged() {
    HWND list = item(idList);
    if (!list) return;
    const RECT at = placedRect(idList);
    int left = at.right - at.left - GetSystemMetricsForDpi(SM_CXVSCROLL, dpi()) - 2 * twips(60);
    for (int i = 0; i < static_cast<int>(std::size(kColumns)); ++i) {
        const int width = kColumns[i].widthTwips ? twips(kColumns[i].widthTwips) : left;
        ListView_SetColumnWidth(list, i, width);
        left -= width;
    }
}

void HistoryWindow::insertRow(int row, const HistoryEntry& entry) {
    HWND list = item(idList);
    std::wstring time = localeTimeText(entry.time);
    LVITEMW first{};
    first.mask = LVIF_TEXT;
    first.iItem = row;
    first.pszText = time.data();
    const int at = ListView_InsertItem(list, &first);
    if (at < 0) return;
    std::wstring file = entry.file;
    std::wstring words = historyWords(entry);
    ListView_SetItemText(list, at, 1, file.data());
    ListView_SetItemText(list, at, 2, words.data());
}

void HistoryWindow::fill() {
    HWND list = item(idList);
    SendMessageW(list, WM_SETREDRAW, FALSE, 0);
    ListView_DeleteAllItems(list);
    int row = 0;
    for (const HistoryEntry& entry : history_.entries()) insertRow(row++, entry);
    SendMessageW(list, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(list, nullptr, TRUE);
}

void HistoryWindow::entryAdded() {
    if (!hwnd() || history_.entries().empty()) return;
    HWND list = item(idList);
    insertRow(0, history_.entries().front());
    // The oldest went from the history to make room: from the list too.
    const auto kept = static_cast<int>(history_.entries().size());
    while (ListView_GetItemCount(list) > kept) ListView_DeleteItem(list, ListView_GetItemCount(list) - 1);
}

bool HistoryWindow::copy() { return setClipboardText(hwnd(), historyTable(history_.entries(), localeTimeText)); }

LRESULT HistoryWindow::onMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_CREATE:
        createControls();
        return 0;
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case idCopy:
            if (!copy()) MessageBeep(MB_ICONWARNING);
            return 0;
        case IDCANCEL:
            closeWindow();
            return 0;
        default:
            break;
        }
        break;
    case WM_ACTIVATE:
        keepFocus(wParam, item(idList));
        return 0;
    case WM_CLOSE:
        closeWindow();
        return 0;
    default:
        break;
    }
    return defaultHandling(msg, wParam, lParam);
}

}  // namespace zt
