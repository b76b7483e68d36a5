#pragma once
// Windows-side helpers: files and folders, waiting, the message loop, locale-aware numbers.
#include <windows.h>

#include <optional>
#include <string>
#include <string_view>

#include "common/local_time.h"
#include "common/numbers.h"
#include "common/wait.h"

namespace zt {

// True only for an existing folder; a file of that name does not count.
bool PathExists(const std::wstring& path);
// True only for an existing file (not a folder).
bool FileExists(const std::wstring& path);

// Suspends the thread through Sleep.
void sleepMs(int ms);

// Dispatches one message, giving registered dialog windows their keyboard handling.
void dispatchMessage(MSG& msg);

// Dispatches every message waiting for this thread, giving dialogs their keyboard
// handling. Returns false when WM_QUIT was seen (it is posted again for the outer loop).
bool processPendingEvents();

// Suspends the thread for about ms milliseconds like sleepMs, but answers messages that
// other threads send meanwhile (a SendMessage from another program would otherwise wait
// for the rest of the step). Posted messages and input still wait for the next pass.
void sleepAnsweringSentMessages(int ms);

// The waiter the program runs on: a step's sleep, then one pass over pending messages;
// waitUntil() sleeps to its deadline and wakes at once for any message or input.
class SystemWaiter final : public Waiter {
public:
    void sleepMs(int ms) override { sleepAnsweringSentMessages(ms); }
    void processEvents() override { quitSeen_ = !processPendingEvents(); }
    std::int64_t clockMs() override { return static_cast<std::int64_t>(GetTickCount64()); }
    void waitUntil(std::int64_t deadlineMs, void* wake) override;

private:
    // A WM_QUIT is put back for the outer loop; input would then end every sleep at once.
    bool quitSeen_ = false;
};

// A dialog or modeless window whose keyboard navigation processPendingEvents handles, with
// its keyboard shortcuts (may be null).
void registerDialogWindow(HWND hwnd, HACCEL accelerators = nullptr);
void unregisterDialogWindow(HWND hwnd);

// The whole text as a number in the user's locale (VarR8FromStr), or nothing when it is
// not one.
std::optional<double> strictNumber(const std::wstring& text);
// The number written in the user's format (VarBstrFromR8).
std::wstring formatNumber(double value);
// The user's decimal separator, "." when it is not a single character.
wchar_t decimalSeparator();

// A minute of the day in the user's time format without seconds ("7:30 AM", "07:30");
// the stored form when the locale cannot write it. What formatClock shows in the program.
std::wstring localeClock(int minuteOfDay);
// The user's short time format as a time picker takes it ("h:mm tt", "HH:mm").
std::wstring localeShortTimeFormat();

// The user's number format as the program's parts take it.
class LocaleNumberFormat final : public NumberFormat {
public:
    std::optional<double> read(const std::wstring& text) const override { return strictNumber(text); }
    std::wstring write(double value) const override { return formatNumber(value); }
    wchar_t decimalSeparator() const override { return zt::decimalSeparator(); }
};

// The folder of the running program, without a trailing backslash (except at a root).
std::wstring programFolder();
// The full path of the running program.
std::wstring programPath();
// The process's current folder; "" when it cannot be read.
std::wstring currentFolder();
// The full path of a path relative to the current folder (for "D:", the drive's own
// current folder, as the system remembers it per drive); "" when it cannot be made.
std::wstring fullPath(const std::wstring& path);

// Takes the entry point `name` of a module loaded at run time (nullptr: none); true when
// the module offers it. For libraries only some uses need, so start-up does not load them.
template <typename F>
bool loadFunction(HMODULE module, const char* name, F& function) {
    function = module ? reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(module, name))) : nullptr;
    return function != nullptr;
}

// What the system says an error code means, as a clause to follow a colon ("the system
// cannot find the file specified"): its own message table, then that of `module` (a library
// with messages of its own, such as Media Foundation's); nothing where neither has words.
std::optional<std::wstring> systemMessage(HRESULT code, HMODULE module = nullptr);

// The text of a window (control caption, edit text).
std::wstring windowText(HWND hwnd);
// The window was registered under this class name.
bool hasWindowClass(HWND hwnd, const wchar_t* className);

}  // namespace zt
