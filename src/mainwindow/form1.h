#pragma once
// The main window: the folder lists, the delay, volume and mute controls, the menus and the
// tray icon. It is a view of the settings model and of the scheduler's status, and its file
// list is the scheduler's sound folder; its handlers ask the application (MainCommands) to
// act.
#include <windows.h>

#include <span>
#include <string>

#include "common/icons.h"
#include "common/accessible_name.h"
#include "common/names.h"
#include "common/scoped.h"
#include "common/window.h"
#include "core/scheduler.h"
#include "mainwindow/about_box.h"
#include "mainwindow/commands.h"
#include "mainwindow/device_menu.h"
#include "mainwindow/folder_lists.h"
#include "mainwindow/folder_picker.h"
#include "settings/settings_model.h"
#include "tray/tray_icon.h"
#include "tray/tray_images.h"

namespace zt {

struct Form1Parts {
    SettingsModel& settings;  // what the window shows
    MainCommands& app;        // what its handlers ask for
    Waiter& waiter;           // the one the program waits through
    AboutBox& about;
    FolderPicker& picker;
    TrayIcon::Notify trayNotify;  // empty: the shell's
    AccessibleNaming& naming;     // names the controls no label names
};

class Form1 final : public Window, public StatusView {
public:
    static constexpr const wchar_t* kClassName = kMainWindowClass;
    static constexpr const wchar_t* kStartupTip = L" zirrotone ";
    // The message that carries Form1::post's values to MainCommands::posted.
    static constexpr UINT kAppMessage = WM_APP + 3;

    explicit Form1(const Form1Parts& parts);
    ~Form1() override;

    // Registers the class and creates the window with its controls, not yet shown; the
    // lists start in the settings' folder when it is there.
    bool create(HINSTANCE instance);
    // The files the scheduler picks from: what File1 shows.
    SoundFolder& soundFolder() { return lists_; }
    // Posts MainCommands::posted(what) to be handled from the message loop.
    void post(WPARAM what) { PostMessageW(hwnd(), kAppMessage, what, 0); }

    // Load, as the application runs it: centre, show every setting, show the window (or go
    // straight to the tray) and add the tray icon.
    void Form_Load();
    [[noreturn]] void Form_Unload() {
        parts_.app.unload();
        ExitProcess(0);  // not reached: unload ends the process
    }
    void removeTrayIcon() { tray_.remove(); }
    // Paints now whatever is waiting to be painted, in the window and its controls.
    void paintPending();

    // Handlers named after their control and event.
    void Drive1_Change() { lists_.Drive1_Change(); }
    void Dir1_Change() { lists_.Dir1_Change(); }
    // File, Choose folder... (Ctrl+O): the picker, opened at the current folder, moves the
    // lists to the folder chosen.
    void mnuChooseFolder_Click();
    // Moves the drive, folder and file lists to the folder once it has been read; one that
    // cannot be read is told then (folderUnreadable).
    void openFolder(const std::wstring& path) { lists_.open(path); }
    void txtDelay_Change();
    void chkMute_Click();
    void mnuMute_Click() { flip(Toggle::mute); }
    void mnuSystray_Click() { flip(Toggle::startInTray); }
    void mnuSystray2_Click() { mnuSystray_Click(); }
    void mnuAbVol_Click() { flip(Toggle::absoluteVolume); }
    void Slider1_Click();
    void Slider1_Change();
    [[noreturn]] void mnuExit_Click() { Form_Unload(); }
    [[noreturn]] void mnuTerminate_Click() { mnuExit_Click(); }
    void mnuStartup_Click() { flip(Toggle::runAtStartup); }
    void mnuStartup2_Click() { mnuStartup_Click(); }
    void mnuAbout_Click() { parts_.about.showModal(); }
    void restoreWindow();
    void mnuQuiet_Click();
    void mnuHoldBusy_Click() { flip(Toggle::holdBusy); }
    void mnuMuteFor_Click(MuteFor choice) { parts_.app.muteFor(choice); }
    void mnuPlayNow_Click() { parts_.app.playNow(); }
    void mnuSkip_Click() { parts_.app.skipWait(); }
    void cmdStop_Click() { parts_.app.stopSound(); }

    // What the application and the tests read and write.
    int muteValue() const;
    void setMuteValue(int value) { parts_.app.set(Toggle::mute, value == 1); }
    int sliderValue() const;
    void setSliderValue(int value) { parts_.app.setVolume(value); }
    bool menuChecked(int id) const;
    std::wstring controlText(int id) const;
    void setControlText(int id, const std::wstring& text);

    // StatusView: what the scheduler shows.
    void showCountdown(std::int32_t seconds) override;
    void showTip(const std::wstring& text) override { tray_.setTip(text); }
    void showIconState(IconState state) override;
    // The tray icon's image for a state, as the shell is given it.
    HICON trayImage(IconState state) const { return trayImages_.icon(state); }
    void showStatusNow(const std::wstring& text) override;
    // The state line under the controls.
    void showState(const std::wstring& text) override;
    // A balloon on the delay box: no modal box, typing goes on.
    void showDelayTip(const std::wstring& text) override;

private:
    LRESULT onMessage(UINT msg, WPARAM wParam, LPARAM lParam) override;
    std::span<const Placement> placements() const override;
    RECT placedRect(const Placement& p) const override;
    using Window::placedRect;
    void dpiChanged() override {
        lists_.dpiChanged(dpi());
        loadIcons();
    }
    // The window's icons for its DPI and the tray's for the shell's: at creation, and
    // again when either may have changed.
    void loadIcons();

    void flip(Toggle toggle) { parts_.app.set(toggle, !parts_.settings.on(toggle)); }
    void fillDeviceMenu(HMENU popup) {
        devices_.fill(popup, parts_.settings.value().device, parts_.settings.value().deviceName);
    }
    // Shows what changed in the settings model.
    void show(const SettingsModel::Change& change);
    void onCommand(int id, int code);
    void onActivate(WPARAM wParam, LPARAM lParam);
    void onTrayEvent(UINT code);
    bool createControls();
    void folderUnreadable(const std::wstring& folder);
    void testPlay();
    void openSelectedFolder() { lists_.openSelectedFolder(); }
    void wentToTray();
    HWND item(int id) const { return GetDlgItem(hwnd(), id); }

    Form1Parts parts_;
    HINSTANCE instance_ = nullptr;
    WindowIcons windowIcons_;
    TrayImages trayImages_;
    IconState iconState_ = IconState::Normal;
    UINT taskbarCreated_ = 0;
    UINT showMessage_ = 0;
    ScopedAccelerators accelerators_;
    ScopedMenu trayMenu_;  // `mnu_1`: the tray menu, never in the menu bar
    HMENU menuBar_ = nullptr;  // owned by the window

    FolderLists lists_{parts_.waiter, [this](const std::wstring& folder) { folderUnreadable(folder); },
                       [this](const std::wstring& folder) { parts_.app.folderChosen(folder); }};  // Drive1, Dir1, File1
    TrayIcon tray_;
    DeviceMenu devices_;  // "Play on" in both menus
    bool otherWindowWasActive_ = false;
};

}  // namespace zt
