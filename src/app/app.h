#pragma once
// The application: owns the settings model and the engines (settings store, waiter, number
// format, media back end, device volume, player, run driver, clock, history, busy probe,
// play gate, scheduler) and the windows, and is the controller the main window's handlers
// ask to act: start-up, activation, the media check, the start-up sound, saving, unload, the
// "mute for" timer and the history of what each countdown's end and each sound did.
// wWinMain makes one; tests make one to drive the real program in-process.
#include <windows.h>

#include "about/frmabout.h"
#include "common/system_clock.h"
#include "common/winutil.h"
#include "core/considerate.h"
#include "core/history.h"
#include "core/run_driver.h"
#include "core/scheduler.h"
#include "mainwindow/busy_probe.h"
#include "mainwindow/commands.h"
#include "mainwindow/form1.h"
#include "mainwindow/history_window.h"
#include "playback/mf_wasapi_backend.h"
#include "playback/player.h"
#include "playback/wave_out_volume.h"
#include "settings/registry.h"
#include "settings/settings_model.h"

namespace zt {

// What tests put in place of the platform's parts; empty: the platform's.
struct AppSeams {
    FolderPicker* picker = nullptr;
    TrayIcon::Notify trayNotify;
    MediaBackend* media = nullptr;               // in place of the whole back end
    MfWasapiBackend::DeviceHook beforeDevice;   // on each sound's thread, before the device opens
    AccessibleNaming* naming = nullptr;          // names for screen readers
};

class App final : public MainCommands {
public:
    // COM must be initialised on this thread for as long as the App lives.
    explicit App(HINSTANCE instance = GetModuleHandleW(nullptr), const AppSeams& seams = {});
    App(const App&) = delete;
    App& operator=(const App&) = delete;

    // Reads the settings, then creates the main window with its controls, not yet shown.
    bool create();
    // Load, the first activation, then the message loop. The program normally ends inside
    // it (unload ends the process); the return is WM_QUIT's code.
    int run();

    Form1& form() { return form_; }
    const SettingsModel& settings() const { return settings_; }
    const History& history() const { return history_; }

    // MainCommands.
    void load() override;
    // Starts a new scheduler run in place of the one in progress, from the top of the
    // message loop (never nested in it).
    void activate() override;
    void posted(WPARAM what) override;
    void timer(UINT_PTR id) override;
    // Quiet hours and a mute for are judged against the new time at once; the countdown
    // itself needs nothing: a jump of its clock counts as one second.
    void systemTimeEvent(UINT message, WPARAM wParam) override;
    [[noreturn]] void unload() override;
    void saveForSessionEnd() override;
    void sessionEndCancelled() override { savedForSessionEnd_ = false; }
    void windowGone() override { windowGone_ = true; }
    void set(Toggle toggle, bool on) override;
    void setVolume(int volume) override { settings_.setVolume(volume); }
    void delayEdited(const std::wstring& text) override;
    void folderChosen(const std::wstring& folder) override { settings_.setFolder(folder); }
    void setQuietHours(const QuietHours& quiet) override;
    void muteFor(MuteFor choice) override;
    void playNow() override { scheduler_.playNow(); }
    void skipWait() override { scheduler_.skipWait(); }
    void testPlay(const std::wstring& path) override { playsound(path, {HistoryEvent::TestPlay}); }
    void stopSound() override;
    void showHistory() override { historyWindow_.open(form_.hwnd()); }
    void trayHintShown() override { settings_.setTrayHintShown(true); }
    void setDevice(const std::wstring& id, const std::wstring& name) override { settings_.setDevice(id, name); }

private:
    // The activation sequence: media check, start-up sound, then the scheduler, which
    // returns only when a newer activation replaces it.
    void form_activate();
    // A newer activation replaced the run in progress, or the window is gone.
    bool runEnded() const { return driver_.abandoned() || windowGone_; }
    // A run that failed says why in the status line; a new one starts a moment later.
    void runFailed(const std::wstring& why);
    // Refuses to go on without the media runtime: tells the user and unloads.
    void checkMediaPlayer();
    // Plays one file at the slider's volume and returns when it has ended (or when a play
    // already waiting takes it over); a file that cannot be played is reported in the status
    // line, and an old report goes when the next sound starts. The history is told how it
    // went, as `how` (the file and time filled in) once it has started.
    void playsound(const std::wstring& soundName, HistoryEntry how);
    // The settings changed: a change of what holds the sounds back shows on the state line.
    void stateChanged(const SettingsModel::Change& change);
    // Looks again at the next whole minute while quiet hours are on.
    void watchQuietEdges();
    void startMuteForTimer();
    // The mute for a while is over: unmute, stop looking.
    void checkMuteForEnd();

    HINSTANCE instance_;
    RegistryStore store_;
    SystemWaiter waiter_;
    LocaleNumberFormat numbers_;
    SettingsModel settings_;
    MfWasapiBackend ownMedia_;
    MediaBackend& media_;
    WaveOutVolume deviceVolume_;
    Player player_{media_, deviceVolume_, waiter_};
    RunDriver driver_;
    SystemClock clock_;
    History history_{clock_};
    SystemBusyProbe busy_;
    PlayGate gate_{clock_, busy_, settings_};
    frmAbout about_;
    HistoryWindow historyWindow_;
    ShellFolderPicker shellPicker_;
    Form1 form_;
    Scheduler scheduler_;  // after the window: the window is its view and sound folder
    bool loading_ = false;        // load shows the settings: the delay's handler waits
    bool delayRestored_ = false;  // ... and runs at the first activation
    bool savedForSessionEnd_ = false;
    bool windowGone_ = false;
    std::wstring mpVersion_;
    std::wstring playError_;  // the status line's last "Could not play" text
    std::wstring started_;    // the file that started last: the one a stop ends
};

}  // namespace zt
