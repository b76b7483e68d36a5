#pragma once
// A program under test, started by the driver and looked at from outside: its window, what
// it holds and spends, how fast it answers.
#include <windows.h>
#include <commctrl.h>
#include <psapi.h>

#include <cstdlib>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "common/scoped.h"
#include "driver.h"
#include "mainwindow/ids.h"
#include "process_info.h"

namespace bench {

class Subject {
public:
    Subject(const std::wstring& exe, const wchar_t* className, const std::wstring& folder)
        : exe_(exe), className_(className) {
        std::wstring commandLine = L"\"" + exe + L"\"";
        STARTUPINFOW si{};
        si.cb = sizeof si;
        PROCESS_INFORMATION pi{};
        launchedAt_ = now();
        if (!CreateProcessW(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                            folder.c_str(), &si, &pi)) {
            log("cannot start %ls (error %lu)", exe.c_str(), GetLastError());
            std::exit(2);
        }
        process_.reset(pi.hProcess);
        const zt::ScopedHandle thread(pi.hThread);
        pid_ = pi.dwProcessId;
    }
    ~Subject() {
        if (hwnd_) PostMessageW(hwnd_, WM_CLOSE, 0, 0);
        if (waitForExit(5000) == STILL_ACTIVE) {
            TerminateProcess(process_.get(), 1);
            waitForExit(5000);
        }
    }
    Subject(const Subject&) = delete;
    Subject& operator=(const Subject&) = delete;

    // Seconds from launch until the window is up and answers with a text: the first
    // countdown value for the program, the caption for the baseline.
    double waitUntilShowing(int textControl) {
        const double deadline = launchedAt_ + 30;
        while (now() < deadline) {
            if (!hwnd_) hwnd_ = findWindow();
            if (hwnd_ && IsWindowVisible(hwnd_)) {
                if (!windowAt_) windowAt_ = now() - launchedAt_;
                const HWND target = textControl ? GetDlgItem(hwnd_, textControl) : hwnd_;
                if (target && !text(target).empty()) {
                    waitUntilPainted(target);
                    const double at = now() - launchedAt_;
                    unixPid_ = unixPidOf(exe_);
                    return at;
                }
            }
            Sleep(5);
        }
        log("%ls did not show its window", exe_.c_str());
        std::exit(3);
    }

    // The text can be read as soon as it is set (the program answers messages while it
    // talks to the tray); it is on the screen once the control has nothing left to paint.
    static void waitUntilPainted(HWND control) {
        const double deadline = now() + 5;
        while (GetUpdateRect(control, nullptr, FALSE) && now() < deadline) Sleep(1);
    }

    HWND hwnd() const { return hwnd_; }
    // Seconds from launch until the window was first seen visible.
    double windowAt() const { return windowAt_; }
    HWND control(int id) const { return GetDlgItem(hwnd_, id); }
    int unixPid() const { return unixPid_; }
    HANDLE process() const { return process_.get(); }

    static std::wstring text(HWND control, UINT timeoutMs = 2000) {
        wchar_t buffer[512] = {};
        DWORD_PTR result = 0;
        SendMessageTimeoutW(control, WM_GETTEXT, 512, reinterpret_cast<LPARAM>(buffer), SMTO_NORMAL, timeoutMs,
                            &result);
        return buffer;
    }

    // What it holds now: memory from Linux, handles and GUI objects from Win32.
    Json snapshot() const {
        const std::string base = "/proc/" + std::to_string(unixPid_);
        const std::string status = readUnixFile(base + "/status");
        const std::string rollup = readUnixFile(base + "/smaps_rollup");
        DWORD handles = 0;
        GetProcessHandleCount(process_.get(), &handles);
        PROCESS_MEMORY_COUNTERS pmc{};
        pmc.cb = sizeof pmc;
        GetProcessMemoryInfo(process_.get(), &pmc, sizeof pmc);
        Json byType;
        double live = 0;
        for (const auto& [type, n] : liveHandles(pid_)) {
            byType.num(std::to_string(type), n);
            live += n;
        }
        Json j;
        j.num("rss_kb", statusKb(status, "VmRSS:"))
            .num("hwm_kb", statusKb(status, "VmHWM:"))
            .num("vm_kb", statusKb(status, "VmSize:"))
            .num("pss_kb", statusKb(rollup, "Pss:"))
            .num("threads", statusKb(status, "Threads:"))
            .num("fds", countEntries(L"Z:" + std::wstring(base.begin(), base.end()) + L"\\fd"))
            .num("handles", handles)
            .num("handle_table", handleTableSize(pid_))
            .num("handles_live", live)
            .raw("handles_by_type", byType.text())
            .num("gdi", GetGuiResources(process_.get(), GR_GDIOBJECTS))
            .num("user", GetGuiResources(process_.get(), GR_USEROBJECTS))
            .num("gdi_peak", GetGuiResources(process_.get(), 2 /* GR_GDIOBJECTS_PEAK */))
            .num("user_peak", GetGuiResources(process_.get(), 4 /* GR_USEROBJECTS_PEAK */))
            .num("windows", countWindows())
            .num("win_working_set_kb", static_cast<double>(pmc.WorkingSetSize) / 1024)
            .num("win_peak_working_set_kb", static_cast<double>(pmc.PeakWorkingSetSize) / 1024);
        return j;
    }

    // CPU time over a quiet stretch, the program's own and that of the rest of the prefix.
    Json idleCpu(int seconds) const {
        const auto others = prefixProcesses();
        auto sample = [&] {
            std::map<int, double> cpu;
            for (const auto& [pid, cmd] : others) cpu[pid] = cpuMs(pid);
            cpu[unixPid_] = cpuMs(unixPid_);
            if (opt.xvfbPid) cpu[opt.xvfbPid] = cpuMs(opt.xvfbPid);
            return cpu;
        };
        FILETIME c, e, k0, u0, k1, u1;
        GetProcessTimes(process_.get(), &c, &e, &k0, &u0);
        const auto before = sample();
        const double start = now();
        Sleep(static_cast<DWORD>(seconds) * 1000);
        const auto after = sample();
        const double wall = now() - start;
        GetProcessTimes(process_.get(), &c, &e, &k1, &u1);
        auto delta = [&](int pid) { return after.count(pid) && before.count(pid) ? after.at(pid) - before.at(pid) : 0; };
        double wineserver = 0, explorer = 0, rest = 0;
        for (const auto& [pid, cmd] : others) {
            if (pid == unixPid_) continue;
            const std::string l = lower(cmd);
            if (l.find("zt_bench.exe") != std::string::npos) continue;  // this driver, asleep
            // The sink recorder of scripts/bench carries the prefix in its environment too.
            if (l.find("parec") != std::string::npos || l.find("sink_watch") != std::string::npos) continue;
            if (l.find("wineserver") != std::string::npos)
                wineserver += delta(pid);
            else if (l.find("explorer.exe") != std::string::npos)
                explorer += delta(pid);
            else
                rest += delta(pid);
        }
        auto ft = [](const FILETIME& f) {
            return static_cast<double>((static_cast<unsigned long long>(f.dwHighDateTime) << 32) | f.dwLowDateTime) / 1e4;
        };
        Json j;
        j.num("wall_s", wall)
            .num("cpu_ms", delta(unixPid_))
            .num("win_cpu_ms", ft(k1) + ft(u1) - ft(k0) - ft(u0))
            .num("wineserver_ms", wineserver)
            .num("explorer_ms", explorer)
            .num("other_wine_ms", rest);
        if (opt.xvfbPid) j.num("xvfb_ms", delta(opt.xvfbPid));
        return j;
    }

    // Round trips of WM_NULL sent to the main window, at random moments.
    std::vector<double> roundTrips(int count) const {
        std::mt19937 random(12345);
        // Pauses spread over a whole 100 ms step, so that the probes land anywhere in it.
        std::uniform_int_distribution<int> pause(0, 99);
        std::vector<double> ms;
        for (int i = 0; i < count; ++i) {
            Sleep(static_cast<DWORD>(pause(random)));
            DWORD_PTR result = 0;
            const double t0 = now();
            if (!SendMessageTimeoutW(hwnd_, WM_NULL, 0, 0, SMTO_NORMAL, 5000, &result)) {
                ms.push_back(5000);
                continue;
            }
            ms.push_back((now() - t0) * 1000);
        }
        return ms;
    }

    // Round trips of posted messages: TBM_SETPOS to the slider and the WM_HSCROLL that a
    // user's move sends the window, both posted, until the volume label shows the value.
    std::vector<double> postedRoundTrips(int count) const { return sliderRoundTrips(count, false); }
    // Round trips of input: a Right or Left key posted to the slider, until the label
    // shows the value it moved to.
    std::vector<double> inputRoundTrips(int count) const { return sliderRoundTrips(count, true); }

    // Waits up to ms for the program to end; its exit status, or STILL_ACTIVE.
    DWORD waitForExit(DWORD ms) const {
        WaitForSingleObject(process_.get(), ms);
        DWORD status = STILL_ACTIVE;
        GetExitCodeProcess(process_.get(), &status);
        return status;
    }

private:
    // The slider starts at 50 (useSettings) and moves between 50 and 51. The label is read
    // with GetWindowTextW, which for another program's window asks the system, not the
    // program: polling it does not wake the program.
    std::vector<double> sliderRoundTrips(int count, bool keys) const {
        const HWND slider = control(zt::ids::kSlider1);
        const HWND label = control(zt::ids::kLblVolume);
        std::mt19937 random(keys ? 777 : 555);
        std::uniform_int_distribution<int> pause(0, 99);
        std::vector<double> ms;
        for (int i = 0; i < count; ++i) {
            Sleep(static_cast<DWORD>(pause(random)));
            const bool up = i % 2 == 0;
            const int target = up ? 51 : 50;
            const std::wstring want = std::to_wstring(target) + L"%";
            const double t0 = now();
            if (keys) {
                const WPARAM key = up ? VK_RIGHT : VK_LEFT;
                PostMessageW(slider, WM_KEYDOWN, key, 1);
                PostMessageW(slider, WM_KEYUP, key, static_cast<LPARAM>(0xC0000001u));
            } else {
                PostMessageW(slider, TBM_SETPOS, TRUE, target);
                PostMessageW(hwnd_, WM_HSCROLL, MAKEWPARAM(TB_THUMBPOSITION, target), reinterpret_cast<LPARAM>(slider));
            }
            for (wchar_t shown[16] = {}; now() - t0 < 5; Sleep(1)) {
                GetWindowTextW(label, shown, 16);
                if (want == shown) break;
            }
            ms.push_back((now() - t0) * 1000);
        }
        return ms;
    }

    HWND findWindow() const {
        struct Search {
            DWORD pid;
            const wchar_t* className;
            HWND found;
        } search{pid_, className_, nullptr};
        EnumWindows(
            [](HWND hwnd, LPARAM lp) -> BOOL {
                auto* s = reinterpret_cast<Search*>(lp);
                DWORD pid = 0;
                GetWindowThreadProcessId(hwnd, &pid);
                wchar_t cls[64] = {};
                GetClassNameW(hwnd, cls, 64);
                if (pid == s->pid && wcscmp(cls, s->className) == 0) {
                    s->found = hwnd;
                    return FALSE;
                }
                return TRUE;
            },
            reinterpret_cast<LPARAM>(&search));
        return search.found;
    }

    // Top-level and child windows of the process: the USER objects we can count anywhere.
    int countWindows() const {
        struct Count {
            DWORD pid;
            int n;
        } count{pid_, 0};
        EnumWindows(
            [](HWND hwnd, LPARAM lp) -> BOOL {
                auto* c = reinterpret_cast<Count*>(lp);
                DWORD pid = 0;
                GetWindowThreadProcessId(hwnd, &pid);
                if (pid != c->pid) return TRUE;
                ++c->n;
                EnumChildWindows(
                    hwnd, [](HWND, LPARAM l) -> BOOL { return ++reinterpret_cast<Count*>(l)->n, TRUE; }, lp);
                return TRUE;
            },
            reinterpret_cast<LPARAM>(&count));
        return count.n;
    }

    std::wstring exe_;
    const wchar_t* className_;
    zt::ScopedHandle process_;
    DWORD pid_ = 0;
    HWND hwnd_ = nullptr;
    int unixPid_ = 0;
    double launchedAt_ = 0;
    double windowAt_ = 0;
};

}  // namespace bench
