#include "about/frmabout.h"

#include <algorithm>

#include "common/text.h"
#include "common/winutil.h"
#include "playback/media_check.h"
#include "settings/registry.h"
#include "resource.h"
#include "version.h"

namespace zt {

namespace {

constexpr DWORD kStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
constexpr DWORD kExStyle = WS_EX_DLGMODALFRAME | WS_EX_CONTROLPARENT;

// The client area and the controls, in twips.
constexpr int kClientWidthTwips = 5730;
constexpr int kClientHeightTwips = 4665;
constexpr Placement kPlacements[] = {
    {frmAbout::idIcon, 240, 240, 540, 540},
    {frmAbout::idTitle, 1080, 240, 3885, 240},
    {frmAbout::idVersion, 1080, 600, 3885, 225},
    {frmAbout::idMPver, 1080, 960, 3855, 255},
    {frmAbout::idDescription, 1080, 1320, 3885, 810},
    {frmAbout::idLabel1, 1080, 2280, 3855, 495},
    {frmAbout::idDisclaimer, 240, 3105, 3870, 1305},
    {frmAbout::idOK, 4245, 3465, 1260, 345},
    {frmAbout::idSysInfo, 4260, 3915, 1245, 345},
};
// The two-tone separator: a grey line over the top of a 2-pixel white one.
constexpr int kSeparatorYTwips = 3000;
constexpr int kGreyLeftTwips = 90;
constexpr int kWhiteLeftTwips = 105;
constexpr int kSeparatorRightTwips = 5654;
constexpr COLORREF kSeparatorGrey = RGB(0x80, 0x80, 0x80);

constexpr int kIconPixels = 32;  // at 96 DPI

constexpr wchar_t kDescription[] =
    L"Zirrotone will play WAV and MP3 files at random in the defined folder. It is free.\r\n"
    L"Comments and problem reports are welcome where Zirrotone is published.";
constexpr wchar_t kNotice[] = L"\u00A9 2026 the Zirrotone developers";
constexpr wchar_t kDisclaimer[] =
    L"Warning: this program is protected by copyright. It may be copied and passed on, in whole "
    L"or in part, only together with its copyright notice and the MIT licence (LICENSE.txt). "
    L"It comes without warranty of any kind.";

constexpr wchar_t kSysInfoKey[] = L"SOFTWARE\\Microsoft\\Shared Tools\\MSINFO";
constexpr wchar_t kSysInfoLocationKey[] = L"SOFTWARE\\Microsoft\\Shared Tools Location";
constexpr wchar_t kSysInfoExe[] = L"\\MSINFO32.EXE";
constexpr wchar_t kSysInfoUnavailable[] = L"System Information Is Unavailable At This Time";

// The text of a string value; "" for a value of another type (it names nothing to start);
// nothing when the key or the value is missing.
std::optional<std::wstring> lookUp(const std::wstring& keyName, const std::wstring& valueName) {
    const auto value = readRegValue(HKEY_LOCAL_MACHINE, keyName, valueName);
    if (!value) return std::nullopt;
    return value->type == REG_SZ ? regText(value->bytes) : std::wstring();
}

// A plain file of that name: folders, hidden and system files do not count.
bool ordinaryFileExists(const std::wstring& path) {
    WIN32_FIND_DATAW data;
    ScopedFind find(FindFirstFileW(path.c_str(), &data));
    if (!find) return false;
    do {
        if (!(data.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM)))
            return true;
    } while (FindNextFileW(find.get(), &data));
    return false;
}

// The path is the program to run, never a command line to be split at its blanks. Only a
// full path counts: a relative one would start whatever lies in the current folder.
bool startProgram(const std::wstring& path) {
    if (!isAbsolutePath(path) || !FileExists(path)) return false;
    std::wstring commandLine = L"\"" + path + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_SHOWNORMAL;
    PROCESS_INFORMATION info{};
    if (!CreateProcessW(path.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &info))
        return false;
    ScopedHandle process(info.hProcess), thread(info.hThread);
    AllowSetForegroundWindow(info.dwProcessId);
    return true;
}

}  // namespace

std::wstring programVersionText(const std::wstring& exePath) {
    const auto version = readFileVersion(exePath);
    if (version && (version->major || version->minor || version->third))
        return L"Version " + std::to_wstring(version->major) + L'.' + std::to_wstring(version->minor) + L'.' +
               std::to_wstring(version->third);
    return L"Version " + std::to_wstring(ZT_VERSION_MAJOR) + L'.' + std::to_wstring(ZT_VERSION_MINOR) + L'.' +
           std::to_wstring(ZT_VERSION_PATCH);
}

frmAbout::~frmAbout() { unload(); }

bool frmAbout::load() {
    if (hwnd()) return true;
    owner_ = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, instance_, nullptr);
    WindowSpec spec{kClassName};
    spec.style = kStyle;
    spec.exStyle = kExStyle;
    spec.clientWidthTwips = kClientWidthTwips;
    spec.clientHeightTwips = kClientHeightTwips;
    spec.dialogKeys = true;
    if (!createWindow(instance_, spec, owner_)) {
        if (owner_) DestroyWindow(std::exchange(owner_, nullptr));
        return false;
    }
    Form_Load();
    return true;
}

void frmAbout::Form_Load() {
    SetWindowTextW(hwnd(), (std::wstring(L"About ") + kAppTitle).c_str());
    SetWindowTextW(lblVersion, programVersionText(programPath()).c_str());
    SetWindowTextW(lblTitle, kAppTitle);
    if (mpVersion_) SetWindowTextW(lblMPver, (kMPverPrefix + *std::exchange(mpVersion_, std::nullopt)).c_str());
    centreOnMonitor();
}

void frmAbout::unload() { closeWindow(); }

void frmAbout::closeWindow() {
    Window::closeWindow();
    if (owner_) DestroyWindow(std::exchange(owner_, nullptr));
}

void frmAbout::showModal() {
    if (load()) runModal(owner_);
}

void frmAbout::setMediaPlayerVersion(const std::wstring& mpVersion) {
    if (hwnd())
        SetWindowTextW(lblMPver, (kMPverPrefix + mpVersion).c_str());
    else
        mpVersion_ = mpVersion;
}

SysInfoResult frmAbout::StartSysInfo() {
    try {
        // Only a missing PATH falls back to the tool's folder; an empty one is the answer.
        auto path = lookUp(kSysInfoKey, L"PATH");
        if (!path) {
            const auto folder = lookUp(kSysInfoLocationKey, L"MSINFO");
            // Appended as is, whether or not the folder ends in a backslash.
            if (folder && !folder->empty() && ordinaryFileExists(*folder + kSysInfoExe)) path = *folder + kSysInfoExe;
        }
        if (path && startProgram(*path)) return SysInfoResult::Started;
    } catch (...) {
        // Out of memory: the same message as any other failure.
    }
    MessageBoxW(hwnd(), kSysInfoUnavailable, kAppTitle, MB_OK);
    return SysInfoResult::Unavailable;
}

void frmAbout::createControls() {
    auto make = [this](const wchar_t* cls, const wchar_t* text, DWORD style, int id) {
        return CreateWindowExW(0, cls, text, WS_CHILD | WS_VISIBLE | style, 0, 0, 0, 0, hwnd(),
                               reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance_, nullptr);
    };
    // Created in tab order: OK first.
    cmdOK = make(L"BUTTON", L"OK", WS_TABSTOP | BS_DEFPUSHBUTTON, idOK);
    cmdSysInfo = make(L"BUTTON", L"&System Info...", WS_TABSTOP | BS_PUSHBUTTON, idSysInfo);
    picIcon = make(L"STATIC", L"", SS_OWNERDRAW, idIcon);
    lblTitle = make(L"STATIC", L"", SS_LEFT | SS_NOPREFIX, idTitle);
    lblVersion = make(L"STATIC", L"", SS_LEFT | SS_NOPREFIX, idVersion);
    lblMPver = make(L"STATIC", kMPverDesigned, SS_LEFT | SS_NOPREFIX, idMPver);
    lblDescription = make(L"STATIC", kDescription, SS_LEFT | SS_NOPREFIX, idDescription);
    Label1 = make(L"STATIC", kNotice, SS_LEFT | SS_NOPREFIX, idLabel1);
    lblDisclaimer = make(L"STATIC", kDisclaimer, SS_LEFT | SS_NOPREFIX, idDisclaimer);
}

std::span<const Placement> frmAbout::placements() const { return kPlacements; }

void frmAbout::dpiChanged() {
    const int iconSize = MulDiv(kIconPixels, static_cast<int>(dpi()), USER_DEFAULT_SCREEN_DPI);
    icon_.reset(static_cast<HICON>(
        LoadImageW(instance_, MAKEINTRESOURCEW(IDI_APP), IMAGE_ICON, iconSize, iconSize, LR_DEFAULTCOLOR)));
}

void frmAbout::destroyed() {
    picIcon = lblTitle = lblVersion = lblMPver = lblDescription = Label1 = lblDisclaimer = cmdOK = cmdSysInfo =
        nullptr;
    icon_.reset();
}

void frmAbout::paint() {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(hwnd(), &ps);
    const int y = twips(kSeparatorYTwips);
    const int right = twips(kSeparatorRightTwips);
    const int pixel = std::max(1, MulDiv(1, static_cast<int>(dpi()), USER_DEFAULT_SCREEN_DPI));
    RECT white{twips(kWhiteLeftTwips), y, right, y + 2 * pixel};
    FillRect(dc, &white, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    RECT grey{twips(kGreyLeftTwips), y, right, y + pixel};
    ScopedBrush greyBrush(CreateSolidBrush(kSeparatorGrey));
    if (greyBrush) FillRect(dc, &grey, greyBrush.get());
    EndPaint(hwnd(), &ps);
}

LRESULT frmAbout::onMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_CREATE:
        createControls();
        return 0;
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDOK:
        case IDCANCEL:
            unload();
            return 0;
        case idSysInfo:
            StartSysInfo();
            return 0;
        default:
            break;
        }
        break;
    case DM_GETDEFID:
        return MAKELRESULT(idOK, DC_HASDEFID);
    case WM_ACTIVATE:
        keepFocus(wParam, cmdOK);
        return 0;
    case WM_CLOSE:
        unload();
        return 0;
    case WM_PAINT:
        paint();
        return 0;
    case WM_DRAWITEM: {
        const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
        if (item->CtlID != static_cast<UINT>(idIcon)) break;
        FillRect(item->hDC, &item->rcItem, GetSysColorBrush(COLOR_BTNFACE));
        if (icon_) {
            const int size = MulDiv(kIconPixels, static_cast<int>(dpi()), USER_DEFAULT_SCREEN_DPI);
            DrawIconEx(item->hDC, item->rcItem.left, item->rcItem.top, icon_.get(), size, size, 0, nullptr,
                       DI_NORMAL);
        }
        return TRUE;
    }
    default:
        break;
    }
    return defaultHandling(msg, wParam, lParam);
}

}  // namespace zt
