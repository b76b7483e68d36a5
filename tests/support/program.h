#pragma once
// Starts the real program and looks at it from outside: its window, its controls, its
// tray icon and its message boxes.
#include <windows.h>

#include <chrono>
#include <functional>
#include <string>
#include <string_view>

#include "common/scoped.h"
#include "test_support.h"

namespace zt::test {

class Program {
public:
    // Starts exe in the working folder; extraEnv ("NAME=value") is added to the environment.
    Program(const std::wstring& exe, const std::wstring& workingFolder, const std::wstring& extraEnv = {});
    ~Program();
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;

    bool started() const { return static_cast<bool>(process_); }
    DWORD pid() const { return pid_; }
    // The main window, once it exists.
    HWND window(std::chrono::milliseconds timeout = std::chrono::seconds(15));
    // A top-level window of the program with this class and, if given, this caption.
    HWND findWindow(const wchar_t* className, const wchar_t* caption = nullptr) const;
    std::wstring text(int controlId);
    void command(int id);
    bool trayIconPresent();
    bool waitForExit(std::chrono::milliseconds timeout);
    DWORD exitCode() const;

private:
    ScopedHandle process_;
    DWORD pid_ = 0;
    HWND hwnd_ = nullptr;
};

// The texts of a message box: its caption and its message.
std::wstring messageBoxText(HWND box);

std::wstring zirrotoneExe();
// The program as shipped but for its media check, which looks at the file that the
// variable ZT_TEST_MEDIA_FILE names.
std::wstring zirrotoneTestBuildExe();
std::wstring settingText(const wchar_t* name);
// Stores a setting's text as the program stores it.
void putSetting(std::wstring_view name, const std::wstring& text);
void clearSettings();

// Asks the shell script the test runs under (device_sound_test.sh, sound_engine_test.sh) for
// something, by a file named `request` in ZT_PULSE_CONTROL, and waits until it is done.
// False when the test does not run under such a script, or it did not answer in time.
bool askSoundScript(const char* request, std::chrono::milliseconds timeout);

}  // namespace zt::test
