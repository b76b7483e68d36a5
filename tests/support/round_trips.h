#pragma once
// How long a window keeps a message waiting: WM_NULL sent from a thread of its own, one
// after another, the first answer (which may meet the window still being made) kept apart
// from the slowest of the rest.
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <thread>

namespace zt::test {

class RoundTrips {
public:
    explicit RoundTrips(HWND hwnd) : hwnd_(hwnd), thread_([this] { run(); }) {}
    ~RoundTrips() { stop(); }
    RoundTrips(const RoundTrips&) = delete;
    RoundTrips& operator=(const RoundTrips&) = delete;
    // Ends the round trips; the slowest after the first, in milliseconds.
    long long stop() {
        running_ = false;
        if (thread_.joinable()) thread_.join();
        return slowestMs_;
    }
    long long firstMs() const { return firstMs_; }
    long long slowestMs() const { return slowestMs_; }

private:
    void run() {
        for (bool first = true; running_; first = false) {
            const auto sent = std::chrono::steady_clock::now();
            DWORD_PTR answer = 0;
            SendMessageTimeoutW(hwnd_, WM_NULL, 0, 0, SMTO_NORMAL, 120'000, &answer);
            const auto ms =
                std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - sent).count();
            if (first)
                firstMs_ = ms;
            else
                slowestMs_ = std::max<long long>(slowestMs_, ms);
            Sleep(10);
        }
    }
    HWND hwnd_;
    std::atomic<bool> running_{true};
    std::atomic<long long> firstMs_{0}, slowestMs_{0};
    std::thread thread_;
};

}  // namespace zt::test
