#pragma once
// Finds the message box that a thread shows, notes what it says and presses OK, from a
// worker thread, so that tests can drive code that shows a real message box.
#include <windows.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>

namespace zt::test {

struct SeenMessageBox {
    bool found = false;
    std::wstring title;
    std::wstring text;
    HICON icon = nullptr;  // the icon shown, if any
    int buttons = 0;
};

class MessageBoxProbe {
public:
    explicit MessageBoxProbe(DWORD threadId = GetCurrentThreadId())
        : worker_([this, threadId] { watch(threadId); }) {}
    ~MessageBoxProbe() { stop(); }
    MessageBoxProbe(const MessageBoxProbe&) = delete;
    MessageBoxProbe& operator=(const MessageBoxProbe&) = delete;

    // Stops watching and reports what was seen.
    SeenMessageBox seen() {
        stop();
        return seen_;
    }

private:
    void stop() {
        done_ = true;
        if (worker_.joinable()) worker_.join();
    }

    static BOOL CALLBACK findBox(HWND hwnd, LPARAM lParam) {
        wchar_t cls[16] = {};
        GetClassNameW(hwnd, cls, 16);
        if (std::wstring_view(cls) == L"#32770" && IsWindowVisible(hwnd)) {
            *reinterpret_cast<HWND*>(lParam) = hwnd;
            return FALSE;
        }
        return TRUE;
    }

    static BOOL CALLBACK readChild(HWND hwnd, LPARAM lParam) {
        auto* seen = reinterpret_cast<SeenMessageBox*>(lParam);
        if (!IsWindowVisible(hwnd)) return TRUE;
        wchar_t cls[16] = {};
        GetClassNameW(hwnd, cls, 16);
        const std::wstring_view name(cls);
        if (name == L"Button") {
            ++seen->buttons;
        } else if (name == L"Static") {
            if ((GetWindowLongW(hwnd, GWL_STYLE) & SS_TYPEMASK) == SS_ICON) {
                seen->icon = reinterpret_cast<HICON>(SendMessageW(hwnd, STM_GETICON, 0, 0));
            } else {
                wchar_t text[512] = {};
                GetWindowTextW(hwnd, text, 512);
                if (*text) seen->text = text;
            }
        }
        return TRUE;
    }

    void watch(DWORD threadId) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        while (!done_ && std::chrono::steady_clock::now() < deadline) {
            HWND box = nullptr;
            EnumThreadWindows(threadId, findBox, reinterpret_cast<LPARAM>(&box));
            if (box) {
                // Let it finish laying out before reading it.
                std::this_thread::sleep_for(std::chrono::milliseconds(100));
                wchar_t title[256] = {};
                GetWindowTextW(box, title, 256);
                seen_.title = title;
                EnumChildWindows(box, readChild, reinterpret_cast<LPARAM>(&seen_));
                seen_.found = true;
                PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
                return;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
    }

    std::atomic<bool> done_{false};
    SeenMessageBox seen_;
    std::thread worker_;
};

}  // namespace zt::test
