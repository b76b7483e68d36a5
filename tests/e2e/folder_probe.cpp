// How long the real program leaves a message unanswered while it lists a large folder:
// one chosen in the folder list, one stored from the last run, and an exit asked for
// while the stored one is still being listed. A measuring tool, run by folder_probe.sh,
// which makes the folder; not a test with a verdict.
//
//   zt_folder_probe <parent> <files>
// <parent> holds one subfolder, "big", of <files> sound files.
#include <windows.h>

#include <chrono>
#include <cstdio>
#include <string>

#include "common/names.h"
#include "mainwindow/ids.h"
#include "program.h"
#include "round_trips.h"
#include "settings/registry.h"
#include "settings/settings.h"

namespace {

using namespace std::chrono_literals;
using namespace zt;
using SteadyClock = std::chrono::steady_clock;

double msSince(SteadyClock::time_point from) {
    return std::chrono::duration<double, std::milli>(SteadyClock::now() - from).count();
}

using Pinger = test::RoundTrips;

int listed(HWND hwnd) {
    DWORD_PTR count = 0;
    SendMessageTimeoutW(GetDlgItem(hwnd, ids::kFile1), LB_GETCOUNT, 0, 0, SMTO_NORMAL, 120'000, &count);
    return static_cast<int>(count);
}

void useSettings(const std::wstring& path) {
    test::clearSettings();
    const auto put = [](std::wstring_view name, const std::wstring& text) {
        setRegString(HKEY_CURRENT_USER, settingKey(name), std::wstring(kSettingValue), text);
    };
    if (!path.empty()) put(kPathSetting, path);
    put(kMuteSetting, L"1");
    put(kDelaySetting, L"10");  // no pick while measuring
}

// The window found and answering, from the process's start.
HWND answeringWindow(test::Program& program, double& afterMs, SteadyClock::time_point started) {
    HWND hwnd = program.window(120s);
    DWORD_PTR answer = 0;
    if (hwnd) SendMessageTimeoutW(hwnd, WM_NULL, 0, 0, SMTO_NORMAL, 120'000, &answer);
    afterMs = msSince(started);
    return hwnd;
}

void chosen(const std::wstring& parent, int files) {
    useSettings(L"");
    test::Program program(test::zirrotoneExe(), parent);
    double upMs = 0;
    HWND hwnd = answeringWindow(program, upMs, SteadyClock::now());
    if (!hwnd) return void(std::printf("chosen: no window\n"));
    Sleep(1000);  // the empty parent listed
    Pinger pinger(hwnd);
    HWND folders = GetDlgItem(hwnd, ids::kDir1);
    const auto rows = SendMessageW(folders, LB_GETCOUNT, 0, 0);
    SendMessageW(folders, LB_SETCURSEL, static_cast<WPARAM>(rows - 1), 0);  // "big", the last row
    const auto asked = SteadyClock::now();
    PostMessageW(hwnd, WM_COMMAND, MAKEWPARAM(ids::kDir1, LBN_DBLCLK), reinterpret_cast<LPARAM>(folders));
    while (listed(hwnd) < files && msSince(asked) < 180'000) Sleep(20);
    const double filledMs = msSince(asked);
    Sleep(300);
    std::printf("chosen %d files: listed after %.0f ms, slowest answer %.0f ms\n", files, filledMs, static_cast<double>(pinger.stop()));
    program.command(ids::kMnuExit);
    program.waitForExit(30s);
}

void stored(const std::wstring& parent, int files) {
    useSettings(parent + L"\\big");
    const auto started = SteadyClock::now();
    test::Program program(test::zirrotoneExe(), parent);
    double upMs = 0;
    HWND hwnd = answeringWindow(program, upMs, started);
    if (!hwnd) return void(std::printf("stored: no window\n"));
    Pinger pinger(hwnd);
    while (listed(hwnd) < files && msSince(started) < 180'000) Sleep(20);
    const double filledMs = msSince(started);
    Sleep(300);
    std::printf("stored %d files: window answering %.0f ms after start, listed after %.0f ms, slowest answer %.0f ms\n",
                files, upMs, filledMs, static_cast<double>(pinger.stop()));
    program.command(ids::kMnuExit);
    program.waitForExit(30s);
}

void closedEarly(const std::wstring& parent, int files) {
    useSettings(parent + L"\\big");
    const auto started = SteadyClock::now();
    test::Program program(test::zirrotoneExe(), parent);
    double upMs = 0;
    HWND hwnd = answeringWindow(program, upMs, started);
    if (!hwnd) return void(std::printf("close: no window\n"));
    const int shown = listed(hwnd);
    const auto asked = SteadyClock::now();
    PostMessageW(hwnd, WM_CLOSE, 0, 0);
    program.waitForExit(180s);
    std::printf("stored %d files, closed at once (%d listed then): ended %.0f ms after WM_CLOSE; path saved: %s\n",
                files, shown, msSince(asked),
                test::settingText(L"path") == parent + L"\\big" ? "the stored one" : "another");
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: zt_folder_probe <parent> <files>\n");
        return 2;
    }
    const std::wstring parent = argv[1];
    const int files = _wtoi(argv[2]);
    chosen(parent, files);
    stored(parent, files);
    closedEarly(parent, files);
    test::clearSettings();
    return 0;
}
