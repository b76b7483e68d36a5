#include "process_info.h"

#include <winternl.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <sstream>
#include <vector>

#include "common/scoped.h"

namespace bench {

namespace {

std::vector<int> unixPids() {
    std::vector<int> pids;
    WIN32_FIND_DATAW found;
    const zt::ScopedFind find(FindFirstFileW(L"Z:\\proc\\*", &found));
    if (!find) return pids;
    do {
        const std::wstring name = found.cFileName;
        if (!name.empty() && std::all_of(name.begin(), name.end(), iswdigit)) pids.push_back(_wtoi(name.c_str()));
    } while (FindNextFileW(find.get(), &found));
    return pids;
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

}  // namespace

std::string readUnixFile(const std::string& unixPath) {
    const std::wstring path = L"Z:" + std::wstring(unixPath.begin(), unixPath.end());
    const zt::ScopedFile file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                          OPEN_EXISTING, 0, nullptr));
    if (!file) return {};
    std::string data;
    char buffer[4096];
    DWORD n = 0;
    while (ReadFile(file.get(), buffer, sizeof buffer, &n, nullptr) && n > 0) data.append(buffer, n);
    return data;
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
    const zt::ScopedFind find(FindFirstFileW((folder + L"\\*").c_str(), &found));
    if (!find) return -1;
    do {
        if (wcscmp(found.cFileName, L".") && wcscmp(found.cFileName, L"..")) ++n;
    } while (FindNextFileW(find.get(), &found));
    return n;
}
// What the handles are: counts by type name, and the most common type/name pairs.
Json handleNames(HANDLE process, DWORD pid) {
    std::map<std::string, int> byType, byName;
    for (const auto& e : handleEntries(pid)) {
        zt::ScopedHandle h;
        if (!DuplicateHandle(process, reinterpret_cast<HANDLE>(static_cast<ULONG_PTR>(e.value)), GetCurrentProcess(),
                             h.put(), 0, FALSE, DUPLICATE_SAME_ACCESS))
            continue;
        const std::string type = objectText(h.get(), 2);  // ObjectTypeInformation
        ++byType[type];
        ++byName[type + " " + objectText(h.get(), 1)];  // ObjectNameInformation
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

}  // namespace bench
