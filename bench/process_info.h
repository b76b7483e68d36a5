#pragma once
// What a process of ours costs, from Linux (/proc of the Wine processes, read through Z:)
// and from the system's handle list.
#include <windows.h>

#include <map>
#include <string>

#include "driver.h"

namespace bench {

// The contents of a Linux file ("/proc/..."), empty when it cannot be read.
std::string readUnixFile(const std::string& unixPath);
// The processes of our Wine prefix (wineserver, explorer.exe, the programs), with their
// command lines (NUL-separated arguments joined by spaces).
std::map<int, std::string> prefixProcesses();
std::string lower(std::string s);
// The Linux process that runs a Windows program of ours: its exe name on the command line;
// the newest one if there are several.
int unixPidOf(const std::wstring& exe);
// utime + stime of the whole process, in milliseconds.
double cpuMs(int pid);
// The number after `key` in a /proc status text, -1 when missing.
long statusKb(const std::string& text, const char* key);
// Entries of a folder, -1 when it cannot be read.
int countEntries(const std::wstring& folder);

// What the handles of a process are: counts by type name, and the most common type/name pairs.
Json handleNames(HANDLE process, DWORD pid);
// Live handles of a process by object type number.
std::map<int, int> liveHandles(DWORD pid);
// The size of the process's handle table (what the process list calls its handle count).
double handleTableSize(DWORD pid);

}  // namespace bench
