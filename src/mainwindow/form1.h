#pragma once
// The main window: the folder lists, the delay, volume and mute controls, the menus and the
// tray icon. It is the scheduler's status view and, through its file list, its sound
// folder. The engines it drives belong to the application core (app/app.h).
#include <windows.h>

#include <span>
#include <string>

#include "common/names.h"
#include "common/scoped.h"
#include "common/window.h"
#include "mainwindow/about_box.h"
#include "mainwindow/folder_lists.h"
#include "mainwindow/folder_picker.h"
#include "core/scheduler.h"
#include "tray/tray_icon.h"

namespace zt {

class Player;
class RunDriver;
class StringStore;

// What the main window drives, owned by the application core.
struct Form1Parts {
    Player& player;
    RunDriver& driver;
    Scheduler& scheduler;  // may be constructed after the window: it needs its views
    PlayGate& gate;        // the scheduler's: quiet hours, hold while busy, mute for a while
    StringStore& store;
    const NumberFormat& numbers;
    AboutBox& about;
    FolderPicker& picker;
    TrayIcon::Notify trayNotify;  // empty: the shell's
};

class Form1 final : public Window, public StatusView {
    friend class FormSettings;

public:
    static constexpr const wchar_t* kClassName = kMainWindowClass;
    static constexpr const wchar_t* kStartupTip = L" zirrotone ";

    explicit Form1(const Form1Parts& parts);
    ~Form1() override;

    // Registers the class and creates the window with its controls, not yet shown.
    bool create(HINSTANCE instance);
    // The files the scheduler picks from: what File1 shows.
    SoundFolder& soundFolder() { return lists_; }

    // Load: centre, show (or go straight to the tray), add the tray icon.
    void Form_Load();
    // An activation of the window: the first after load, and each time the window becomes
    // active again after another window of the program was. It starts a new scheduler run
    // in place of the one in progress (from the top of the message loop, never nested).
    void activate();
    // The activation sequence: media check, start-up sound, then the scheduler, which
    // returns only when a newer activation replaces it.
    void form_activate();
    void Command1_Click();
    // Refuses to go on without the media runtime: tells the user and unloads.
    void checkMediaPlayer();
    // The one way the program ends (closing, Exit, Terminate, the end of the session):
    // saves, removes the tray icon and ends the process; does not return.
    [[noreturn]] void Form_Unload();

    // Handlers named after their control and event.
    void Drive1_Change() { lists_.Drive1_Change(); }
    void Dir1_Change() { lists_.Dir1_Change(); }
    // File, Choose folder... (Ctrl+O): the picker, opened at the current folder, moves the
    // lists to the folder chosen.
    void mnuChooseFolder_Click();
    // Moves the drive, folder and file lists to the folder once it has been read; one that
    // cannot be read is told then (folderUnreadable).
    void openFolder(const std::wstring& path) { lists_.open(path); }
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
    // Considerate timing, from the File menu and the tray menu.
    void mnuQuiet_Click();
    void mnuHoldBusy_Click();
    void mnuMuteFor_Click(MuteFor choice);
    void mnuPlayNow_Click() { parts_.scheduler.playNow(); }
    void mnuSkip_Click() { parts_.scheduler.skipWait(); }
    // Plays one file at the slider's volume and returns when it has ended; a file that
    // cannot be played is reported in the status line.
    bool playsound(const std::wstring& soundName);
    void cmdStop_Click();

    // What other parts of the program read and write.
    int muteValue() const;
    void setMuteValue(int value);
    int sliderValue() const;
    void setSliderValue(int value);
    bool menuChecked(int id) const;
    void setMenuChecked(int id, bool checked);
    std::wstring controlText(int id) const;
    void setControlText(int id, const std::wstring& text);

    // StatusView: what the scheduler shows and reads.
    std::wstring delayText() const override;
    void setDelayText(const std::wstring& text) override;
    bool muted() const override { return muteValue() == 1; }
    void showCountdown(std::int32_t seconds) override;
    void showTip(const std::wstring& text) override { tray_.setTip(text); }
    void showStatusNow(const std::wstring& text) override;
    // A balloon on the delay box: no modal box, typing goes on.
    void showDelayTip(const std::wstring& text) override;

private:
    // Paints now whatever is waiting to be painted, in the window and its controls.
    void paintPending();
    LRESULT onMessage(UINT msg, WPARAM wParam, LPARAM lParam) override;
    std::span<const Placement> placements() const override;
    RECT placedRect(const Placement& p) const override;
    using Window::placedRect;
    void dpiChanged() override { lists_.dpiChanged(dpi()); }

    void onCommand(int id, int code);
    void onActivate(WPARAM wParam, LPARAM lParam);
    void onTrayEvent(UINT code);
    void openTrayMenu();
    void createControls();
    void createMenus();
    void saveSettings();
    void restoreConsiderateSettings();
    void saveConsiderateSettings();
    void showHoldBusy();
    // A mute or unmute by the user's own hand ends a mute for a while.
    void userChangedMute();
    // The mute for a while is over: unmute, forget its end, stop looking.
    void checkMuteForEnd();
    void folderUnreadable(const std::wstring& folder);
    void testPlay();
    void openSelectedFolder() { lists_.openSelectedFolder(); }
    void wentToTray();
    HWND item(int id) const { return GetDlgItem(hwnd(), id); }

    Form1Parts parts_;
    HINSTANCE instance_ = nullptr;
    HICON icon_ = nullptr;  // shared resource icon: never destroyed
    UINT taskbarCreated_ = 0;
    UINT showMessage_ = 0;
    ScopedAccelerators accelerators_;
    ScopedMenu trayMenu_;  // `mnu_1`: the tray menu, never in the menu bar
    HMENU menuBar_ = nullptr;  // owned by the window

    FolderLists lists_{[this](const std::wstring& folder) { folderUnreadable(folder); }};  // Drive1, Dir1, File1
    TrayIcon tray_;
    bool otherWindowWasActive_ = false;
    bool savedForSessionEnd_ = false;
    bool loading_ = false;        // restoring the settings: the delay's handler waits
    bool delayRestored_ = false;  // ... and runs at the first activation
    std::wstring mpVersion_;
    std::wstring playError_;  // the status line's last "Could not play" text
    bool absoluteVolume_ = false;  // `mnuAbVol`: never shown, kept for the settings
};

}  // namespace zt
