#include "mainwindow/quiet_dialog.h"

#include <commctrl.h>
#include <windowsx.h>

#include <array>
#include <string>

#include "common/winutil.h"

namespace zt {

namespace {

constexpr DWORD kStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
constexpr DWORD kExStyle = WS_EX_DLGMODALFRAME | WS_EX_CONTROLPARENT;

// The client area and the controls, in twips.
constexpr int kClientWidthTwips = 5520;
constexpr int kClientHeightTwips = 2790;
constexpr int kDayLeft = 240, kDayTop = 1560, kDayWidth = 720, kDayHeight = 285;

constexpr std::array<Placement, 15> kPlacements = [] {
    std::array<Placement, 15> p{{
        {QuietDialog::idOn, 240, 240, 5040, 285},
        {QuietDialog::idFromLabel, 240, 735, 570, 255},
        {QuietDialog::idFrom, 840, 675, 1230, 375},
        {QuietDialog::idToLabel, 2490, 735, 480, 255},
        {QuietDialog::idTo, 3000, 675, 1230, 375},
        {QuietDialog::idDaysLabel, 240, 1260, 5040, 255},
        {QuietDialog::idOK, 2760, 2190, 1200, 375},
        {QuietDialog::idCancel, 4080, 2190, 1200, 375},
    }};
    for (int d = 0; d != QuietDialog::kDays; ++d)
        p[8 + static_cast<std::size_t>(d)] = {QuietDialog::idFirstDay + d, kDayLeft + d * kDayWidth, kDayTop,
                                              kDayWidth, kDayHeight};
    return p;
}();

// The locale's first day of the week as a weekday (0 = Sunday); Monday if it cannot say.
int firstWeekdayOfLocale() {
    wchar_t text[4] = {};
    if (!GetLocaleInfoEx(LOCALE_NAME_USER_DEFAULT, LOCALE_IFIRSTDAYOFWEEK, text, 4)) return 1;
    const int mondayBased = text[0] - L'0';  // 0 = Monday .. 6 = Sunday
    return mondayBased >= 0 && mondayBased <= 6 ? (mondayBased + 1) % 7 : 1;
}

// "Mon", "Di", ...: the locale's short name of a weekday (0 = Sunday).
std::wstring shortDayName(int weekday) {
    static constexpr wchar_t kFallback[7][4] = {L"Sun", L"Mon", L"Tue", L"Wed", L"Thu", L"Fri", L"Sat"};
    // LOCALE_SABBREVDAYNAME1 is Monday, ...7 Sunday.
    const LCTYPE type = weekday == 0 ? LOCALE_SABBREVDAYNAME7 : LOCALE_SABBREVDAYNAME1 + (weekday - 1);
    wchar_t name[32] = {};
    if (!GetLocaleInfoEx(LOCALE_NAME_USER_DEFAULT, type, name, 32) || !name[0]) return kFallback[weekday];
    return name;
}

void setPickerTime(HWND picker, int minuteOfDay) {
    SYSTEMTIME time{};
    GetLocalTime(&time);  // any valid date: only the time is shown
    time.wHour = static_cast<WORD>(minuteOfDay / 60);
    time.wMinute = static_cast<WORD>(minuteOfDay % 60);
    time.wSecond = 0;
    time.wMilliseconds = 0;
    DateTime_SetSystemtime(picker, GDT_VALID, &time);
}

std::optional<int> pickerTime(HWND picker) {
    SYSTEMTIME time{};
    if (DateTime_GetSystemtime(picker, &time) != GDT_VALID) return std::nullopt;
    return time.wHour * 60 + time.wMinute;
}

}  // namespace

std::optional<QuietHours> QuietDialog::edit(HWND owner, const QuietHours& current) {
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_DATE_CLASSES};
    InitCommonControlsEx(&controls);
    firstWeekday_ = firstWeekdayOfLocale();
    result_.reset();
    WindowSpec spec{kClassName};
    spec.title = kTitle;
    spec.style = kStyle;
    spec.exStyle = kExStyle;
    spec.clientWidthTwips = kClientWidthTwips;
    spec.clientHeightTwips = kClientHeightTwips;
    spec.dialogKeys = true;
    if (!createWindow(instance_, spec, owner)) return std::nullopt;
    // Onto the owner's monitor first (its DPI follows), then centred there.
    RECT ownerRect;
    if (owner && GetWindowRect(owner, &ownerRect))
        SetWindowPos(hwnd(), nullptr, ownerRect.left, ownerRect.top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    centreOnMonitor();
    show(current);
    runModal();
    return result_;
}

void QuietDialog::createControls() {
    auto make = [this](const wchar_t* cls, const wchar_t* text, DWORD style, int id) {
        return CreateWindowExW(0, cls, text, WS_CHILD | WS_VISIBLE | style, 0, 0, 0, 0, hwnd(),
                               reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance_, nullptr);
    };
    // In tab order; each label just before its control, so that its access key reaches it.
    constexpr DWORD kCheck = WS_TABSTOP | BS_AUTOCHECKBOX;
    constexpr DWORD kPicker = WS_TABSTOP | DTS_TIMEFORMAT | DTS_UPDOWN;
    make(WC_BUTTONW, L"&Quiet hours on: no sound as a countdown ends", kCheck, idOn);
    make(WC_STATICW, L"&From", SS_LEFT, idFromLabel);
    const std::wstring timeFormat = localeShortTimeFormat();  // the hours and minutes, as the user writes times
    DateTime_SetFormat(make(DATETIMEPICK_CLASSW, L"", kPicker, idFrom), timeFormat.c_str());
    make(WC_STATICW, L"&To", SS_LEFT, idToLabel);
    DateTime_SetFormat(make(DATETIMEPICK_CLASSW, L"", kPicker, idTo), timeFormat.c_str());
    make(WC_STATICW, L"On these days:", SS_LEFT | SS_NOPREFIX, idDaysLabel);
    for (int box = 0; box < kDays; ++box)
        make(WC_BUTTONW, shortDayName(weekdayOfBox(box)).c_str(), kCheck, idFirstDay + box);
    make(WC_BUTTONW, L"OK", WS_TABSTOP | BS_DEFPUSHBUTTON, idOK);
    make(WC_BUTTONW, L"Cancel", WS_TABSTOP | BS_PUSHBUTTON, idCancel);
}

std::span<const Placement> QuietDialog::placements() const { return kPlacements; }

void QuietDialog::show(const QuietHours& hours) {
    Button_SetCheck(item(idOn), hours.on ? BST_CHECKED : BST_UNCHECKED);
    setPickerTime(item(idFrom), hours.from);
    setPickerTime(item(idTo), hours.to);
    for (int box = 0; box < kDays; ++box)
        Button_SetCheck(item(idFirstDay + box), hours.appliesOn(weekdayOfBox(box)) ? BST_CHECKED : BST_UNCHECKED);
    enableRange();
}

QuietHours QuietDialog::read() const {
    QuietHours hours;
    hours.on = Button_GetCheck(item(idOn)) == BST_CHECKED;
    hours.from = pickerTime(item(idFrom)).value_or(hours.from);
    hours.to = pickerTime(item(idTo)).value_or(hours.to);
    hours.days = 0;
    for (int box = 0; box < kDays; ++box)
        if (Button_GetCheck(item(idFirstDay + box)) == BST_CHECKED)
            hours.days = static_cast<std::uint8_t>(hours.days | 1u << weekdayOfBox(box));
    return hours;
}

// The range and the days only count while the quiet hours are on.
void QuietDialog::enableRange() {
    const BOOL on = Button_GetCheck(item(idOn)) == BST_CHECKED;
    for (int id = idFromLabel; id < idFirstDay + kDays; ++id) EnableWindow(item(id), on);
}

LRESULT QuietDialog::onMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_CREATE:
        createControls();
        return 0;
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDOK:
            result_ = read();
            closeWindow();
            return 0;
        case IDCANCEL:
            closeWindow();
            return 0;
        case idOn:
            if (HIWORD(wParam) == BN_CLICKED) enableRange();
            return 0;
        default:
            break;
        }
        break;
    case DM_GETDEFID:
        return MAKELRESULT(idOK, DC_HASDEFID);
    case WM_ACTIVATE:
        keepFocus(wParam, item(idOn));
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
