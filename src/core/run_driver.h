#pragma once
// Starts scheduler runs one after another instead of inside each other. Every activation of
// the main window asks for a new run; the run in progress notices at its next wait step
// that it has been replaced, unwinds and never resumes, and the new run starts from the
// top-level message handler. The stack depth therefore stays the same however many
// activations arrive. No window code here.
#include <cstdint>
#include <functional>
#include <string>

namespace zt {

class RunDriver {
public:
    RunDriver() = default;
    RunDriver(const RunDriver&) = delete;
    RunDriver& operator=(const RunDriver&) = delete;

    // Asks for a new run in place of the one in progress. Safe to call from anywhere,
    // usually from deep inside a running body's event processing. Returns true when no
    // run is in progress and none has been announced yet: the caller must then post
    // itself a message and call drive() from its top-level handler of that message.
    bool request();

    // Runs body once for the newest outstanding request, and again whenever a newer
    // request arrived while it ran; a burst of requests gives one new run. Never nests:
    // a call while a body runs returns at once. The body is expected to return soon after
    // abandoned() turns true. A body that throws ends that run: `failed` hears the fault's
    // words and may request the next run (later: at once, a fault that repeats would spin).
    void drive(const std::function<void()>& body, const std::function<void(const std::string&)>& failed = {});

    // A newer run has been requested; the body in progress should return.
    bool abandoned() const { return started_ != requested_; }
    // request() returned true and the caller's message has not reached drive() yet.
    bool announced() const { return announced_; }

private:
    std::uint64_t requested_ = 0;  // number of the newest requested run
    std::uint64_t started_ = 0;    // number of the run in progress, or of the last one
    bool driving_ = false;
    bool announced_ = false;  // request() returned true and drive() has not run since
};

}  // namespace zt
