#pragma once
// The About dialog: the program's version, the media runtime's version as the check found
// it, and a launcher for the system information tool.
#include <windows.h>

#include <string>
#include <vector>

#include "common/scoped.h"

namespace zt {

// What StartSysInfo did: started the tool, or told the user it is unavailable.
enum class SysInfoResult { Started, Unavailable };

// "Version major.minor.revision" from the file's version resource, or from the build's
// version numbers when the file has none.
std::wstring programVersionText(const std::wstring& exePath);

class frmAbout {
public:
    static constexpr const wchar_t* kClassName = L"ZirrotoneAbout";
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
    ~frmAbout();
    frmAbout(const frmAbout&) = delete;
    frmAbout& operator=(const frmAbout&) = delete;

    // Creates the window hidden and runs the load handler, unless it is loaded already.
    bool load();
    bool loaded() const { return hwnd_ != nullptr; }
    // Destroys the window; the next use loads it afresh.
    void unload();
    // Loads if needed, shows the dialog and returns once it has been closed. The thread's
    // other top-level windows are disabled meanwhile.
    void showModal();
    // The media check's line: loads the dialog hidden if needed, then writes lblMPver.
    void setMediaPlayerVersion(const std::wstring& mpVersion);

    HWND hwnd() const { return hwnd_; }

    // Starts the system information tool found through HKLM, or shows
    // "System Information Is Unavailable At This Time" and returns when it is closed.
    SysInfoResult StartSysInfo();
    // Reads one registry value: REG_SZ as its text, REG_DWORD in decimal, other types leave
    // KeyVal as it was. False (and KeyVal empty) when the key or value cannot be read or
    // the data is empty.
    static bool GetKeyValue(HKEY KeyRoot, const std::wstring& KeyName, const std::wstring& SubKeyRef,
                            std::wstring& KeyVal);

private:
    static LRESULT CALLBACK windowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
    LRESULT handle(UINT msg, WPARAM wParam, LPARAM lParam) noexcept;
    LRESULT dispatch(UINT msg, WPARAM wParam, LPARAM lParam);

    void Form_Load();
    void createControls();
    void applyDpi(UINT dpi);
    void layout();
    void paint();
    int twips(int value) const { return MulDiv(value, static_cast<int>(dpi_), 1440); }
    RECT windowRectFor(int left, int top) const;
    static BOOL CALLBACK collectWindow(HWND hwnd, LPARAM lParam);
    void disableOthers();
    void enableOthers();

    HINSTANCE instance_;
    HWND hwnd_ = nullptr;
    HWND owner_ = nullptr;  // hidden, never shown: keeps the dialog off the taskbar
    UINT dpi_ = USER_DEFAULT_SCREEN_DPI;
    ScopedFont font_;
    ScopedIcon icon_;
    HWND focus_ = nullptr;  // the control to give the focus back to on activation
    std::vector<HWND> disabled_;  // what showModal disabled, enabled again at unload
    unsigned loads_ = 0;          // tells a modal loop that its window was replaced

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
