#pragma once
// The application core: owns the engines (settings store, waiter, number format, media back
// end, device volume, player, run driver, clock, busy probe, play gate, scheduler) and the
// windows, and wires them
// together. wWinMain makes one; tests make one to drive the real program in-process.
#include <windows.h>

#include "about/frmabout.h"
#include "common/system_clock.h"
#include "common/winutil.h"
#include "mainwindow/busy_probe.h"
#include "core/considerate.h"
#include "mainwindow/form1.h"
#include "core/run_driver.h"
#include "core/scheduler.h"
#include "playback/mf_wasapi_backend.h"
#include "playback/player.h"
#include "playback/wave_out_volume.h"
#include "settings/registry.h"

namespace zt {

// What tests put in place of the platform's parts; empty: the platform's.
struct AppSeams {
    FolderPicker* picker = nullptr;
    TrayIcon::Notify trayNotify;
};

class App {
public:
    // COM must be initialised on this thread for as long as the App lives.
    explicit App(HINSTANCE instance = GetModuleHandleW(nullptr), const AppSeams& seams = {});
    App(const App&) = delete;
    App& operator=(const App&) = delete;

    // Creates the main window with its controls, not yet shown.
    bool create();
    // Load, the first activation, then the message loop. The program normally ends inside
    // it (Form_Unload ends the process); the return is WM_QUIT's code.
    int run();

    Form1& form() { return form_; }

private:
    HINSTANCE instance_;
    RegistryStore store_;
    SystemWaiter waiter_;
    LocaleNumberFormat numbers_;
    MfWasapiBackend media_;
    WaveOutVolume deviceVolume_;
    Player player_{media_, deviceVolume_, waiter_};
    RunDriver driver_;
    SystemClock clock_;
    SystemBusyProbe busy_;
    PlayGate gate_{clock_, busy_, ConsiderateSettings{}};  // the stored settings come at load
    frmAbout about_;
    ShellFolderPicker shellPicker_;
    Form1 form_;
    Scheduler scheduler_;  // after the window: the window is its view and sound folder
};

}  // namespace zt
