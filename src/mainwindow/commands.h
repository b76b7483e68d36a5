#pragma once
// What the main window's handlers ask of the application: every command that changes the
// settings or drives the engines. The window is a view; the application (app/app.h) acts.
#include <windows.h>

#include <string>

#include "core/considerate.h"
#include "settings/settings_model.h"

namespace zt {

class MainCommands {
public:
    virtual ~MainCommands() = default;

    // Load: settings into the views, the window shown (or straight to the tray).
    virtual void load() = 0;
    // The window became active again after another window of the program was.
    virtual void activate() = 0;
    // A message the application posted itself through the window (Form1::post), and the
    // timers it set on the window.
    virtual void posted(WPARAM what) = 0;
    virtual void timer(UINT_PTR id) = 0;
    // WM_POWERBROADCAST and WM_TIMECHANGE: the machine resumed, or the time, the time zone
    // or daylight saving changed.
    virtual void systemTimeEvent(UINT message, WPARAM wParam) = 0;
    // Saves, lets the sound go and ends the process: closing, Exit, Terminate, the end of
    // the session.
    [[noreturn]] virtual void unload() = 0;
    // The window is gone (only ever before the application itself goes): nothing may
    // drive it any more, so the run in progress ends.
    virtual void windowGone() = 0;
    // The session may end without further notice: save now (once, until it is cancelled).
    virtual void saveForSessionEnd() = 0;
    virtual void sessionEndCancelled() = 0;

    virtual void set(Toggle toggle, bool on) = 0;
    virtual void setVolume(int volume) = 0;
    // The delay box's text changed (by the user, or to show the model's).
    virtual void delayEdited(const std::wstring& text) = 0;
    // The lists are in, or going to, another folder: the sound folder to keep.
    virtual void folderChosen(const std::wstring& folder) = 0;
    virtual void setQuietHours(const QuietHours& quiet) = 0;
    virtual void muteFor(MuteFor choice) = 0;
    virtual void playNow() = 0;
    virtual void skipWait() = 0;
    // A double click (or Enter) on a file: plays it now at the slider's volume.
    virtual void testPlay(const std::wstring& path) = 0;
    virtual void stopSound() = 0;
    // Opens the history window, or brings it to the front; the countdown runs on meanwhile.
    virtual void showHistory() = 0;
    // The balloon that says the program goes on from the tray has been shown.
    virtual void trayHintShown() = 0;
    // "Play on": the sounds from the next one on play on this device (an endpoint id, with
    // the name the menu showed; empty: the system's default).
    virtual void setDevice(const std::wstring& id, const std::wstring& name) = 0;
};

}  // namespace zt
