#pragma once
// The main window: the program's one lasting window and the owner of its state.
#include <windows.h>

#include <memory>
#include <string>

#include "common/scoped.h"
#include "common/winutil.h"
#include "mainwindow/file_lists.h"
#include "mainwindow/run_driver.h"
#include "mainwindow/scheduler.h"
#include "playback/directshow_backend.h"
#include "playback/player.h"
#include "playback/wave_out_volume.h"
#include "settings/registry.h"
#include "tray/tray_icon.h"

namespace zt {

// The About box as the main window uses it (the dialog itself lives above the window).
class AboutBox {
public:
    virtual ~AboutBox() = default;
    // Writes the media runtime's version line, loading the dialog hidden if needed.
    virtual void setMediaPlayerVersion(const std::wstring& mpVersion) = 0;
    // Shows the dialog modally and returns when it has been closed.
    virtual void showModal() = 0;
};

class Form1 {
    friend class FormSettings;
    friend class FormSchedulerHost;

public:
    static constexpr const wchar_t* kClassName = L"ZirrotoneMain";
    static constexpr const wchar_t* kStartupTip = L" zirrotone ";
    // Registered message by which a second start asks the running window to show itself.
    static constexpr const wchar_t* kShowMessage = L"Zirrotone.Show";

    Form1();
    ~Form1();
    Form1(const Form1&) = delete;
    Form1& operator=(const Form1&) = delete;

    // Registers the class and creates the window with its controls, not yet shown.
    bool create(HINSTANCE instance);
    HWND hwnd() const { return hwnd_; }
    void setAboutBox(AboutBox* about) { about_ = about; }

    // Load: centre, show (or go straight to the tray), add the tray icon.
    void Form_Load();
    // An activation of the window: the first after load, and each time the window becomes
    // active again after another window of the program was. It starts a new scheduler run
    // in place of the one in progress (from the top of the message loop, never nested).
    void activate();
    // The activation sequence: media check, start-up sound, then the scheduler, which
    // returns only when a newer activation replaces it.
    void form_activate();
    void Command1_Click() { scheduler_.Command1_Click(); }
    // Refuses to go on without the media runtime: tells the user and unloads.
    void checkMediaPlayer();
    // Saves, removes the tray icon and ends the process; does not return.
    [[noreturn]] void Form_Unload();

    // Handlers named after their control and event.
    void Drive1_Change();
    void Dir1_Change();
    void chkMute_Click();
    void mnuMute_Click();
    void mnuSystray_Click();
    void mnuSystray2_Click() { mnuSystray_Click(); }
    void mnuAbVol_Click() { absoluteVolume_ = !absoluteVolume_; }
    void Slider1_Click();
    void Slider1_Change() { Slider1_Click(); }
    [[noreturn]] void mnuExit_Click() { Form_Unload(); }
    [[noreturn]] void mnuTerminate_Click() { mnuExit_Click(); }
    void mnuStartup_Click();
    void mnuStartup2_Click() { mnuStartup_Click(); }
    void mnuAbout_Click();
    void restoreWindow();
    // Plays one file at the slider's volume and returns when it has ended; a file that
    // cannot be played is reported in the status line.
    bool playsound(const std::wstring& soundName);
    void cmdStop_Click() { player_.stop(); }
    void setTrayTip(const std::wstring& text) { tray_.setTip(text); }
    const std::wstring& trayTip() const { return tray_.tip(); }

    // What other parts of the program read and write.
    int muteValue() const;
    void setMuteValue(int value);
    int sliderValue() const;
    void setSliderValue(int value);
    bool menuChecked(int id) const;
    void setMenuChecked(int id, bool checked);
    std::wstring controlText(int id) const;
    void setControlText(int id, const std::wstring& text);

private:
    static LRESULT CALLBACK windowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
    LRESULT handle(UINT msg, WPARAM wParam, LPARAM lParam) noexcept;
    void onCommand(int id, int code);
    void onTrayEvent(UINT code);
    void openTrayMenu();

    void createControls();
    void createMenus();
    void layout();
    void applyFont();
    int twips(int value) const { return MulDiv(value, static_cast<int>(dpi_), 1440); }
    void sizeToClientArea();
    void centre();
    void saveSettings();
    void folderUnreadable(const std::wstring& folder);
    void testPlay();
    void openSelectedFolder();
    HWND item(int id) const { return GetDlgItem(hwnd_, id); }

    HWND hwnd_ = nullptr;
    HINSTANCE instance_ = nullptr;
    HICON icon_ = nullptr;  // shared resource icon: never destroyed
    UINT dpi_ = USER_DEFAULT_SCREEN_DPI;
    UINT taskbarCreated_ = 0;
    ScopedFont font_;
    ScopedMenu trayMenu_;  // `mnu_1`: the tray menu, never in the menu bar
    HMENU menuBar_ = nullptr;  // owned by the window

    DriveList Drive1;
    DirList Dir1;
    FileList File1;
    TrayIcon tray_;
    RegistryStore store_;
    SystemWaiter waiter_;
    DirectShowBackend media_;
    WaveOutVolume deviceVolume_;
    Player player_{media_, deviceVolume_, waiter_};
    RunDriver driver_;
    std::unique_ptr<SchedulerHost> schedulerHost_;
    Scheduler scheduler_;
    bool otherWindowWasActive_ = false;
    bool savedForSessionEnd_ = false;
    AboutBox* about_ = nullptr;
    std::wstring mpVersion_;
    std::wstring playError_;  // the status line's last "Could not play" text
    bool absoluteVolume_ = false;  // `mnuAbVol`: never shown, kept for the settings
};

}  // namespace zt
