#include "app/app.h"

#include <utility>

#include "common/random.h"
#include "common/text.h"
#include "mainwindow/ids.h"
#include "playback/media_check.h"
#include "settings/settings.h"

namespace zt {

namespace {

// What the application posts itself through the window (Form1::post).
enum Posted : WPARAM {
    kRun = 1,        // a new scheduler run, from the top of the message loop
    kDelayRestored,  // the restored delay's handler, once the first run's value is up
};
// Timers the application sets on the main window (the window's own are below 100).
constexpr UINT_PTR kMuteForTimer = 101;  // while muted for a while: unmute when it is over
constexpr UINT kMuteForCheckMs = 1000;
constexpr UINT_PTR kRunAgainTimer = 102;  // a run that failed starts again
constexpr UINT kRunAgainMs = 1000;
// While quiet hours are on: at each whole minute, where they may start or end, the state
// line is shown afresh (the countdown does so every second, but not while a sound plays).
constexpr UINT_PTR kQuietEdgeTimer = 103;
constexpr wchar_t kStartupSound[] = L"startup.wav";

std::wstring fileNameOf(const std::wstring& path) {
    const auto slash = path.find_last_of(L'\\');
    return slash == std::wstring::npos ? path : path.substr(slash + 1);
}

}  // namespace

App::App(HINSTANCE instance, const AppSeams& seams)
    : instance_(instance),
      ownMedia_(waiter_, seams.beforeDevice),
      media_(seams.media ? *seams.media : ownMedia_),
      about_(instance),
      historyWindow_(instance, history_),
      form_({settings_, *this, waiter_, about_, seams.picker ? *seams.picker : shellPicker_, seams.trayNotify,
             seams.naming ? *seams.naming : systemAccessibleNaming()}),
      scheduler_({settings_, form_.soundFolder(), form_, numbers_, waiter_, programRandom(),
                  [this](const std::wstring& path) { playsound(path, scheduler_.playCause()); },
                  [this] { return runEnded(); }}) {
    setClockFormat(localeClock);  // the times in the tips, the status and the history
    scheduler_.useGate(gate_);
    scheduler_.useHistory(history_);
    history_.onAdded([this](const HistoryEntry&) { historyWindow_.entryAdded(); });
    ownMedia_.chooseOutput([this] {
        const Settings& s = settings_.value();
        return MfWasapiBackend::Output{s.device, s.deviceName, s.leadInMs,
                                       {s.on(Toggle::level), s.on(Toggle::softStart)}};
    });
}

bool App::create() {
    // Before the window: its lists start in the stored folder.
    const Settings stored = loadSettings(store_, numbers_);
    settings_.replace(stored);
    scheduler_.setDelayText(stored.delayText);  // the minutes the stored text counts
    settings_.listen([this](const SettingsModel::Change& change) {
        saveAtOnce(store_, settings_.value(), change, programPath());
    });
    if (!form_.create(instance_)) return false;
    settings_.listen([this](const SettingsModel::Change& change) { stateChanged(change); });
    return true;
}

int App::run() {
    load();
    activate();  // the first activation, also when the window starts hidden in the tray
    // Its run first: the first value shows before the lists' first reading (done on a
    // thread while the window was made) is handed over, which the run's first pass does.
    MSG msg;
    if (PeekMessageW(&msg, form_.hwnd(), Form1::kAppMessage, Form1::kAppMessage, PM_REMOVE)) dispatchMessage(msg);
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) dispatchMessage(msg);
    return static_cast<int>(msg.wParam);
}

// Start-up and activation ----------------------------------------------------------------

void App::load() {
    loading_ = true;
    if (settings_.value().muteUntil) {
        // Still muted for a while from the last run (or over while the program was not
        // running: then the check unmutes at once). Not the user's own mute, which would
        // cancel it.
        settings_.set(Toggle::mute, true);
        startMuteForTimer();
        checkMuteForEnd();
    }
    programRandom().seed(static_cast<std::uint64_t>(GetTickCount64()) ^ GetCurrentProcessId());
    scheduler_.lastPlayed.clear();
    // The tray icon comes with load: in the image for the state restored.
    form_.showIconState(gate_.iconState(settings_.on(Toggle::mute)));
    form_.Form_Load();
    scheduler_.publishState();
    watchQuietEdges();
    loading_ = false;
    // Showing the restored delay is a change of the box: its handler runs at the first
    // activation, whose wait must not hold the window's first paint nor the first value.
    delayRestored_ = true;
}

void App::activate() {
    if (driver_.request()) form_.post(kRun);
    // After the run's message, so that the handler runs once the first value is up.
    if (std::exchange(delayRestored_, false)) form_.post(kDelayRestored);
}

void App::posted(WPARAM what) {
    switch (what) {
    case kRun:
        // The countdown must not stop for good on a fault somewhere under it.
        driver_.drive([this] { form_activate(); }, [this](const std::string& why) { runFailed(faultText(why)); });
        break;
    case kDelayRestored:
        // Nested in the run's first pass over the events, where it comes before the paint.
        form_.paintPending();
        // A restored delay is no edit: the count drawn from it stands.
        scheduler_.delayChanged(true);
        break;
    default: break;
    }
}

void App::form_activate() {
    checkMediaPlayer();
    const std::wstring startup = addSlash(programFolder()) + kStartupSound;
    if (FileExists(startup)) playsound(startup, {HistoryEvent::StartupSound});  // even when muted
    if (runEnded()) return;
    scheduler_.run();
}

void App::runFailed(const std::wstring& why) {
    form_.setControlText(ids::kLabel3, L"The countdown stopped (" + why + L"); it starts again.");
    SetTimer(form_.hwnd(), kRunAgainTimer, kRunAgainMs, nullptr);
}

void App::timer(UINT_PTR id) {
    if (id == kMuteForTimer) checkMuteForEnd();
    if (id == kQuietEdgeTimer) {
        scheduler_.publishState();
        watchQuietEdges();
    }
    if (id == kRunAgainTimer) {
        KillTimer(form_.hwnd(), kRunAgainTimer);
        activate();
    }
}

void App::systemTimeEvent(UINT message, WPARAM wParam) {
    if (message == WM_POWERBROADCAST && wParam != PBT_APMRESUMEAUTOMATIC && wParam != PBT_APMRESUMESUSPEND) return;
    checkMuteForEnd();
    scheduler_.publishStatus();
    watchQuietEdges();  // the next whole minute has moved with the clock
}

void App::checkMediaPlayer() {
    const MediaCheckResult check = checkMediaRuntime();
    if (!check.mpVersion.empty()) mpVersion_ = check.mpVersion;
    if (!check.passed) {
        showMediaCheckFailure(form_.hwnd(), check);
        unload();
    }
    about_.setMediaPlayerVersion(mpVersion_);
}

// Commands ---------------------------------------------------------------------------------

void App::set(Toggle toggle, bool on) {
    settings_.set(toggle, on);
    if (toggle != Toggle::mute) return;
    // A mute or unmute by the user's own hand ends a mute for a while.
    if (settings_.value().muteUntil) {
        gate_.cancelMuteFor();
        KillTimer(form_.hwnd(), kMuteForTimer);
    }
    scheduler_.publishStatus();  // the tip and the tray icon say so at once
}

void App::delayEdited(const std::wstring& text) {
    scheduler_.setDelayText(text);
    if (loading_) return;  // its handler runs at the first activation (load)
    if (driver_.announced()) {
        // Changed (from outside) before the run's message came: the handler's wait would
        // handle that message and hold the whole run inside this change. It runs once the
        // run's first value is up, as a restored delay's does; that value uses the new text.
        form_.post(kDelayRestored);
        return;
    }
    scheduler_.delayChanged();
}

void App::setQuietHours(const QuietHours& quiet) {
    settings_.setQuietHours(quiet);
    scheduler_.publishStatus();
}

void App::muteFor(MuteFor choice) {
    // Muted first: that is not the user's own mute, which would cancel the end set next.
    settings_.set(Toggle::mute, true);
    gate_.muteFor(choice);
    startMuteForTimer();
    scheduler_.publishStatus();
}

void App::stateChanged(const SettingsModel::Change& change) {
    using Field = SettingsModel::Field;
    const bool gateOption = change.field == Field::toggle &&
                            (change.toggle == Toggle::mute || change.toggle == Toggle::holdBusy);
    if (change.field != Field::quiet && change.field != Field::muteUntil && change.field != Field::all && !gateOption)
        return;
    scheduler_.publishState();
    if (change.field == Field::quiet || change.field == Field::all) watchQuietEdges();
}

void App::watchQuietEdges() {
    if (!settings_.value().quiet.on) {
        KillTimer(form_.hwnd(), kQuietEdgeTimer);
        return;
    }
    // Just past the next whole minute: the clock reads whole seconds only.
    const UINT ms = static_cast<UINT>(60 - clock_.now().second) * 1000 + 50;
    SetTimer(form_.hwnd(), kQuietEdgeTimer, ms, nullptr);
}

void App::startMuteForTimer() { SetTimer(form_.hwnd(), kMuteForTimer, kMuteForCheckMs, nullptr); }

void App::checkMuteForEnd() {
    if (!gate_.muteForExpired()) return;
    KillTimer(form_.hwnd(), kMuteForTimer);
    settings_.set(Toggle::mute, false);
    scheduler_.publishStatus();
}

void App::playsound(const std::wstring& soundName, HistoryEntry how) {
    how.file = fileNameOf(soundName);
    // A newer activation ends the wait (not the sound): its run must not wait for this one.
    const PlayResult result = player_.playsound(
        soundName, settings_.value().volume, [this] { return runEnded(); },
        [this, how = std::move(how)] {
            // A good start after a failed one: the old error no longer holds.
            if (!playError_.empty() && form_.controlText(ids::kLabel3) == playError_)
                form_.setControlText(ids::kLabel3, L"Last played: " + how.file);
            playError_.clear();
            started_ = how.file;
            // Not where the user asked for: said until the next sound starts.
            if (std::wstring notice = media_.outputNotice(); !notice.empty()) {
                form_.setControlText(ids::kLabel3, notice);
                playError_ = std::move(notice);
                history_.add(HistoryEvent::DefaultDevice, how.file);
            } else {
                history_.add(how);
            }
        });
    if (result && !result.reason.empty()) {
        // Its device went away: the countdown goes on, and the next sound finds another.
        playError_ = L"Stopped " + started_ + L": " + result.reason + L".";
        form_.setControlText(ids::kLabel3, playError_);
        history_.add(HistoryEvent::CutShort, started_, result.reason);
        return;
    }
    // Handed on to the play that was loading: that one reports. No reason: stopped before
    // it started.
    if (result || result.handedOn || result.reason.empty()) return;
    const std::wstring played = fileNameOf(result.soundName.empty() ? soundName : result.soundName);
    playError_ = L"Could not play " + played + L": " + result.reason + L".";
    form_.setControlText(ids::kLabel3, playError_);
    history_.add(HistoryEvent::CouldNotPlay, played, result.reason);
}

void App::stopSound() {
    if (media_.playState() == MediaBackend::kPlaying) history_.add(HistoryEvent::Stopped, started_);
    player_.stop();
}

// Saving and unload ----------------------------------------------------------------------

void App::saveForSessionEnd() {
    // The session may be ended without further notice: save now, and only once.
    if (!std::exchange(savedForSessionEnd_, true)) saveSettings(store_, settings_.value());
}

void App::unload() {
    saveSettings(store_, settings_.value());
    form_.removeTrayIcon();
    // The sound's thread and the media runtime must be gone before the process ends.
    player_.stop();
    // Straight out, from however deep in nested waits this was called: unwinding them
    // would first finish the sound and the countdown they are waiting for.
    ExitProcess(0);
}

}  // namespace zt
