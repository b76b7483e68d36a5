#include "mainwindow/form1.h"

#include <commctrl.h>
#include <windowsx.h>

#include "common/text.h"
#include "common/winutil.h"
#include "mainwindow/ids.h"
#include "common/random.h"
#include "playback/media_check.h"
#include "resource.h"
#include "settings/settings.h"

namespace zt {

namespace {

// The client area at creation, in twips.
constexpr int kClientWidthTwips = 5910;
constexpr int kClientHeightTwips = 4815;
constexpr DWORD kStyle = WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN;
constexpr DWORD kExStyle = WS_EX_CONTROLPARENT;
constexpr UINT_PTR kTrayRetryTimer = 1;
// Posted by WM_SIZE: hiding inside the minimise itself does not stick under every window
// manager, so the window hides once the minimise has finished.
constexpr UINT kHideIfMinimised = WM_APP + 2;
// Posted by activate(): starts the scheduler runs from the top of the message loop.
constexpr UINT kRunActivation = WM_APP + 3;
constexpr wchar_t kStartupSound[] = L"startup.wav";
constexpr int kSliderMax = 100;

// The controls, in tab order, with their places in twips (left, top, width, height).
struct ControlSpec {
    int id;
    const wchar_t* className;  // nullptr: one of the list classes, created on its own
    const wchar_t* text;
    DWORD style;
    int left, top, width, height;
};

constexpr DWORD kLabel = WS_CHILD | WS_VISIBLE | SS_LEFT | SS_NOPREFIX;
constexpr DWORD kEdit = WS_CHILD | WS_VISIBLE | WS_TABSTOP | ES_AUTOHSCROLL;

const ControlSpec kControls[] = {
    {ids::kLblVolume, WC_STATICW, L"", kLabel, 3960, 2760, 615, 255},
    {ids::kFile1, nullptr, nullptr, 0, 2400, 360, 3255, 2235},
    {ids::kDir1, nullptr, nullptr, 0, 240, 720, 2055, 1890},
    {ids::kDrive1, nullptr, nullptr, 0, 240, 360, 2055, 315},
    {ids::kLabel1, WC_STATICW, L"Volume", kLabel, 3120, 2760, 735, 255},
    {ids::kLabel2, WC_STATICW, L"*.WAV;*.MP3 path", kLabel, 240, 120, 1575, 255},
    {ids::kLabel3, WC_STATICW, L"", kLabel, 1800, 3720, 3855, 735},
    // As wide as the list below it, so the heading fits in the system font.
    {ids::kLabel4, WC_STATICW, L"Sounds File list (double-click to test)", kLabel, 2400, 120, 3255, 255},
    {ids::kChkMute, WC_BUTTONW, L"Mute", WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_AUTOCHECKBOX, 240, 3600, 975, 375},
    {ids::kTxtDelay, WC_EDITW, L"1", kEdit, 1800, 2760, 975, 375},
    {ids::kLabel5, WC_STATICW, L"Delay in minutes", kLabel, 240, 2760, 1575, 255},
    {ids::kLabel6, WC_STATICW, L"Countdown (secs)", kLabel, 240, 3240, 1575, 255},
    {ids::kTxtCountdown, WC_EDITW, L"", kEdit | ES_READONLY, 1800, 3240, 975, 375},
    {ids::kSlider1, TRACKBAR_CLASSW, L"", WS_CHILD | WS_VISIBLE | WS_TABSTOP | TBS_HORZ | TBS_AUTOTICKS,
     3000, 3000, 2655, 495},
    {ids::kCmdStop, WC_BUTTONW, L"Stop sound", WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON, 240, 4080,
     1335, 375},
};

// Rows the drive list drops down to.
constexpr int kDriveDropRows = 10;

bool isTrayMenuItem(int id) { return id >= ids::kMnuSystray2 && id <= ids::kMnuTerminate; }

int menuId(SettingsControls::MenuItem item) {
    using Item = SettingsControls::MenuItem;
    switch (item) {
    case Item::mnuAbVol: return ids::kMnuAbVol;
    case Item::mnuSystray: return ids::kMnuSystray;
    case Item::mnuSystray2: return ids::kMnuSystray2;
    case Item::mnuStartup: return ids::kMnuStartup;
    case Item::mnuStartup2: return ids::kMnuStartup2;
    }
    return 0;
}

}  // namespace

// The window's controls as the settings see them. Every change runs the control's own
// change handling, as a user's change would.
class FormSettings final : public SettingsControls {
public:
    explicit FormSettings(Form1& form) : f_(form) {}
    bool folderExists(const std::wstring& path) override { return PathExists(path); }
    void setDrive1(const std::wstring& folderPath) override {
        const std::wstring before = f_.Drive1.drive();
        if (f_.Drive1.selectDriveOf(folderPath) && f_.Drive1.drive() != before) f_.Drive1_Change();
    }
    void setFile1Path(const std::wstring& path) override { f_.File1.setPath(path); }
    void setDir1Path(const std::wstring& path) override {
        const std::wstring before = f_.Dir1.path();
        if (f_.Dir1.setPath(path) && f_.Dir1.path() != before) f_.Dir1_Change();
    }
    std::wstring file1Path() override { return f_.File1.path(); }
    std::int32_t slider1Value() override {
        // A slider that does not answer its range gives no position worth keeping either.
        const bool answers = SendMessageW(f_.item(ids::kSlider1), TBM_GETRANGEMAX, 0, 0) == kSliderMax;
        return answers ? f_.sliderValue() : -1;
    }
    void setSlider1Value(std::int32_t value) override { f_.setSliderValue(value); }
    std::int16_t chkMuteValue() override { return static_cast<std::int16_t>(f_.muteValue()); }
    void setChkMuteValue(std::int16_t value) override { f_.setMuteValue(value); }
    std::wstring txtDelayText() override { return f_.controlText(ids::kTxtDelay); }
    void setTxtDelayText(const std::wstring& text) override { f_.setControlText(ids::kTxtDelay, text); }
    std::wstring formatNumber(double value) override { return zt::formatNumber(value); }
    wchar_t decimalSeparator() override { return zt::decimalSeparator(); }
    bool menuChecked(MenuItem item) override { return f_.menuChecked(menuId(item)); }
    void setMenuChecked(MenuItem item, bool checked) override { f_.setMenuChecked(menuId(item), checked); }

private:
    Form1& f_;
};

// The window's controls as the scheduler sees them.
class FormSchedulerHost final : public SchedulerHost {
public:
    explicit FormSchedulerHost(Form1& form) : f_(form) {}
    std::wstring delayText() const override { return f_.controlText(ids::kTxtDelay); }
    void setDelayText(const std::wstring& text) override { f_.setControlText(ids::kTxtDelay, text); }
    std::wstring countdownText() const override { return f_.controlText(ids::kTxtCountdown); }
    void setCountdownText(const std::wstring& text) override { f_.setControlText(ids::kTxtCountdown, text); }
    bool mnuMuteChecked() const override { return f_.menuChecked(ids::kMnuMute); }
    int chkMuteValue() const override { return f_.muteValue(); }
    void setTrayTip(const std::wstring& text) override { f_.setTrayTip(text); }
    void refreshFile1() override {
        f_.File1.refresh([] { processPendingEvents(); });
    }
    int file1Count() const override { return f_.File1.count(); }
    std::wstring file1Entry(int index) const override { return f_.File1.entry(index); }
    std::wstring file1Path() const override { return f_.File1.path(); }
    // The file list shows its own "no sounds" text whenever it is empty.
    void showNoSoundsHint(bool) override {}
    void setLabel3Caption(const std::wstring& text) override { f_.setControlText(ids::kLabel3, text); }
    void repaintNow() override {
        RedrawWindow(f_.hwnd_, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    }
    void playsound(const std::wstring& path) override { f_.playsound(path); }
    std::optional<double> strictNumber(const std::wstring& text) const override { return zt::strictNumber(text); }
    std::wstring formatNumber(double value) const override { return zt::formatNumber(value); }
    wchar_t decimalSeparator() const override { return zt::decimalSeparator(); }

private:
    Form1& f_;
};

Form1::Form1()
    : schedulerHost_(std::make_unique<FormSchedulerHost>(*this)),
      scheduler_(*schedulerHost_, waiter_, programRandom(), [this] { return driver_.abandoned(); }) {}

Form1::~Form1() = default;

bool Form1::create(HINSTANCE instance) {
    instance_ = instance;
    icon_ = static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(IDI_APP), IMAGE_ICON, 32, 32, LR_SHARED));

    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = windowProc;
    wc.hInstance = instance;
    wc.hIcon = icon_;
    wc.hIconSm = static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(IDI_APP), IMAGE_ICON,
                                               GetSystemMetrics(SM_CXSMICON),
                                               GetSystemMetrics(SM_CYSMICON), LR_SHARED));
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = kClassName;
    if (!RegisterClassExW(&wc) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) return false;

    taskbarCreated_ = RegisterWindowMessageW(L"TaskbarCreated");
    return CreateWindowExW(kExStyle, kClassName, L"zirrotone", kStyle, CW_USEDEFAULT, CW_USEDEFAULT,
                           CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr, instance, this) != nullptr;
}

LRESULT CALLBACK Form1::windowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_NCCREATE) {
        auto* self = static_cast<Form1*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        self->hwnd_ = hwnd;
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    }
    auto* self = reinterpret_cast<Form1*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    return self ? self->handle(msg, wParam, lParam) : DefWindowProcW(hwnd, msg, wParam, lParam);
}

// Creation and layout --------------------------------------------------------------------

void Form1::createMenus() {
    HMENU file = CreatePopupMenu();
    AppendMenuW(file, MF_STRING, ids::kMnuSystray, L"Start in system tray");
    AppendMenuW(file, MF_STRING, ids::kMnuStartup, L"Run at startup");
    // "Absolute volume" is never offered: its check mark lives in absoluteVolume_.
    AppendMenuW(file, MF_STRING, ids::kMnuExit, L"Exit");
    HMENU help = CreatePopupMenu();
    AppendMenuW(help, MF_STRING, ids::kMnuAbout, L"About");
    menuBar_ = CreateMenu();
    AppendMenuW(menuBar_, MF_POPUP, reinterpret_cast<UINT_PTR>(file), L"File");
    AppendMenuW(menuBar_, MF_POPUP, reinterpret_cast<UINT_PTR>(help), L"Help");
    SetMenu(hwnd_, menuBar_);

    trayMenu_.reset(CreatePopupMenu());
    AppendMenuW(trayMenu_.get(), MF_STRING, ids::kMnuSystray2, L"Start in system tray");
    AppendMenuW(trayMenu_.get(), MF_STRING, ids::kMnuStartup2, L"Run at startup");
    AppendMenuW(trayMenu_.get(), MF_STRING, ids::kMnuMute, L"Mute");
    AppendMenuW(trayMenu_.get(), MF_STRING, ids::kMnuSettings, L"Settings");
    AppendMenuW(trayMenu_.get(), MF_STRING, ids::kMnuTerminate, L"Terminate");
}

void Form1::createControls() {
    for (const auto& spec : kControls) {
        switch (spec.id) {
        case ids::kFile1: File1.create(hwnd_, spec.id); break;
        case ids::kDir1: Dir1.create(hwnd_, spec.id); break;
        case ids::kDrive1: Drive1.create(hwnd_, spec.id); break;
        default:
            const bool edit = spec.id == ids::kTxtDelay || spec.id == ids::kTxtCountdown;
            CreateWindowExW(edit ? WS_EX_CLIENTEDGE : 0, spec.className, spec.text,
                            spec.style, 0, 0, 0, 0, hwnd_,
                            reinterpret_cast<HMENU>(static_cast<INT_PTR>(spec.id)), instance_, nullptr);
        }
    }
    HWND slider = item(ids::kSlider1);
    SendMessageW(slider, TBM_SETRANGE, FALSE, MAKELPARAM(0, kSliderMax));
    SendMessageW(slider, TBM_SETTICFREQ, 10, 0);
    SendMessageW(slider, TBM_SETPAGESIZE, 0, 10);
    SendMessageW(slider, TBM_SETLINESIZE, 0, 1);
    SendMessageW(slider, TBM_SETPOS, TRUE, 50);
    applyFont();
    layout();
}

void Form1::applyFont() {
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof metrics;
    if (SystemParametersInfoForDpi(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0, dpi_))
        font_.reset(CreateFontIndirectW(&metrics.lfMessageFont));
    for (const auto& spec : kControls)
        SendMessageW(item(spec.id), WM_SETFONT, reinterpret_cast<WPARAM>(font_.get()), TRUE);
}

void Form1::layout() {
    for (const auto& spec : kControls) {
        int height = twips(spec.height);
        // A drop-down list's height is that of its open list; the closed box sizes itself.
        if (spec.id == ids::kDrive1) height *= kDriveDropRows;
        MoveWindow(item(spec.id), twips(spec.left), twips(spec.top), twips(spec.width), height, TRUE);
    }
}

void Form1::sizeToClientArea() {
    RECT rc{0, 0, twips(kClientWidthTwips), twips(kClientHeightTwips)};
    AdjustWindowRectExForDpi(&rc, kStyle, GetMenu(hwnd_) != nullptr, kExStyle, dpi_);
    SetWindowPos(hwnd_, nullptr, 0, 0, rc.right - rc.left, rc.bottom - rc.top,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void Form1::centre() {
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    GetMonitorInfoW(MonitorFromWindow(hwnd_, MONITOR_DEFAULTTOPRIMARY), &monitor);
    RECT window;
    GetWindowRect(hwnd_, &window);
    const auto& screen = monitor.rcMonitor;
    const float left = static_cast<float>(screen.right - screen.left - (window.right - window.left)) / 2.0f;
    const float top = static_cast<float>(screen.bottom - screen.top - (window.bottom - window.top)) / 2.0f;
    SetWindowPos(hwnd_, nullptr, screen.left + static_cast<int>(left), screen.top + static_cast<int>(top), 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

// Load and unload -------------------------------------------------------------------------

void Form1::Form_Load() {
    centre();
    FormSettings settings(*this);
    restoreSettings(store_, settings);
    programRandom().seed(static_cast<std::uint64_t>(GetTickCount64()) ^ GetCurrentProcessId());
    scheduler_.lastPlayed.clear();
    if (menuChecked(ids::kMnuSystray)) {
        // Straight to the tray: the window is never shown, so nothing flashes.
        ShowWindow(hwnd_, SW_HIDE);
    } else {
        ShowWindow(hwnd_, SW_SHOWNORMAL);
        UpdateWindow(hwnd_);
    }
    if (!tray_.add(hwnd_, icon_, kStartupTip)) SetTimer(hwnd_, kTrayRetryTimer, 2000, nullptr);
    Slider1_Click();
    // Restoring the delay may have run its edit handler; no run has started yet.
    scheduler_.restartFlag = false;
    RedrawWindow(hwnd_, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_UPDATENOW);
}

void Form1::activate() {
    if (driver_.request()) PostMessageW(hwnd_, kRunActivation, 0, 0);
}

void Form1::checkMediaPlayer() {
    const MediaCheckResult check = checkMediaRuntime();
    if (!check.mpVersion.empty()) mpVersion_ = check.mpVersion;
    if (!check.passed) {
        showMediaCheckFailure(hwnd_, check);
        Form_Unload();
    }
    if (about_) about_->setMediaPlayerVersion(mpVersion_);
}

void Form1::form_activate() {
    checkMediaPlayer();
    const std::wstring startup = addSlash(programFolder()) + kStartupSound;
    if (FileExists(startup)) playsound(startup);  // even when muted
    if (driver_.abandoned()) return;
    Command1_Click();
}

void Form1::saveSettings() {
    FormSettings settings(*this);
    zt::saveSettings(store_, settings);
}

void Form1::Form_Unload() {
    saveSettings();
    tray_.remove();
    ExitProcess(0);
}

// Handlers ---------------------------------------------------------------------------------

void Form1::Drive1_Change() {
    const std::wstring drive = Drive1.drive();
    // The drive's own current folder, as the system remembers it per drive.
    wchar_t folder[MAX_PATH];
    const DWORD n = GetFullPathNameW(drive.c_str(), MAX_PATH, folder, nullptr);
    const std::wstring target = (n > 0 && n < MAX_PATH) ? std::wstring(folder, n) : addSlash(drive);
    if (!Dir1.setPath(target)) {
        Drive1.selectDriveOf(Dir1.path());
        folderUnreadable(addSlash(drive));
        return;
    }
    Dir1_Change();
}

void Form1::Dir1_Change() {
    if (!File1.setPath(Dir1.path())) {
        folderUnreadable(Dir1.path());
        Dir1.setPath(File1.path());
        Drive1.selectDriveOf(File1.path());
    }
}

void Form1::openSelectedFolder() {
    const std::wstring target = Dir1.selectedPath();
    if (target.empty() || target == Dir1.path()) return;
    if (!Dir1.setPath(target)) {
        folderUnreadable(target);
        return;
    }
    Dir1_Change();
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
}

void Form1::mnuSystray_Click() {
    setMenuChecked(ids::kMnuSystray, !menuChecked(ids::kMnuSystray));
    setMenuChecked(ids::kMnuSystray2, menuChecked(ids::kMnuSystray));
}

void Form1::mnuStartup_Click() {
    FormSettings settings(*this);
    toggleRunAtStartup(store_, settings, programPath());
}

void Form1::mnuAbout_Click() {
    if (about_) about_->showModal();
}

void Form1::Slider1_Click() { setControlText(ids::kLblVolume, std::to_wstring(sliderValue()) + L"%"); }

bool Form1::playsound(const std::wstring& soundName) {
    // A newer activation ends the wait (not the sound): its run must not wait for this one.
    const PlayResult result = player_.playsound(soundName, sliderValue(), [this] { return driver_.abandoned(); });
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
    const std::wstring name = File1.entry(File1.selectedIndex());
    if (!name.empty()) playsound(addSlash(File1.path()) + name);
}

void Form1::restoreWindow() {
    ShowWindow(hwnd_, SW_RESTORE);
    // Always the normal size: a window maximised before it went to the tray comes back
    // maximised from the first restore.
    if (IsZoomed(hwnd_)) ShowWindow(hwnd_, SW_RESTORE);
    SetForegroundWindow(hwnd_);
    ShowWindow(hwnd_, SW_SHOW);
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
    SetForegroundWindow(hwnd_);
    POINT at;
    GetCursorPos(&at);
    const UINT flags = TPM_LEFTALIGN | TPM_LEFTBUTTON |
                       (GetSystemMetrics(SM_MENUDROPALIGNMENT) ? TPM_RIGHTALIGN : 0);
    TrackPopupMenuEx(trayMenu_.get(), flags, at.x, at.y, hwnd_, nullptr);
    // Lets the menu close when the user clicks elsewhere next time.
    PostMessageW(hwnd_, WM_NULL, 0, 0);
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
        if (code == BN_CLICKED) chkMute_Click();
        break;
    case ids::kCmdStop:
        if (code == BN_CLICKED) cmdStop_Click();
        break;
    case ids::kTxtDelay:
        if (code == EN_CHANGE) scheduler_.txtDelay_Change();
        break;
    case IDOK:  // Enter, through the dialog keyboard handling
        if (GetFocus() == File1.hwnd()) testPlay();
        if (GetFocus() == Dir1.hwnd()) openSelectedFolder();
        break;
    case ids::kMnuSystray: mnuSystray_Click(); break;
    case ids::kMnuSystray2: mnuSystray2_Click(); break;
    case ids::kMnuStartup: mnuStartup_Click(); break;
    case ids::kMnuStartup2: mnuStartup2_Click(); break;
    case ids::kMnuMute: mnuMute_Click(); break;
    case ids::kMnuSettings: restoreWindow(); break;
    case ids::kMnuExit: mnuExit_Click();
    case ids::kMnuTerminate: mnuTerminate_Click();
    case ids::kMnuAbout: mnuAbout_Click(); break;
    default: break;
    }
}

LRESULT Form1::handle(UINT msg, WPARAM wParam, LPARAM lParam) noexcept {
    if (msg == taskbarCreated_ && taskbarCreated_ != 0) {
        tray_.addAgain();
        return 0;
    }
    static const UINT showMessage = RegisterWindowMessageW(kShowMessage);
    if (msg == showMessage && showMessage != 0) {
        restoreWindow();
        return 0;
    }
    switch (msg) {
    case WM_CREATE:
        dpi_ = GetDpiForWindow(hwnd_);
        createMenus();
        createControls();
        sizeToClientArea();
        return 0;
    case WM_DPICHANGED: {
        dpi_ = HIWORD(wParam);
        applyFont();
        Dir1.dpiChanged(dpi_);
        layout();
        const auto* suggested = reinterpret_cast<const RECT*>(lParam);
        SetWindowPos(hwnd_, nullptr, suggested->left, suggested->top, suggested->right - suggested->left,
                     suggested->bottom - suggested->top, SWP_NOZORDER | SWP_NOACTIVATE);
        return 0;
    }
    case WM_MEASUREITEM: {
        auto* mis = reinterpret_cast<MEASUREITEMSTRUCT*>(lParam);
        if (mis->CtlID == static_cast<UINT>(ids::kDir1)) Dir1.measureItem(*mis, dpi_);
        return TRUE;
    }
    case WM_DRAWITEM: {
        const auto* dis = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
        if (dis->CtlID == static_cast<UINT>(ids::kDir1)) Dir1.drawItem(*dis, dpi_);
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
        if (wParam == kTrayRetryTimer && tray_.retry()) KillTimer(hwnd_, kTrayRetryTimer);
        return 0;
    case WM_SIZE:
        // Minimised means gone to the tray: hidden, no taskbar button.
        if (wParam == SIZE_MINIMIZED) PostMessageW(hwnd_, kHideIfMinimised, 0, 0);
        return 0;
    case kHideIfMinimised:
        if (IsIconic(hwnd_)) ShowWindow(hwnd_, SW_HIDE);
        return 0;
    case kRunActivation:
        driver_.drive([this] { form_activate(); });
        return 0;
    case WM_ACTIVATE: {
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
        return DefWindowProcW(hwnd_, msg, wParam, lParam);
    }
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
        Form_Unload();
    case WM_CLOSE:
        Form_Unload();
    default:
        return DefWindowProcW(hwnd_, msg, wParam, lParam);
    }
}

}  // namespace zt
