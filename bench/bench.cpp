// The benchmark driver, run under Wine by scripts/bench. It starts zirrotone.exe and the
// baseline program, drives them from outside as a user would, and writes what it saw as
// raw figures (JSON) for scripts/bench to turn into the table. It judges nothing.
//
// CPU time and memory come from Linux (/proc of the Wine processes, read through Z:),
// which is what the machine actually spends; handle and GUI object counts and message
// round trips come from the Win32 side.
#include <windows.h>
#include <psapi.h>
#include <winternl.h>

#include <algorithm>
#include <cstdio>
#include <cstdarg>
#include <cstdlib>
#include <cstring>
#include <map>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "mainwindow/ids.h"
#include "settings/settings.h"

namespace {

struct Options {
    std::wstring zirrotone, baseline, sounds, out;
    std::string prefix;  // the Unix path of the Wine prefix: tells our Wine processes apart
    int clockTicks = 100;
    int xvfbPid = 0;
    int idleSeconds = 60;
    int probes = 200;
    int plays = 100;
    int cycles = 3;
    int endCycles = 4;
} opt;

double now() {
    static LARGE_INTEGER freq = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return f;
    }();
    LARGE_INTEGER c;
    QueryPerformanceCounter(&c);
    return static_cast<double>(c.QuadPart) / static_cast<double>(freq.QuadPart);
}

// Seconds since 1970 (CLOCK_REALTIME under Wine): the clock the sink recorder stamps with.
double unixTime() {
    FILETIME ft;
    GetSystemTimePreciseAsFileTime(&ft);
    const auto t = (static_cast<unsigned long long>(ft.dwHighDateTime) << 32) | ft.dwLowDateTime;
    return static_cast<double>(t - 116444736000000000ULL) / 1e7;
}

void log(const char* format, ...) {
    va_list args;
    va_start(args, format);
    std::fputs("[bench] ", stderr);
    std::vfprintf(stderr, format, args);
    std::fputs("\n", stderr);
    std::fflush(stderr);
    va_end(args);
}

// JSON ----------------------------------------------------------------------------------

class Json {
public:
    Json& num(const std::string& key, double value) {
        char text[64];
        std::snprintf(text, sizeof text, "%.6g", value);
        return raw(key, text);
    }
    Json& str(const std::string& key, const std::string& value) { return raw(key, "\"" + value + "\""); }
    Json& obj(const std::string& key, const Json& value) { return raw(key, value.text()); }
    Json& arr(const std::string& key, const std::vector<double>& values) {
        std::string text = "[";
        for (size_t i = 0; i < values.size(); ++i) {
            char item[64];
            std::snprintf(item, sizeof item, "%s%.6f", i ? "," : "", values[i]);
            text += item;
        }
        return raw(key, text + "]");
    }
    Json& raw(const std::string& key, const std::string& value) {
        items_.push_back("\"" + key + "\": " + value);
        return *this;
    }
    std::string text() const {
        std::string t = "{";
        for (size_t i = 0; i < items_.size(); ++i) t += (i ? ", " : "") + items_[i];
        return t + "}";
    }

private:
    std::vector<std::string> items_;
};

// Linux side -------------------------------------------------------------------------------

std::string readUnixFile(const std::string& unixPath) {
    const std::wstring path = L"Z:" + std::wstring(unixPath.begin(), unixPath.end());
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return {};
    std::string data;
    char buffer[4096];
    DWORD n = 0;
    while (ReadFile(file, buffer, sizeof buffer, &n, nullptr) && n > 0) data.append(buffer, n);
    CloseHandle(file);
    return data;
}

std::vector<int> unixPids() {
    std::vector<int> pids;
    WIN32_FIND_DATAW found;
    HANDLE find = FindFirstFileW(L"Z:\\proc\\*", &found);
    if (find == INVALID_HANDLE_VALUE) return pids;
    do {
        const std::wstring name = found.cFileName;
        if (!name.empty() && std::all_of(name.begin(), name.end(), iswdigit)) pids.push_back(_wtoi(name.c_str()));
    } while (FindNextFileW(find, &found));
    FindClose(find);
    return pids;
}

// The processes of our Wine prefix (wineserver, explorer.exe, the programs), with their
// command lines (NUL-separated arguments joined by spaces).
std::map<int, std::string> prefixProcesses() {
    std::map<int, std::string> result;
    const std::string wanted = "WINEPREFIX=" + opt.prefix;
    for (int pid : unixPids()) {
        const std::string base = "/proc/" + std::to_string(pid);
        const std::string env = readUnixFile(base + "/environ");
        bool ours = false;
        for (size_t at = 0; at < env.size();) {
            const size_t end = env.find('\0', at);
            if (env.compare(at, (end == std::string::npos ? env.size() : end) - at, wanted) == 0) ours = true;
            if (end == std::string::npos) break;
            at = end + 1;
        }
        if (!ours) continue;
        std::string cmd = readUnixFile(base + "/cmdline");
        std::replace(cmd.begin(), cmd.end(), '\0', ' ');
        result[pid] = cmd;
    }
    return result;
}

std::string lower(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return static_cast<char>(tolower(c)); });
    return s;
}

// Fields of /proc/<pid>/stat after the command name: [0] is field 3 (state).
std::vector<std::string> statFields(int pid) {
    const std::string stat = readUnixFile("/proc/" + std::to_string(pid) + "/stat");
    std::vector<std::string> fields;
    const size_t close = stat.rfind(')');
    if (close == std::string::npos) return fields;
    std::istringstream in(stat.substr(close + 2));
    std::string f;
    while (in >> f) fields.push_back(f);
    return fields;
}

// The Linux process that runs a Windows program of ours: its exe name on the command line;
// the newest one if there are several.
int unixPidOf(const std::wstring& exe) {
    const std::wstring fileW = exe.substr(exe.find_last_of(L"\\/") + 1);
    const std::string file = lower(std::string(fileW.begin(), fileW.end()));
    int best = 0;
    unsigned long long bestStart = 0;
    for (const auto& [pid, cmd] : prefixProcesses()) {
        if (lower(cmd).find(file) == std::string::npos) continue;
        const auto fields = statFields(pid);
        if (fields.size() < 20) continue;
        const unsigned long long start = std::stoull(fields[19]);  // field 22: starttime
        if (!best || start > bestStart) {
            best = pid;
            bestStart = start;
        }
    }
    return best;
}

// utime + stime of the whole process, in milliseconds.
double cpuMs(int pid) {
    const auto fields = statFields(pid);
    if (fields.size() < 13) return 0;
    return (std::stod(fields[11]) + std::stod(fields[12])) * 1000.0 / opt.clockTicks;
}

long statusKb(const std::string& text, const char* key) {
    const size_t at = text.find(key);
    if (at == std::string::npos) return -1;
    return std::strtol(text.c_str() + at + std::strlen(key), nullptr, 10);
}

int countEntries(const std::wstring& folder) {
    int n = 0;
    WIN32_FIND_DATAW found;
    HANDLE find = FindFirstFileW((folder + L"\\*").c_str(), &found);
    if (find == INVALID_HANDLE_VALUE) return -1;
    do {
        if (wcscmp(found.cFileName, L".") && wcscmp(found.cFileName, L"..")) ++n;
    } while (FindNextFileW(find, &found));
    FindClose(find);
    return n;
}

// The handles a process holds now, from the system's list of all handles, by object type
// (GetProcessHandleCount answers 0 for other processes under Wine, and the process list's
// count is the size of its handle table, which never shrinks).
struct HandleEntry {
    ULONG ownerPid;
    BYTE objectType;
    BYTE flags;
    USHORT value;
    PVOID object;
    ULONG access;
};

std::vector<HandleEntry> handleEntries(DWORD pid) {
    std::vector<HandleEntry> result;
    std::vector<unsigned char> buffer(1 << 20);
    for (;;) {
        ULONG needed = 0;
        const NTSTATUS status = NtQuerySystemInformation(static_cast<SYSTEM_INFORMATION_CLASS>(16), buffer.data(),
                                                         static_cast<ULONG>(buffer.size()), &needed);
        if (status == static_cast<NTSTATUS>(0xC0000004L)) {  // STATUS_INFO_LENGTH_MISMATCH
            buffer.resize(std::max<size_t>(needed, buffer.size() * 2));
            continue;
        }
        if (status != 0) return result;
        break;
    }
    const ULONG count = *reinterpret_cast<const ULONG*>(buffer.data());
    const auto* entries = reinterpret_cast<const HandleEntry*>(buffer.data() + sizeof(void*));
    for (ULONG i = 0; i < count; ++i)
        if (entries[i].ownerPid == pid) result.push_back(entries[i]);
    return result;
}

std::string objectText(HANDLE h, int infoClass) {
    std::vector<unsigned char> buffer(4096);
    ULONG needed = 0;
    if (NtQueryObject(h, static_cast<OBJECT_INFORMATION_CLASS>(infoClass), buffer.data(),
                      static_cast<ULONG>(buffer.size()), &needed) != 0)
        return "?";
    const auto* name = reinterpret_cast<const UNICODE_STRING*>(buffer.data());  // first in both classes
    std::string text;
    for (USHORT i = 0; i < name->Length / 2; ++i) {
        const wchar_t c = name->Buffer[i];
        text.push_back(c < 128 && c != '"' && c != '\\' ? static_cast<char>(c) : '/');
    }
    return text;
}

// What the handles are: counts by type name, and the most common type/name pairs.
Json handleNames(HANDLE process, DWORD pid) {
    std::map<std::string, int> byType, byName;
    for (const auto& e : handleEntries(pid)) {
        HANDLE h = nullptr;
        if (!DuplicateHandle(process, reinterpret_cast<HANDLE>(static_cast<ULONG_PTR>(e.value)), GetCurrentProcess(), &h,
                             0, FALSE, DUPLICATE_SAME_ACCESS))
            continue;
        const std::string type = objectText(h, 2);  // ObjectTypeInformation
        ++byType[type];
        ++byName[type + " " + objectText(h, 1)];  // ObjectNameInformation
        CloseHandle(h);
    }
    std::vector<std::pair<int, std::string>> top;
    for (const auto& [name, n] : byName) top.emplace_back(n, name);
    std::sort(top.rbegin(), top.rend());
    Json types, names;
    for (const auto& [type, n] : byType) types.num(type, n);
    for (size_t i = 0; i < std::min<size_t>(top.size(), 8); ++i) names.num(top[i].second, top[i].first);
    Json j;
    j.obj("by_type", types).obj("top_names", names);
    return j;
}

std::map<int, int> liveHandles(DWORD pid) {
    std::map<int, int> byType;
    for (const auto& e : handleEntries(pid)) ++byType[e.objectType];
    return byType;
}

double handleTableSize(DWORD pid) {
    std::vector<unsigned char> buffer(1 << 20);
    ULONG needed = 0;
    if (NtQuerySystemInformation(SystemProcessInformation, buffer.data(), static_cast<ULONG>(buffer.size()),
                                 &needed) != 0)
        return -1;
    for (size_t at = 0;;) {
        const auto* p = reinterpret_cast<const SYSTEM_PROCESS_INFORMATION*>(buffer.data() + at);
        if (reinterpret_cast<DWORD_PTR>(p->UniqueProcessId) == pid) return p->HandleCount;
        if (!p->NextEntryOffset) return -1;
        at += p->NextEntryOffset;
    }
}

// A program under test -------------------------------------------------------------------

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
        process_ = pi.hProcess;
        CloseHandle(pi.hThread);
        pid_ = pi.dwProcessId;
    }
    ~Subject() {
        if (hwnd_) PostMessageW(hwnd_, WM_CLOSE, 0, 0);
        if (WaitForSingleObject(process_, 5000) != WAIT_OBJECT_0) {
            TerminateProcess(process_, 1);
            WaitForSingleObject(process_, 5000);
        }
        CloseHandle(process_);
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
    HANDLE process() const { return process_; }

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
        GetProcessHandleCount(process_, &handles);
        PROCESS_MEMORY_COUNTERS pmc{};
        pmc.cb = sizeof pmc;
        GetProcessMemoryInfo(process_, &pmc, sizeof pmc);
        Json byType;
        double live = 0;
        for (const auto& [type, n] : liveHandles(pid_)) {
            byType.num(std::to_string(type), n);
            live += n;
        }
        Json j;
        j.num("rss_kb", statusKb(status, "VmRSS:"))
            .num("hwm_kb", statusKb(status, "VmHWM:"))
            .num("pss_kb", statusKb(rollup, "Pss:"))
            .num("threads", statusKb(status, "Threads:"))
            .num("fds", countEntries(L"Z:" + std::wstring(base.begin(), base.end()) + L"\\fd"))
            .num("handles", handles)
            .num("handle_table", handleTableSize(pid_))
            .num("handles_live", live)
            .raw("handles_by_type", byType.text())
            .num("gdi", GetGuiResources(process_, GR_GDIOBJECTS))
            .num("user", GetGuiResources(process_, GR_USEROBJECTS))
            .num("gdi_peak", GetGuiResources(process_, 2 /* GR_GDIOBJECTS_PEAK */))
            .num("user_peak", GetGuiResources(process_, 4 /* GR_USEROBJECTS_PEAK */))
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
        GetProcessTimes(process_, &c, &e, &k0, &u0);
        const auto before = sample();
        const double start = now();
        Sleep(static_cast<DWORD>(seconds) * 1000);
        const auto after = sample();
        const double wall = now() - start;
        GetProcessTimes(process_, &c, &e, &k1, &u1);
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

private:
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
    HANDLE process_ = nullptr;
    DWORD pid_ = 0;
    HWND hwnd_ = nullptr;
    int unixPid_ = 0;
    double launchedAt_ = 0;
    double windowAt_ = 0;
};

// Settings --------------------------------------------------------------------------------

void setSetting(std::wstring_view name, const std::wstring& value) {
    const std::wstring key = std::wstring(zt::kSettingsKey) + L"\\" + std::wstring(name);
    RegSetKeyValueW(HKEY_CURRENT_USER, key.c_str(), std::wstring(zt::kSettingValue).c_str(), REG_SZ, value.c_str(),
                    static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
}

// A fresh set: the folder and the delay; everything else at the program's defaults.
void useSettings(const std::wstring& folder, const std::wstring& delay) {
    RegDeleteTreeW(HKEY_CURRENT_USER, std::wstring(zt::kSettingsKey).c_str());
    setSetting(zt::kPathSetting, folder);
    setSetting(zt::kDelaySetting, delay);
    setSetting(zt::kVolumeSetting, L"50");
    setSetting(zt::kMuteSetting, L"0");
    setSetting(zt::kSystraySetting, L"False");
}

int countdown(const Subject& s) {
    const std::wstring t = Subject::text(s.control(zt::ids::kTxtCountdown));
    return t.empty() ? -1 : _wtoi(t.c_str());
}

// Waits for the countdown to change; returns the moment and the new value.
std::pair<double, int> nextCountdown(const Subject& s, double timeout = 10) {
    const int from = countdown(s);
    const double deadline = now() + timeout;
    while (now() < deadline) {
        const int value = countdown(s);  // answered at the program's next pass over its events
        if (value != from) return {now(), value};
        Sleep(1);
    }
    return {now(), from};
}

void selectFirstFile(const Subject& s) { SendMessageW(s.control(zt::ids::kFile1), LB_SETCURSEL, 0, 0); }

WPARAM testPlayCommand() { return MAKEWPARAM(zt::ids::kFile1, LBN_DBLCLK); }

// The phases -------------------------------------------------------------------------------

constexpr int kStartups = 3;

// Launch to first text shown, and launch to the window first seen, in ms.
struct Startups {
    std::vector<double> shown, window;
    void add(Subject& s, int textControl) {
        shown.push_back(s.waitUntilShowing(textControl) * 1000);
        window.push_back(s.windowAt() * 1000);
    }
};
constexpr DWORD kSettleMs = 3000;

Json baselineRun() {
    log("baseline: start-up x%d, then %d s idle, %d round trips", kStartups, opt.idleSeconds, opt.probes);
    Startups startups;
    for (int i = 0; i < kStartups - 1; ++i) {
        Subject s(opt.baseline, L"ZtBenchBaseline", opt.sounds);
        startups.add(s, 0);
    }
    Subject s(opt.baseline, L"ZtBenchBaseline", opt.sounds);
    startups.add(s, 0);
    Sleep(kSettleMs);
    Json j;
    j.arr("startup_ms", startups.shown).arr("window_ms", startups.window).obj("after_start", s.snapshot());
    j.obj("idle", s.idleCpu(opt.idleSeconds));
    j.arr("rtt_idle_ms", s.roundTrips(opt.probes));
    j.obj("end", s.snapshot());
    return j;
}

// Delay 10: the long countdown. Idle cost, pace, round trips while counting and playing.
Json countingRun(Startups& startups) {
    log("zirrotone, delay 10: %d s counting, %d round trips counting, %d playing", opt.idleSeconds, opt.probes,
        opt.probes);
    useSettings(opt.sounds + L"\\long", L"10");
    Subject s(opt.zirrotone, L"ZirrotoneMain", opt.sounds);
    startups.add(s, zt::ids::kTxtCountdown);
    Sleep(kSettleMs);
    Json j;
    j.obj("after_start", s.snapshot());
    const auto [t0, v0] = nextCountdown(s);
    j.obj("idle", s.idleCpu(opt.idleSeconds));
    const auto [t1, v1] = nextCountdown(s);
    j.num("pace_counted_s", v0 - v1).num("pace_wall_s", t1 - t0);
    j.arr("rtt_counting_ms", s.roundTrips(opt.probes));
    // A 20 s sound, started as a double-click in the list would (the handler plays it
    // through, so it is posted).
    selectFirstFile(s);
    PostMessageW(s.hwnd(), WM_COMMAND, testPlayCommand(), reinterpret_cast<LPARAM>(s.control(zt::ids::kFile1)));
    Sleep(1500);
    const double playStart = now();
    j.arr("rtt_playing_ms", s.roundTrips(opt.probes));
    j.num("playing_probe_s", now() - playStart);
    PostMessageW(s.hwnd(), WM_COMMAND, MAKEWPARAM(zt::ids::kCmdStop, BN_CLICKED),
                 reinterpret_cast<LPARAM>(s.control(zt::ids::kCmdStop)));
    // Waiting again once a sound has been played: what the program costs for most of a day.
    Sleep(kSettleMs);
    j.obj("idle_after_sound", s.idleCpu(std::max(opt.idleSeconds / 2, 1)));
    return j;
}

// Delay 0.1 and a short sound: 100 test plays one after another, then scheduler cycles.
Json playsRun(Startups& startups) {
    log("zirrotone, delay 0.1: %d test plays, then %d scheduler cycles", opt.plays, opt.cycles);
    useSettings(opt.sounds + L"\\short", L"0.1");
    Subject s(opt.zirrotone, L"ZirrotoneMain", opt.sounds);
    startups.add(s, zt::ids::kTxtCountdown);
    Sleep(kSettleMs);
    Json j;
    j.obj("after_start", s.snapshot());
    selectFirstFile(s);
    // Sent, not posted: the handler returns when the sound has ended, which is what
    // lets the plays follow one another without overlapping.
    std::vector<double> plays;
    for (int i = 0; i < opt.plays; ++i) {
        if (i == 1) j.obj("after_first_play", s.snapshot());  // the media runtime is loaded now
        DWORD_PTR result = 0;
        const double t0 = now();
        SendMessageTimeoutW(s.hwnd(), WM_COMMAND, testPlayCommand(),
                            reinterpret_cast<LPARAM>(s.control(zt::ids::kFile1)), SMTO_NORMAL, 10000, &result);
        plays.push_back((now() - t0) * 1000);
    }
    j.arr("play_ms", plays);
    j.obj("after_test_plays", s.snapshot());
    // A new draw shows as the countdown going up.
    int cycles = 0;
    int last = countdown(s);
    const double deadline = now() + 12.0 * opt.cycles;
    while (cycles < opt.cycles && now() < deadline) {
        Sleep(50);
        const int value = countdown(s);
        if (value > last) ++cycles;
        last = value;
    }
    j.num("scheduler_cycles", cycles);
    Sleep(1000);
    j.obj("after_plays", s.snapshot());
    j.obj("handles_after_plays", handleNames(s.process(), GetProcessId(s.process())));
    return j;
}

// Delay 0.1 and a 1 s sound: when each countdown value appears, on the clock the sink
// recorder uses, so that the end of the sound itself can be matched.
Json endOfSoundRun(Startups& startups) {
    log("zirrotone, delay 0.1, 1 s sound: %d ends of a sound", opt.endCycles);
    useSettings(opt.sounds + L"\\one", L"0.1");
    Subject s(opt.zirrotone, L"ZirrotoneMain", opt.sounds);
    startups.add(s, zt::ids::kTxtCountdown);
    // Each reply comes at one of the program's passes over its events; the last that still
    // says 0 is the pass in which the player saw the end.
    std::vector<double> zeroAt, lastZeroAt, nextAt, nextValue;
    double lastZero = 0;
    int last = countdown(s);
    const double deadline = now() + 12.0 * (opt.endCycles + 1);
    while (static_cast<int>(nextAt.size()) < opt.endCycles && now() < deadline) {
        const int value = countdown(s);  // answered at the program's next pass
        double at = unixTime();
        if (value == 0) lastZero = at;
        if (value == last) continue;
        Subject::waitUntilPainted(s.control(zt::ids::kTxtCountdown));
        if (value != 0) at = unixTime();  // 0 is taken when set: the sound starts right after
        if (value == 0) zeroAt.push_back(at);
        if (last == 0 && value > 0 && !zeroAt.empty()) {
            nextAt.push_back(at);
            lastZeroAt.push_back(lastZero);
            nextValue.push_back(value);
        }
        last = value;
    }
    zeroAt.resize(nextAt.size());
    Json j;
    j.arr("zero_at", zeroAt).arr("last_zero_at", lastZeroAt).arr("next_at", nextAt).arr("next_value", nextValue);
    return j;
}

std::wstring arg(int argc, wchar_t** argv, const wchar_t* name, const wchar_t* fallback = L"") {
    // The last one counts, so that scripts/bench's defaults can be overridden.
    for (int i = argc - 2; i >= 1; --i)
        if (wcscmp(argv[i], name) == 0) return argv[i + 1];
    return fallback;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    opt.zirrotone = arg(argc, argv, L"--zirrotone");
    opt.baseline = arg(argc, argv, L"--baseline");
    opt.sounds = arg(argc, argv, L"--sounds");
    opt.out = arg(argc, argv, L"--out");
    const std::wstring prefix = arg(argc, argv, L"--prefix");
    opt.prefix.assign(prefix.begin(), prefix.end());
    opt.clockTicks = _wtoi(arg(argc, argv, L"--clock-ticks", L"100").c_str());
    opt.xvfbPid = _wtoi(arg(argc, argv, L"--xvfb-pid", L"0").c_str());
    opt.idleSeconds = _wtoi(arg(argc, argv, L"--idle-seconds", L"60").c_str());
    opt.probes = _wtoi(arg(argc, argv, L"--probes", L"200").c_str());
    opt.plays = _wtoi(arg(argc, argv, L"--plays", L"100").c_str());
    const std::wstring only = arg(argc, argv, L"--only");
    if (opt.zirrotone.empty() || opt.baseline.empty() || opt.sounds.empty() || opt.out.empty() || opt.prefix.empty()) {
        std::fputs("usage: zt_bench --zirrotone EXE --baseline EXE --sounds DIR --out FILE --prefix UNIXDIR\n", stderr);
        return 1;
    }

    Json all;
    Startups startups;
    auto want = [&](const wchar_t* phase) { return only.empty() || only.find(phase) != std::wstring::npos; };
    if (want(L"baseline")) all.obj("baseline", baselineRun());
    if (want(L"counting")) all.obj("counting", countingRun(startups));
    if (want(L"plays")) all.obj("plays", playsRun(startups));
    if (want(L"end")) all.obj("end_of_sound", endOfSoundRun(startups));
    all.arr("zirrotone_startup_ms", startups.shown).arr("zirrotone_window_ms", startups.window);

    FILE* out = _wfopen(opt.out.c_str(), L"w");
    if (!out) return 1;
    std::fputs(all.text().c_str(), out);
    std::fputs("\n", out);
    std::fclose(out);
    return 0;
}
