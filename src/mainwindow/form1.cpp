#include "mainwindow/form1.h"

#include <commctrl.h>
#include <windowsx.h>

#include <utility>

#include "common/text.h"
#include "common/winutil.h"
#include "mainwindow/ids.h"
#include "mainwindow/menus.h"
#include "mainwindow/quiet_dialog.h"
#include "resource.h"

namespace zt {

namespace {

// The client area at creation, in twips.
constexpr int kClientWidthTwips = 5910;
constexpr int kClientHeightTwips = 4815;
constexpr UINT_PTR kTrayRetryTimer = 1;
constexpr UINT kTrayRetryMs = 2000;
// Posted by WM_SIZE: hiding inside the minimise itself does not stick under every window
// manager, so the window hides once the minimise has finished.
constexpr UINT kHideIfMinimised = WM_APP + 2;
constexpr int kSliderMax = 100;

// The controls in the order of creation, which is their order among the window's children.
// That order is the tab order (the WS_TABSTOP controls: File1, Dir1, Drive1, the mute box,
// the delay, the countdown, the slider, the stop button), and it names controls for screen
// readers: a control without a caption of its own takes the text of the label just before
// it. So each such control comes right after the label that names it in the layout:
// "Sounds File list" above File1, "*.WAV;*.MP3 path" above Drive1, "Delay in minutes" and
// "Countdown (secs)" left of their boxes, "Volume" above the slider. The folder list has no
// label of its own: it follows File1, so it takes no other control's name. The buttons
// name themselves; the volume figure and the status and state lines name nothing and come last.
struct ControlSpec {
    const wchar_t* className;  // nullptr: one of the list classes, created on its own
    const wchar_t* text;
    int id;
    DWORD style;
};

constexpr DWORD kLabel = WS_CHILD | WS_VISIBLE | SS_LEFT | SS_NOPREFIX;
constexpr DWORD kEdit = WS_CHILD | WS_VISIBLE | WS_TABSTOP | ES_AUTOHSCROLL;

const ControlSpec kControls[] = {
    {WC_STATICW, L"Sounds File list (double-click to test)", ids::kLabel4, kLabel},
    {nullptr, nullptr, ids::kFile1, 0},
    {nullptr, nullptr, ids::kDir1, 0},
    {WC_STATICW, L"*.WAV;*.MP3 path", ids::kLabel2, kLabel},
    {nullptr, nullptr, ids::kDrive1, 0},
    {WC_BUTTONW, L"Mute", ids::kChkMute, WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_AUTOCHECKBOX},
    {WC_STATICW, L"Delay in minutes", ids::kLabel5, kLabel},
    {WC_EDITW, L"1", ids::kTxtDelay, kEdit},
    {WC_STATICW, L"Countdown (secs)", ids::kLabel6, kLabel},
    {WC_EDITW, L"", ids::kTxtCountdown, kEdit | ES_READONLY},
    {WC_STATICW, L"Volume", ids::kLabel1, kLabel},
    // Up and Page Up louder, as the system's own volume slider; Left and Right as ever.
    {TRACKBAR_CLASSW, L"", ids::kSlider1,
     WS_CHILD | WS_VISIBLE | WS_TABSTOP | TBS_HORZ | TBS_AUTOTICKS | TBS_DOWNISLEFT},
    {WC_BUTTONW, L"Stop sound", ids::kCmdStop, WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON},
    {WC_STATICW, L"", ids::kLblVolume, kLabel},
    {WC_STATICW, L"", ids::kLabel3, kLabel},
    {WC_STATICW, L"", ids::kLblState, kLabel},
};

// Rows the drive list drops down to: its placement's height is that of one closed row.
constexpr int kDriveDropRows = 10;

constexpr Placement kPlacements[] = {
    {ids::kLblVolume, 3960, 2760, 615, 255},
    {ids::kFile1, 2400, 360, 3255, 2235},
    {ids::kDir1, 240, 720, 2055, 1890},
    {ids::kDrive1, 240, 360, 2055, 315},
    {ids::kLabel1, 3120, 2760, 735, 255},
    {ids::kLabel2, 240, 120, 1575, 255},
    {ids::kLabel3, 1800, 3720, 3855, 735},
    // As wide as the list below it, so the heading fits in the system font.
    {ids::kLabel4, 2400, 120, 3255, 255},
    {ids::kChkMute, 240, 3600, 975, 375},
    {ids::kTxtDelay, 1800, 2760, 975, 375},
    {ids::kLabel5, 240, 2760, 1575, 255},
    {ids::kLabel6, 240, 3240, 1575, 255},
    {ids::kTxtCountdown, 1800, 3240, 975, 375},
    {ids::kSlider1, 3000, 3000, 2655, 495},
    {ids::kCmdStop, 240, 4080, 1335, 375},
    {ids::kLblState, 240, 4515, 5415, 270},  // in the margin below: nothing else moves
};

}  // namespace

Form1::Form1(const Form1Parts& parts) : parts_(parts), tray_(parts.trayNotify) {}

Form1::~Form1() = default;

bool Form1::create(HINSTANCE instance) {
    instance_ = instance;
    WindowSpec spec{kClassName};
    spec.title = L"zirrotone";
    spec.style = WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN;
    spec.exStyle = WS_EX_CONTROLPARENT;
    spec.clientWidthTwips = kClientWidthTwips;
    spec.clientHeightTwips = kClientHeightTwips;
    // The class's; the window sets its own for its DPI (loadIcons).
    spec.icon = static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(IDI_APP), IMAGE_ICON, 0, 0, LR_DEFAULTSIZE | LR_SHARED));
    spec.dialogKeys = true;
    ACCEL keys[] = {{FCONTROL | FVIRTKEY, 'O', ids::kMnuChooseFolder}};
    accelerators_.reset(CreateAcceleratorTableW(keys, static_cast<int>(std::size(keys))));
    spec.accelerators = accelerators_.get();
    menuBar_ = createMenuBar();
    trayMenu_.reset(createTrayMenu());
    spec.menu = menuBar_;  // given at creation: setting it later would rebuild the frame
    taskbarCreated_ = RegisterWindowMessageW(L"TaskbarCreated");
    showMessage_ = RegisterWindowMessageW(kShowMessage);
    if (createWindow(instance, spec)) {
        parts_.settings.listen([this](const SettingsModel::Change& change) { show(change); });
        return true;
    }
    DestroyMenu(std::exchange(menuBar_, nullptr));  // no window took it
    return false;
}

// Creation and layout --------------------------------------------------------------------

std::span<const Placement> Form1::placements() const { return kPlacements; }

RECT Form1::placedRect(const Placement& p) const {
    RECT rc = Window::placedRect(p);
    // A drop-down list's height is that of its open list; the closed box sizes itself.
    if (p.id == ids::kDrive1) rc.bottom = rc.top + twips(p.height) * kDriveDropRows;
    return rc;
}

bool Form1::createControls() {
    loadIcons();
    for (const auto& spec : kControls) {
        const RECT at = placedRect(spec.id);
        if (lists_.createList(hwnd(), spec.id, at)) continue;
        const bool edit = spec.id == ids::kTxtDelay || spec.id == ids::kTxtCountdown;
        // A window without all its controls is of no use: its creation fails.
        if (!CreateWindowExW(edit ? WS_EX_CLIENTEDGE : 0, spec.className, spec.text, spec.style, at.left, at.top,
                             at.right - at.left, at.bottom - at.top, hwnd(),
                             reinterpret_cast<HMENU>(static_cast<INT_PTR>(spec.id)), instance_, nullptr))
            return false;
    }
    // Where load will put them: the stored sound folder, read while the window comes up.
    lists_.start(parts_.settings.value().folder);
    nameForScreenReaders(item(ids::kDir1), L"Folders", parts_.naming);  // between the file list and a label of its own
    HWND slider = item(ids::kSlider1);
    SendMessageW(slider, TBM_SETRANGE, FALSE, MAKELPARAM(0, kSliderMax));
    SendMessageW(slider, TBM_SETTICFREQ, 10, 0);
    SendMessageW(slider, TBM_SETPAGESIZE, 0, 10);
    SendMessageW(slider, TBM_SETLINESIZE, 0, 1);
    SendMessageW(slider, TBM_SETPOS, TRUE, 50);
    return true;
}

// Load and the views of the settings ----------------------------------------------------

void Form1::Form_Load() {
    centreOnMonitor();
    show({SettingsModel::Field::all});
    if (parts_.settings.on(Toggle::startInTray)) {
        // Straight to the tray: the window is never shown, so nothing flashes.
        ShowWindow(hwnd(), SW_HIDE);
    } else {
        ShowWindow(hwnd(), SW_SHOWNORMAL);
        UpdateWindow(hwnd());
    }
    // A shown window and its first value come first; the icon follows with the first
    // value's tip, or at the latest once the window has nothing left to do (the timer).
    tray_.addLater(hwnd(), trayImages_.icon(iconState_), kStartupTip);
    SetTimer(hwnd(), kTrayRetryTimer, USER_TIMER_MINIMUM, nullptr);
    if (!IsWindowVisible(hwnd())) {
        tray_.retry();  // the icon is all there is: at once
        wentToTray();
    }
    paintPending();
}

void Form1::paintPending() {
    // What has changed since the first paint (the volume label), not the whole window again.
    RedrawWindow(hwnd(), nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
}

void Form1::show(const SettingsModel::Change& change) {
    using Field = SettingsModel::Field;
    const Settings& s = parts_.settings.value();
    const bool all = change.field == Field::all;
    if (all || change.field == Field::volume) {
        if (sliderValue() != s.volume) SendMessageW(item(ids::kSlider1), TBM_SETPOS, TRUE, s.volume);
        Slider1_Click();
    }
    // The box runs its change handling for a new text, as any edit does.
    if ((all || change.field == Field::delay) && controlText(ids::kTxtDelay) != s.delayText)
        setControlText(ids::kTxtDelay, s.delayText);
    for (std::size_t i = 0; i < kToggleCount; ++i) {
        const auto toggle = static_cast<Toggle>(i);
        if (!all && !(change.field == Field::toggle && change.toggle == toggle)) continue;
        showToggle(menuBar_, trayMenu_.get(), toggle, s.on(toggle));
        if (toggle == Toggle::mute) Button_SetCheck(item(ids::kChkMute), s.on(toggle) ? BST_CHECKED : BST_UNCHECKED);
    }
    if (all || change.field == Field::quiet) showQuietHours(menuBar_, trayMenu_.get(), s.quiet.on);
}

// Handlers ---------------------------------------------------------------------------------

void Form1::mnuChooseFolder_Click() {
    if (const auto folder = parts_.picker.pickFolder(hwnd(), lists_.folderListPath())) openFolder(*folder);
}

void Form1::folderUnreadable(const std::wstring& folder) {
    // Told in the status line, not in a message box: this can happen inside a wait.
    MessageBeep(MB_ICONWARNING);
    setControlText(ids::kLabel3, L"Cannot read " + folder + L" \x2014 the lists stay where they were.");
}

void Form1::chkMute_Click() { parts_.app.set(Toggle::mute, Button_GetCheck(item(ids::kChkMute)) == BST_CHECKED); }

void Form1::txtDelay_Change() { parts_.app.delayEdited(controlText(ids::kTxtDelay)); }

void Form1::Slider1_Click() { setControlText(ids::kLblVolume, std::to_wstring(sliderValue()) + L"%"); }

void Form1::Slider1_Change() {
    parts_.app.setVolume(sliderValue());
    Slider1_Click();
}

void Form1::mnuQuiet_Click() {
    QuietDialog dialog(instance_);
    if (const auto quiet = dialog.edit(hwnd(), parts_.settings.value().quiet)) parts_.app.setQuietHours(*quiet);
}

void Form1::testPlay() {
    const std::wstring sound = lists_.selectedSound();
    if (!sound.empty()) parts_.app.testPlay(sound);
}

void Form1::wentToTray() {
    // The first time only, so that a new user does not think the program has ended. Until
    // the shell has taken the balloon (the icon may not be there yet), the next time tries.
    if (parts_.settings.value().trayHintShown) return;
    if (tray_.showBalloon(L"Zirrotone is still running",
                          L"It keeps playing sounds from here. Click the icon to bring the window back."))
        parts_.app.trayHintShown();
}

void Form1::restoreWindow() {
    ShowWindow(hwnd(), SW_RESTORE);
    // Always the normal size: a window maximised before it went to the tray comes back
    // maximised from the first restore.
    if (IsZoomed(hwnd())) ShowWindow(hwnd(), SW_RESTORE);
    SetForegroundWindow(hwnd());
    ShowWindow(hwnd(), SW_SHOW);
}

void Form1::onTrayEvent(UINT code) {
    switch (code) {
    case WM_LBUTTONUP:
    case WM_LBUTTONDBLCLK: restoreWindow(); break;
    case WM_RBUTTONUP: openPopupMenu(hwnd(), trayMenu_.get()); break;
    default: break;
    }
}

// State the other parts read and write ------------------------------------------------------

int Form1::muteValue() const { return Button_GetCheck(item(ids::kChkMute)) == BST_CHECKED ? 1 : 0; }

int Form1::sliderValue() const { return static_cast<int>(SendMessageW(item(ids::kSlider1), TBM_GETPOS, 0, 0)); }

bool Form1::menuChecked(int id) const {
    if (id == ids::kMnuAbVol) return parts_.settings.on(Toggle::absoluteVolume);
    // Items are looked for by command in the menu bar (and its submenus), then the tray menu.
    UINT state = GetMenuState(menuBar_, static_cast<UINT>(id), MF_BYCOMMAND);
    if (state == static_cast<UINT>(-1)) state = GetMenuState(trayMenu_.get(), static_cast<UINT>(id), MF_BYCOMMAND);
    return state != static_cast<UINT>(-1) && (state & MF_CHECKED);
}

std::wstring Form1::controlText(int id) const { return windowText(item(id)); }

void Form1::setControlText(int id, const std::wstring& text) { SetWindowTextW(item(id), text.c_str()); }

void Form1::showCountdown(std::int32_t seconds) {
    setControlText(ids::kTxtCountdown, std::to_wstring(seconds));
    // On the screen before the tip goes to the shell, which at start adds the tray icon.
    UpdateWindow(item(ids::kTxtCountdown));
}

void Form1::showStatusNow(const std::wstring& text) {
    setControlText(ids::kLabel3, text);
    RedrawWindow(hwnd(), nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_UPDATENOW);
}

void Form1::showState(const std::wstring& text) {
    // Asked every second: only a new text is drawn again.
    if (controlText(ids::kLblState) != text) setControlText(ids::kLblState, text);
}

void Form1::showDelayTip(const std::wstring& text) {
    EDITBALLOONTIP tip{sizeof tip, L"Delay in minutes", text.c_str(), TTI_INFO};
    Edit_ShowBalloonTip(item(ids::kTxtDelay), &tip);
}

// Messages -----------------------------------------------------------------------------------

void Form1::onCommand(int id, int code) {
    if (const auto toggle = toggleOfCommand(id)) return flip(*toggle);
    if (const auto choice = muteForOfCommand(id)) return mnuMuteFor_Click(*choice);
    if (const auto device = devices_.chosen(id)) return parts_.app.setDevice(device->id, device->name);
    if (id == ids::kMnuHistory || id == ids::kMnuHistory2) return parts_.app.showHistory();
    switch (id) {
    case ids::kDrive1:
        if (code == CBN_SELCHANGE) Drive1_Change();
        break;
    case ids::kDir1:
        if (code == LBN_DBLCLK) openSelectedFolder();
        break;
    case ids::kFile1:
        if (code == LBN_DBLCLK) testPlay();
        break;
    case ids::kChkMute:
        if (code == BN_CLICKED) chkMute_Click();
        break;
    case ids::kCmdStop:
        if (code == BN_CLICKED) cmdStop_Click();
        break;
    case ids::kTxtDelay:
        if (code == EN_CHANGE) txtDelay_Change();
        break;
    case IDOK:  // Enter, through the dialog keyboard handling
        if (GetFocus() == lists_.fileListWindow()) testPlay();
        if (GetFocus() == lists_.folderListWindow()) openSelectedFolder();
        break;
    case ids::kMnuChooseFolder: mnuChooseFolder_Click(); break;
    case ids::kMnuSettings: restoreWindow(); break;
    case ids::kMnuExit: mnuExit_Click(); break;  // neither returns: the process ends
    case ids::kMnuTerminate: mnuTerminate_Click(); break;
    case ids::kMnuAbout: mnuAbout_Click(); break;
    case ids::kMnuQuiet:
    case ids::kMnuQuiet2: mnuQuiet_Click(); break;
    case ids::kMnuPlayNow:
    case ids::kMnuPlayNow2: mnuPlayNow_Click(); break;
    case ids::kMnuSkip:
    case ids::kMnuSkip2: mnuSkip_Click(); break;
    default: break;
    }
}

void Form1::onActivate(WPARAM wParam, LPARAM lParam) {
    // The window counts as activated again when another window of this program (the About
    // box, a message box; not the history, open beside it while the countdown runs on) was
    // active before it. lParam names the other window (it may already be gone when it was
    // destroyed, so it is checked as it leaves).
    const HWND other = reinterpret_cast<HWND>(lParam);
    const bool ours = other && GetWindowThreadProcessId(other, nullptr) == GetCurrentThreadId() &&
                      !hasWindowClass(other, kHistoryWindowClass);
    if (LOWORD(wParam) == WA_INACTIVE) {
        otherWindowWasActive_ = ours;
    } else if (otherWindowWasActive_ || ours) {
        otherWindowWasActive_ = false;
        parts_.app.activate();
    }
}

LRESULT Form1::onMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == taskbarCreated_ && taskbarCreated_ != 0) {
        loadIcons();  // the shell may come back at another size
        tray_.addAgain();
        return 0;
    }
    if (msg == showMessage_ && showMessage_ != 0) {
        restoreWindow();
        return 0;
    }
    switch (msg) {
    case WM_CREATE:
        return createControls() ? 0 : -1;
    case WM_MEASUREITEM: {
        lists_.measureItem(*reinterpret_cast<MEASUREITEMSTRUCT*>(lParam), dpi());
        return TRUE;
    }
    case WM_DRAWITEM: {
        lists_.drawItem(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam), dpi());
        return TRUE;
    }
    case WM_COMMAND:
        onCommand(LOWORD(wParam), HIWORD(wParam));
        return 0;
    case WM_INITMENUPOPUP: fillDeviceMenu(reinterpret_cast<HMENU>(wParam)); return 0;
    case WM_HSCROLL:
        if (reinterpret_cast<HWND>(lParam) == item(ids::kSlider1)) Slider1_Change();
        return 0;
    case TrayIcon::kCallbackMessage:
        onTrayEvent(LOWORD(lParam));
        return 0;
    case WM_TIMER:
        if (wParam == kTrayRetryTimer && tray_.retry()) {
            KillTimer(hwnd(), kTrayRetryTimer);
            // Started into the tray before the shell was ready: the balloon could not come then.
            if (!IsWindowVisible(hwnd())) wentToTray();
        } else if (wParam == kTrayRetryTimer) {
            SetTimer(hwnd(), kTrayRetryTimer, kTrayRetryMs, nullptr);  // the shell is not ready: a while later
        }
        if (wParam != kTrayRetryTimer) parts_.app.timer(wParam);
        return 0;
    case WM_SIZE:
        // Minimised means gone to the tray: hidden, no taskbar button.
        if (wParam == SIZE_MINIMIZED) PostMessageW(hwnd(), kHideIfMinimised, 0, 0);
        return 0;
    case kHideIfMinimised:
        if (IsIconic(hwnd())) {
            ShowWindow(hwnd(), SW_HIDE);
            wentToTray();
        }
        return 0;
    case kAppMessage:
        parts_.app.posted(wParam);
        return 0;
    case WM_POWERBROADCAST:
    case WM_TIMECHANGE: parts_.app.systemTimeEvent(msg, wParam); return defaultHandling(msg, wParam, lParam);
    case WM_DESTROY:
        parts_.app.windowGone();
        return 0;
    case WM_ACTIVATE:
        onActivate(wParam, lParam);
        return defaultHandling(msg, wParam, lParam);
    case WM_QUERYENDSESSION:
        parts_.app.saveForSessionEnd();
        return TRUE;
    case WM_ENDSESSION:
        if (!wParam) {
            parts_.app.sessionEndCancelled();
            return 0;
        }
        // Saved again: the settings may have changed since the query.
        Form_Unload();  // [[noreturn]]: the process ends here, nothing falls through
    case WM_CLOSE:
        Form_Unload();  // the same
    default:
        return defaultHandling(msg, wParam, lParam);
    }
}

}  // namespace zt
