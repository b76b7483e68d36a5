#include "mainwindow/form1.h"

#include <commctrl.h>
#include <windowsx.h>

#include <utility>

#include "common/random.h"
#include "common/text.h"
#include "common/winutil.h"
#include "mainwindow/ids.h"
#include "mainwindow/quiet_dialog.h"
#include "core/run_driver.h"
#include "playback/media_check.h"
#include "playback/player.h"
#include "resource.h"
#include "settings/considerate_settings.h"
#include "settings/settings.h"

namespace zt {

namespace {

// The client area at creation, in twips.
constexpr int kClientWidthTwips = 5910;
constexpr int kClientHeightTwips = 4815;
constexpr UINT_PTR kTrayRetryTimer = 1;
constexpr UINT kTrayRetryMs = 2000;
// Runs while muted for a while, to unmute when the time is up.
constexpr UINT_PTR kMuteForTimer = 2;
constexpr UINT kMuteForCheckMs = 1000;
// Posted by WM_SIZE: hiding inside the minimise itself does not stick under every window
// manager, so the window hides once the minimise has finished.
constexpr UINT kHideIfMinimised = WM_APP + 2;
// Posted by activate(): starts the scheduler runs from the top of the message loop.
constexpr UINT kRunActivation = WM_APP + 3;
// Posted by the first activate() when load restored the delay: runs the delay's change
// handler, whose wait must not hold the window's first paint nor the first value.
constexpr UINT kDelayRestored = WM_APP + 4;
constexpr wchar_t kStartupSound[] = L"startup.wav";
constexpr int kSliderMax = 100;

// The controls in the order of creation, which is their order among the window's children.
// That order is the tab order (the WS_TABSTOP controls: File1, Dir1, Drive1, the mute box,
// the delay, the countdown, the slider, the stop button), and it names controls for screen
// readers: a control without a caption of its own takes the text of the label just before
// it. So each such control comes right after the label that names it in the layout:
// "Sounds File list" above File1, "*.WAV;*.MP3 path" above Drive1, "Delay in minutes" and
// "Countdown (secs)" left of their boxes, "Volume" above the slider. The folder list has no
// label of its own: it follows File1, so it takes no other control's name. The buttons
// name themselves; the volume figure and the status line name nothing and come last.
struct ControlSpec {
    int id;
    const wchar_t* className;  // nullptr: one of the list classes, created on its own
    const wchar_t* text;
    DWORD style;
};

constexpr DWORD kLabel = WS_CHILD | WS_VISIBLE | SS_LEFT | SS_NOPREFIX;
constexpr DWORD kEdit = WS_CHILD | WS_VISIBLE | WS_TABSTOP | ES_AUTOHSCROLL;

const ControlSpec kControls[] = {
    {ids::kLabel4, WC_STATICW, L"Sounds File list (double-click to test)", kLabel},
    {ids::kFile1, nullptr, nullptr, 0},
    {ids::kDir1, nullptr, nullptr, 0},
    {ids::kLabel2, WC_STATICW, L"*.WAV;*.MP3 path", kLabel},
    {ids::kDrive1, nullptr, nullptr, 0},
    {ids::kChkMute, WC_BUTTONW, L"Mute", WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_AUTOCHECKBOX},
    {ids::kLabel5, WC_STATICW, L"Delay in minutes", kLabel},
    {ids::kTxtDelay, WC_EDITW, L"1", kEdit},
    {ids::kLabel6, WC_STATICW, L"Countdown (secs)", kLabel},
    {ids::kTxtCountdown, WC_EDITW, L"", kEdit | ES_READONLY},
    {ids::kLabel1, WC_STATICW, L"Volume", kLabel},
    {ids::kSlider1, TRACKBAR_CLASSW, L"", WS_CHILD | WS_VISIBLE | WS_TABSTOP | TBS_HORZ | TBS_AUTOTICKS},
    {ids::kCmdStop, WC_BUTTONW, L"Stop sound", WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON},
    {ids::kLblVolume, WC_STATICW, L"", kLabel},
    {ids::kLabel3, WC_STATICW, L"", kLabel},
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
};

bool isTrayMenuItem(int id) {
    return (id >= ids::kMnuSystray2 && id <= ids::kMnuTerminate) ||
           (id >= ids::kMnuQuiet2 && id <= ids::kMnuMuteForMorning);
}

struct MuteForItem {
    int id;
    MuteFor choice;
    const wchar_t* caption;
};
constexpr MuteForItem kMuteForItems[] = {
    {ids::kMnuMuteFor15, MuteFor::Minutes15, L"1&5 minutes"},
    {ids::kMnuMuteFor60, MuteFor::Hour1, L"&1 hour"},
    {ids::kMnuMuteFor240, MuteFor::Hours4, L"&4 hours"},
    {ids::kMnuMuteForMorning, MuteFor::TomorrowMorning, L"Until &tomorrow morning"},
};

// The considerate-timing group, after a separator: the same items in both menus, the tray
// menu's with its "Mute for" submenu.
struct ConsiderateItems {
    int quiet, holdBusy, playNow, skip;
};
void appendConsiderateItems(HMENU menu, const ConsiderateItems& ids, HMENU muteFor) {
    AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
    AppendMenuW(menu, MF_STRING, ids.quiet, L"&Quiet hours...");
    AppendMenuW(menu, MF_STRING, ids.holdBusy, L"&Hold while busy");
    if (muteFor) AppendMenuW(menu, MF_POPUP, reinterpret_cast<UINT_PTR>(muteFor), L"Mute &for");
    AppendMenuW(menu, MF_STRING, ids.playNow, L"&Play one now");
    AppendMenuW(menu, MF_STRING, ids.skip, L"S&kip this wait");
}

}  // namespace

// The window as the settings see it. Every change runs the control's own change handling,
// as a user's change would.
class FormSettings final : public SettingsView {
public:
    explicit FormSettings(Form1& form) : f_(form) {}
    std::wstring soundFolder() override { return f_.lists_.chosenFolder(); }
    // The lists were started in the stored folder already (createControls).
    void openSoundFolder(const std::wstring& path) override { f_.lists_.restore(path); }
    std::int32_t volume() override {
        // A slider that does not answer its range gives no position worth keeping either.
        const bool answers = SendMessageW(f_.item(ids::kSlider1), TBM_GETRANGEMAX, 0, 0) == kSliderMax;
        return answers ? f_.sliderValue() : -1;
    }
    void setVolume(std::int32_t value) override { f_.setSliderValue(value); }
    std::int16_t muteValue() override { return static_cast<std::int16_t>(f_.muteValue()); }
    void setMuteValue(std::int16_t value) override { f_.setMuteValue(value); }
    std::wstring delayText() override { return f_.delayText(); }
    void setDelayText(const std::wstring& text) override { f_.setDelayText(text); }
    bool option(Option option) override {
        switch (option) {
        case Option::absoluteVolume: return f_.absoluteVolume_;
        case Option::startInTray: return f_.menuChecked(ids::kMnuSystray);
        case Option::runAtStartup: return f_.menuChecked(ids::kMnuStartup);
        }
        return false;
    }
    // The options that show in both menus are set in both.
    void setOption(Option option, bool on) override {
        switch (option) {
        case Option::absoluteVolume: f_.absoluteVolume_ = on; break;
        case Option::startInTray:
            f_.setMenuChecked(ids::kMnuSystray, on);
            f_.setMenuChecked(ids::kMnuSystray2, on);
            break;
        case Option::runAtStartup:
            f_.setMenuChecked(ids::kMnuStartup, on);
            f_.setMenuChecked(ids::kMnuStartup2, on);
            break;
        }
    }

private:
    Form1& f_;
};

Form1::Form1(const Form1Parts& parts) : parts_(parts), tray_(parts.trayNotify) {}

Form1::~Form1() = default;

bool Form1::create(HINSTANCE instance) {
    instance_ = instance;
    icon_ = static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(IDI_APP), IMAGE_ICON, 32, 32, LR_SHARED));
    WindowSpec spec{kClassName};
    spec.title = L"zirrotone";
    spec.style = WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN;
    spec.exStyle = WS_EX_CONTROLPARENT;
    spec.clientWidthTwips = kClientWidthTwips;
    spec.clientHeightTwips = kClientHeightTwips;
    spec.icon = icon_;
    spec.smallIcon = static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(IDI_APP), IMAGE_ICON,
                                                   GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON),
                                                   LR_SHARED));
    spec.dialogKeys = true;
    ACCEL keys[] = {{FCONTROL | FVIRTKEY, 'O', ids::kMnuChooseFolder}};
    accelerators_.reset(CreateAcceleratorTableW(keys, static_cast<int>(std::size(keys))));
    spec.accelerators = accelerators_.get();
    createMenus();
    spec.menu = menuBar_;  // given at creation: setting it later would rebuild the frame
    taskbarCreated_ = RegisterWindowMessageW(L"TaskbarCreated");
    showMessage_ = RegisterWindowMessageW(kShowMessage);
    if (createWindow(instance, spec)) return true;
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

void Form1::createMenus() {
    // Every item has an access key, unique in its menu; the options keep theirs in both menus.
    HMENU file = CreatePopupMenu();
    AppendMenuW(file, MF_STRING, ids::kMnuChooseFolder, L"&Choose folder...\tCtrl+O");
    AppendMenuW(file, MF_STRING, ids::kMnuSystray, L"Start in system tra&y");
    AppendMenuW(file, MF_STRING, ids::kMnuStartup, L"&Run at startup");
    appendConsiderateItems(file, {ids::kMnuQuiet, ids::kMnuHoldBusy, ids::kMnuPlayNow, ids::kMnuSkip}, nullptr);
    AppendMenuW(file, MF_SEPARATOR, 0, nullptr);
    // "Absolute volume" is never offered: its check mark lives in absoluteVolume_.
    AppendMenuW(file, MF_STRING, ids::kMnuExit, L"E&xit");
    HMENU help = CreatePopupMenu();
    AppendMenuW(help, MF_STRING, ids::kMnuAbout, L"&About");
    menuBar_ = CreateMenu();
    AppendMenuW(menuBar_, MF_POPUP, reinterpret_cast<UINT_PTR>(file), L"&File");
    AppendMenuW(menuBar_, MF_POPUP, reinterpret_cast<UINT_PTR>(help), L"&Help");

    trayMenu_.reset(CreatePopupMenu());
    AppendMenuW(trayMenu_.get(), MF_STRING, ids::kMnuSystray2, L"Start in system tra&y");
    AppendMenuW(trayMenu_.get(), MF_STRING, ids::kMnuStartup2, L"&Run at startup");
    AppendMenuW(trayMenu_.get(), MF_STRING, ids::kMnuMute, L"&Mute");
    AppendMenuW(trayMenu_.get(), MF_STRING, ids::kMnuSettings, L"&Settings");
    AppendMenuW(trayMenu_.get(), MF_STRING, ids::kMnuTerminate, L"&Terminate");
    // What a double click on the icon does: bring the window back (shown in bold).
    SetMenuDefaultItem(trayMenu_.get(), ids::kMnuSettings, FALSE);
    HMENU muteFor = CreatePopupMenu();  // owned by the tray menu from here on
    for (const auto& item : kMuteForItems) AppendMenuW(muteFor, MF_STRING, item.id, item.caption);
    appendConsiderateItems(trayMenu_.get(), {ids::kMnuQuiet2, ids::kMnuHoldBusy2, ids::kMnuPlayNow2, ids::kMnuSkip2},
                           muteFor);
}

void Form1::createControls() {
    for (const auto& spec : kControls) {
        const RECT at = placedRect(spec.id);
        if (lists_.createList(hwnd(), spec.id, at)) continue;
        const bool edit = spec.id == ids::kTxtDelay || spec.id == ids::kTxtCountdown;
        CreateWindowExW(edit ? WS_EX_CLIENTEDGE : 0, spec.className, spec.text, spec.style, at.left, at.top,
                        at.right - at.left, at.bottom - at.top, hwnd(),
                        reinterpret_cast<HMENU>(static_cast<INT_PTR>(spec.id)), instance_, nullptr);
    }
    // Where load will put them: the stored sound folder, read while the window comes up.
    lists_.start(readSetting(parts_.store, kPathSetting));
    HWND slider = item(ids::kSlider1);
    SendMessageW(slider, TBM_SETRANGE, FALSE, MAKELPARAM(0, kSliderMax));
    SendMessageW(slider, TBM_SETTICFREQ, 10, 0);
    SendMessageW(slider, TBM_SETPAGESIZE, 0, 10);
    SendMessageW(slider, TBM_SETLINESIZE, 0, 1);
    SendMessageW(slider, TBM_SETPOS, TRUE, 50);
}

// Load and unload -------------------------------------------------------------------------

void Form1::Form_Load() {
    centreOnMonitor();
    FormSettings settings(*this);
    loading_ = true;
    restoreSettings(parts_.store, settings, parts_.numbers);
    loading_ = false;
    restoreConsiderateSettings();
    programRandom().seed(static_cast<std::uint64_t>(GetTickCount64()) ^ GetCurrentProcessId());
    parts_.scheduler.lastPlayed.clear();
    if (menuChecked(ids::kMnuSystray)) {
        // Straight to the tray: the window is never shown, so nothing flashes.
        ShowWindow(hwnd(), SW_HIDE);
    } else {
        ShowWindow(hwnd(), SW_SHOWNORMAL);
        UpdateWindow(hwnd());
    }
    // A shown window and its first value come first; the icon follows with the first
    // value's tip, or at the latest once the window has nothing left to do (the timer).
    tray_.addLater(hwnd(), icon_, kStartupTip);
    SetTimer(hwnd(), kTrayRetryTimer, USER_TIMER_MINIMUM, nullptr);
    if (!IsWindowVisible(hwnd())) {
        tray_.retry();  // the icon is all there is: at once
        wentToTray();
    }
    Slider1_Click();
    paintPending();
}

void Form1::paintPending() {
    // What has changed since the first paint (the volume label), not the whole window again.
    RedrawWindow(hwnd(), nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
}

void Form1::activate() {
    if (parts_.driver.request()) PostMessageW(hwnd(), kRunActivation, 0, 0);
    // After the run's message, so that the handler runs once the first value is up.
    if (std::exchange(delayRestored_, false)) PostMessageW(hwnd(), kDelayRestored, 0, 0);
}

void Form1::checkMediaPlayer() {
    const MediaCheckResult check = checkMediaRuntime();
    if (!check.mpVersion.empty()) mpVersion_ = check.mpVersion;
    if (!check.passed) {
        showMediaCheckFailure(hwnd(), check);
        Form_Unload();
    }
    parts_.about.setMediaPlayerVersion(mpVersion_);
}

void Form1::form_activate() {
    checkMediaPlayer();
    const std::wstring startup = addSlash(programFolder()) + kStartupSound;
    if (FileExists(startup)) playsound(startup);  // even when muted
    if (parts_.driver.abandoned()) return;
    Command1_Click();
}

void Form1::saveSettings() {
    FormSettings settings(*this);
    zt::saveSettings(parts_.store, settings);
    saveConsiderateSettings();
}

void Form1::restoreConsiderateSettings() {
    parts_.gate.setSettings(loadConsiderateSettings(parts_.store));
    showHoldBusy();
    if (parts_.gate.mutedUntil()) {
        // Still muted for a while from the last run (or over while the program was not
        // running: then the check below unmutes at once).
        setMuteValue(1);
        SetTimer(hwnd(), kMuteForTimer, kMuteForCheckMs, nullptr);
        checkMuteForEnd();
    }
}

// Written at once, not only at exit: it is a few small values and survives a crash.
void Form1::saveConsiderateSettings() { zt::saveConsiderateSettings(parts_.store, parts_.gate.settings()); }

void Form1::showHoldBusy() {
    setMenuChecked(ids::kMnuHoldBusy, parts_.gate.settings().holdBusy);
    setMenuChecked(ids::kMnuHoldBusy2, parts_.gate.settings().holdBusy);
}

void Form1::mnuQuiet_Click() {
    QuietDialog dialog(instance_);
    if (const auto quiet = dialog.edit(hwnd(), parts_.gate.settings().quiet)) {
        parts_.gate.setQuietHours(*quiet);
        saveConsiderateSettings();
        parts_.scheduler.publishStatus();
    }
}

void Form1::mnuHoldBusy_Click() {
    parts_.gate.setHoldBusy(!parts_.gate.settings().holdBusy);
    showHoldBusy();
    saveConsiderateSettings();
}

void Form1::mnuMuteFor_Click(MuteFor choice) {
    // Both mute controls first: checking them is not the user's own mute, which would
    // cancel the end set next.
    setMuteValue(1);
    saveMuteUntil(parts_.store, parts_.gate.muteFor(choice));
    SetTimer(hwnd(), kMuteForTimer, kMuteForCheckMs, nullptr);
    parts_.scheduler.publishStatus();
}

void Form1::userChangedMute() {
    if (!parts_.gate.mutedUntil()) return;
    parts_.gate.cancelMuteFor();
    saveMuteUntil(parts_.store, std::nullopt);
    KillTimer(hwnd(), kMuteForTimer);
    parts_.scheduler.publishStatus();  // "Muted until" goes at once
}

void Form1::checkMuteForEnd() {
    if (!parts_.gate.muteForExpired()) return;
    KillTimer(hwnd(), kMuteForTimer);
    saveMuteUntil(parts_.store, std::nullopt);
    setMuteValue(0);
    parts_.scheduler.publishStatus();
}

void Form1::Form_Unload() {
    saveSettings();
    tray_.remove();
    // The sound's thread and the media runtime must be gone before the process ends.
    parts_.player.stop();
    // Straight out, from however deep in nested waits this was called: unwinding them
    // would first finish the sound and the countdown they are waiting for.
    ExitProcess(0);
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

void Form1::chkMute_Click() { setMenuChecked(ids::kMnuMute, muteValue() == 1); }

void Form1::mnuMute_Click() {
    setMenuChecked(ids::kMnuMute, !menuChecked(ids::kMnuMute));
    setMuteValue(menuChecked(ids::kMnuMute) ? 1 : 0);
    userChangedMute();
}

void Form1::mnuSystray_Click() {
    setMenuChecked(ids::kMnuSystray, !menuChecked(ids::kMnuSystray));
    setMenuChecked(ids::kMnuSystray2, menuChecked(ids::kMnuSystray));
}

void Form1::mnuStartup_Click() {
    FormSettings settings(*this);
    toggleRunAtStartup(parts_.store, settings, programPath());
}

void Form1::mnuAbout_Click() { parts_.about.showModal(); }

void Form1::Command1_Click() { parts_.scheduler.Command1_Click(); }

void Form1::cmdStop_Click() { parts_.player.stop(); }

void Form1::Slider1_Click() { setControlText(ids::kLblVolume, std::to_wstring(sliderValue()) + L"%"); }

bool Form1::playsound(const std::wstring& soundName) {
    // A newer activation ends the wait (not the sound): its run must not wait for this one.
    const PlayResult result = parts_.player.playsound(soundName, sliderValue(), [this] { return parts_.driver.abandoned(); });
    const auto slash = soundName.find_last_of(L'\\');
    const std::wstring name = slash == std::wstring::npos ? soundName : soundName.substr(slash + 1);
    if (!result) {
        playError_ = L"Could not play " + name + L": " + result.reason + L".";
        setControlText(ids::kLabel3, playError_);
    } else if (!playError_.empty()) {
        // A good play after a failed one: the old error no longer holds.
        if (controlText(ids::kLabel3) == playError_) setControlText(ids::kLabel3, L"Last played: " + name);
        playError_.clear();
    }
    return static_cast<bool>(result);
}

void Form1::testPlay() {
    const std::wstring sound = lists_.selectedSound();
    if (!sound.empty()) playsound(sound);
}

void Form1::wentToTray() {
    // The first time only, so that a new user does not think the program has ended. Until
    // the shell has taken the balloon (the icon may not be there yet), the next time tries.
    const std::wstring key = settingKey(kTrayHintSetting);
    const std::wstring value(kSettingValue);
    if (parts_.store.get(key, value) == L"True") return;
    if (tray_.showBalloon(L"Zirrotone is still playing",
                          L"It keeps playing sounds from here. Click the icon to bring the window back."))
        parts_.store.set(key, value, L"True");
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
    case WM_RBUTTONUP: openTrayMenu(); break;
    default: break;
    }
}

void Form1::openTrayMenu() {
    SetForegroundWindow(hwnd());
    POINT at;
    GetCursorPos(&at);
    const UINT flags = TPM_LEFTALIGN | TPM_LEFTBUTTON |
                       (GetSystemMetrics(SM_MENUDROPALIGNMENT) ? TPM_RIGHTALIGN : 0);
    TrackPopupMenuEx(trayMenu_.get(), flags, at.x, at.y, hwnd(), nullptr);
    // Lets the menu close when the user clicks elsewhere next time.
    PostMessageW(hwnd(), WM_NULL, 0, 0);
}

// State the other parts read and write ------------------------------------------------------

int Form1::muteValue() const { return Button_GetCheck(item(ids::kChkMute)) == BST_CHECKED ? 1 : 0; }

void Form1::setMuteValue(int value) {
    if (value == muteValue()) return;
    Button_SetCheck(item(ids::kChkMute), value == 1 ? BST_CHECKED : BST_UNCHECKED);
    chkMute_Click();
}

int Form1::sliderValue() const { return static_cast<int>(SendMessageW(item(ids::kSlider1), TBM_GETPOS, 0, 0)); }

void Form1::setSliderValue(int value) {
    if (value == sliderValue()) return;
    SendMessageW(item(ids::kSlider1), TBM_SETPOS, TRUE, value);
    Slider1_Change();
}

bool Form1::menuChecked(int id) const {
    if (id == ids::kMnuAbVol) return absoluteVolume_;
    HMENU menu = isTrayMenuItem(id) ? trayMenu_.get() : menuBar_;
    return GetMenuState(menu, static_cast<UINT>(id), MF_BYCOMMAND) & MF_CHECKED;
}

void Form1::setMenuChecked(int id, bool checked) {
    if (id == ids::kMnuAbVol) {
        absoluteVolume_ = checked;
        return;
    }
    HMENU menu = isTrayMenuItem(id) ? trayMenu_.get() : menuBar_;
    CheckMenuItem(menu, static_cast<UINT>(id), MF_BYCOMMAND | (checked ? MF_CHECKED : MF_UNCHECKED));
}

std::wstring Form1::controlText(int id) const { return windowText(item(id)); }

void Form1::setControlText(int id, const std::wstring& text) { SetWindowTextW(item(id), text.c_str()); }

std::wstring Form1::delayText() const { return controlText(ids::kTxtDelay); }

void Form1::setDelayText(const std::wstring& text) { setControlText(ids::kTxtDelay, text); }

void Form1::showCountdown(std::int32_t seconds) {
    setControlText(ids::kTxtCountdown, std::to_wstring(seconds));
    // On the screen before the tip goes to the shell, which at start adds the tray icon.
    UpdateWindow(item(ids::kTxtCountdown));
}

void Form1::showStatusNow(const std::wstring& text) {
    setControlText(ids::kLabel3, text);
    RedrawWindow(hwnd(), nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_UPDATENOW);
}

void Form1::showDelayTip(const std::wstring& text) {
    EDITBALLOONTIP tip{sizeof tip, L"Delay in minutes", text.c_str(), TTI_INFO};
    Edit_ShowBalloonTip(item(ids::kTxtDelay), &tip);
}

// Messages -----------------------------------------------------------------------------------

void Form1::onCommand(int id, int code) {
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
        if (code == BN_CLICKED) {
            chkMute_Click();
            userChangedMute();
        }
        break;
    case ids::kCmdStop:
        if (code == BN_CLICKED) cmdStop_Click();
        break;
    case ids::kTxtDelay:
        if (code != EN_CHANGE) break;
        if (loading_) {
            delayRestored_ = true;
        } else if (parts_.driver.announced()) {
            // Changed (from outside) before the run's message came: the handler's wait would
            // handle that message and hold the whole run inside this change. It runs once the
            // run's first value is up, as a restored delay's does; that value uses the new text.
            PostMessageW(hwnd(), kDelayRestored, 0, 0);
        } else {
            parts_.scheduler.txtDelay_Change();
        }
        break;
    case IDOK:  // Enter, through the dialog keyboard handling
        if (GetFocus() == lists_.fileListWindow()) testPlay();
        if (GetFocus() == lists_.folderListWindow()) openSelectedFolder();
        break;
    case ids::kMnuChooseFolder: mnuChooseFolder_Click(); break;
    case ids::kMnuSystray: mnuSystray_Click(); break;
    case ids::kMnuSystray2: mnuSystray2_Click(); break;
    case ids::kMnuStartup: mnuStartup_Click(); break;
    case ids::kMnuStartup2: mnuStartup2_Click(); break;
    case ids::kMnuMute: mnuMute_Click(); break;
    case ids::kMnuSettings: restoreWindow(); break;
    case ids::kMnuExit: mnuExit_Click(); break;  // neither returns: the process ends
    case ids::kMnuTerminate: mnuTerminate_Click(); break;
    case ids::kMnuAbout: mnuAbout_Click(); break;
    case ids::kMnuQuiet:
    case ids::kMnuQuiet2: mnuQuiet_Click(); break;
    case ids::kMnuHoldBusy:
    case ids::kMnuHoldBusy2: mnuHoldBusy_Click(); break;
    case ids::kMnuPlayNow:
    case ids::kMnuPlayNow2: mnuPlayNow_Click(); break;
    case ids::kMnuSkip:
    case ids::kMnuSkip2: mnuSkip_Click(); break;
    default:
        for (const auto& item : kMuteForItems)
            if (item.id == id) mnuMuteFor_Click(item.choice);
        break;
    }
}

void Form1::onActivate(WPARAM wParam, LPARAM lParam) {
    // The window counts as activated again when another window of this program (the
    // About box, a message box) was active before it. lParam names the other window
    // (it may already be gone when it was destroyed, so it is checked as it leaves).
    const HWND other = reinterpret_cast<HWND>(lParam);
    const bool ours = other && GetWindowThreadProcessId(other, nullptr) == GetCurrentThreadId();
    if (LOWORD(wParam) == WA_INACTIVE) {
        otherWindowWasActive_ = ours;
    } else if (otherWindowWasActive_ || ours) {
        otherWindowWasActive_ = false;
        activate();
    }
}

LRESULT Form1::onMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == taskbarCreated_ && taskbarCreated_ != 0) {
        tray_.addAgain();
        return 0;
    }
    if (msg == showMessage_ && showMessage_ != 0) {
        restoreWindow();
        return 0;
    }
    switch (msg) {
    case WM_CREATE:
        createControls();
        return 0;
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
        if (wParam == kMuteForTimer) checkMuteForEnd();
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
    case kRunActivation:
        parts_.driver.drive([this] { form_activate(); });
        return 0;
    case kDelayRestored:
        // Nested in the run's first pass over the events, where it comes before the paint.
        paintPending();
        parts_.scheduler.txtDelay_Change();
        // A restored delay is no edit: the count drawn from it stands.
        parts_.scheduler.restartFlag = false;
        return 0;
    case WM_ACTIVATE:
        onActivate(wParam, lParam);
        return defaultHandling(msg, wParam, lParam);
    case WM_QUERYENDSESSION:
        // The session may be ended without further notice: save now, and only once.
        if (!savedForSessionEnd_) saveSettings();
        savedForSessionEnd_ = true;
        return TRUE;
    case WM_ENDSESSION:
        if (!wParam) {
            savedForSessionEnd_ = false;  // the end was cancelled: the next one saves again
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
