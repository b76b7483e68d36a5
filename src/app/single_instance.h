#pragma once
// One Zirrotone per user: a second start hands over to the running one and ends.
#include <windows.h>

#include <string>

#include "common/scoped.h"

namespace zt {

// The per-user name of the mutex the first instance holds: "Local\Zirrotone-<user SID>"
// (the SID keeps two users of one session apart; "Local" keeps sessions apart).
std::wstring instanceMutexName();

// The text form of the SID of the user this process runs as; empty if it cannot be read.
std::wstring currentUserSid();

// Holds the named mutex for as long as it lives; the system releases it when the process
// ends, however it ends.
class SingleInstance {
public:
    explicit SingleInstance(const std::wstring& name = instanceMutexName());
    // True when no other holder of the name existed: this process is the one to run.
    bool first() const { return first_; }

private:
    ScopedHandle mutex_;
    bool first_ = true;
};

// The main window of the running instance of this user, waiting up to timeoutMs for it
// (the first instance may still be starting); nullptr when there is none.
HWND findRunningInstance(DWORD timeoutMs);

// Lets the running instance take the foreground and asks it to show its window.
// False when no running window was found.
bool showRunningInstance(DWORD timeoutMs = 5000);

}  // namespace zt
