#pragma once
// Helpers shared by the Windows-side tests: scratch folders, generated sounds, waiting,
// and asking the shell about a tray icon.
#include <windows.h>

#include <chrono>
#include <functional>
#include <string>

#include "common/scoped.h"

namespace zt::test {

// A folder under %TEMP% made afresh, removed with its contents at the end.
class TempFolder {
public:
    explicit TempFolder(const std::wstring& name);
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    const std::wstring& path() const { return path_; }
    std::wstring operator/(const std::wstring& name) const { return path_ + L"\\" + name; }

private:
    std::wstring path_;
};

// Removes a folder with everything in it, read-only and hidden files included.
void removeTree(const std::wstring& folder);

// An empty file (with the given attributes).
void makeFile(const std::wstring& path, DWORD attributes = FILE_ATTRIBUTE_NORMAL);

// A 16-bit mono PCM WAV file with a sine tone.
void writeTone(const std::wstring& path, double seconds, double hz = 660.0);

// The text on the clipboard; "" when there is none.
std::wstring clipboardText();

// Polls until the condition holds or the time is up.
bool waitFor(const std::function<bool()>& condition, std::chrono::milliseconds timeout);

// Whether the shell holds the icon of this window with the id 1 (asked without changing it).
bool trayIconPresent(HWND hwnd);
// Takes the icon away behind the program's back, as a restarting shell does.
void dropTrayIcon(HWND hwnd);

}  // namespace zt::test
