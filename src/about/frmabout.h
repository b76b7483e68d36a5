#pragma once
// The About dialog: the program's version, the media runtime's version as the check found
// it, and a launcher for the system information tool.
#include <windows.h>

#include <optional>
#include <string>

#include "common/names.h"
#include "common/scoped.h"
#include "common/window.h"
#include "mainwindow/about_box.h"

namespace zt {

// What StartSysInfo did: started the tool, or told the user it is unavailable.
enum class SysInfoResult { Started, Unavailable };

// "Version major.minor.revision" from the file's version resource, or from the build's
// version numbers when the file has none.
std::wstring programVersionText(const std::wstring& exePath);

class frmAbout final : public Window, public AboutBox {
public:
    static constexpr const wchar_t* kClassName = kAboutWindowClass;
    static constexpr const wchar_t* kAppTitle = L"zirrotone";
    static constexpr const wchar_t* kMPverDesigned = L"MPversion";
    static constexpr const wchar_t* kMPverPrefix = L"Media Player version: ";

    // Control ids (GetDlgItem on hwnd()). cmdOK is IDOK so that Enter reaches it.
    enum ControlId : int {
        idOK = IDOK,
        idSysInfo = 100,
        idIcon,
        idTitle,
        idVersion,
        idMPver,
        idDescription,
        idLabel1,
        idDisclaimer,
    };

    explicit frmAbout(HINSTANCE instance = GetModuleHandleW(nullptr)) : instance_(instance) {}
    ~frmAbout() override;

    // Creates the window hidden and runs the load handler, unless it is loaded already.
    bool load();
    // Destroys the window; the next use loads it afresh.
    void unload();
    // Loads if needed, shows the dialog and returns once it has been closed. The thread's
    // other top-level windows are disabled meanwhile.
    void showModal() override;
    // The media check's line, written into lblMPver now if the dialog is loaded, else by
    // the next load: nothing is created for it at start. An unload drops it again.
    void setMediaPlayerVersion(const std::wstring& mpVersion) override;

    // Starts the system information tool found through HKLM, or shows
    // "System Information Is Unavailable At This Time" and returns when it is closed.
    SysInfoResult StartSysInfo();

private:
    LRESULT onMessage(UINT msg, WPARAM wParam, LPARAM lParam) override;
    std::span<const Placement> placements() const override;
    void dpiChanged() override;
    void destroyed() override;
    void closeWindow() override;

    void Form_Load();
    void createControls();
    void paint();

    HINSTANCE instance_;
    HWND owner_ = nullptr;  // hidden, never shown: keeps the dialog off the taskbar
    std::optional<std::wstring> mpVersion_;  // for lblMPver at the next load
    ScopedIcon icon_;

    HWND picIcon = nullptr;
    HWND lblTitle = nullptr;
    HWND lblVersion = nullptr;
    HWND lblMPver = nullptr;
    HWND lblDescription = nullptr;
    HWND Label1 = nullptr;
    HWND lblDisclaimer = nullptr;
    HWND cmdOK = nullptr;
    HWND cmdSysInfo = nullptr;
};

}  // namespace zt
