#pragma once
// The one seam through which the program waits. A wait handles the events that arrive
// while it lasts, so the window stays responsive; tests swap in a clock of their own and
// run whole countdowns in simulated time.
#include <algorithm>
#include <cstdint>

namespace zt {

class Waiter {
public:
    virtual ~Waiter() = default;
    // Suspend the thread for about this many milliseconds.
    virtual void sleepMs(int ms) = 0;
    // Handle the events that are waiting now, then return.
    virtual void processEvents() = 0;
    // The clock the waits are measured on, in milliseconds from any start.
    virtual std::int64_t clockMs() = 0;

    // Sleeps until the clock reaches deadlineMs or something happens, then handles the
    // events waiting and returns; callers loop until their deadline. `wake` is a waitable
    // handle (or nullptr) that also ends the sleep. This one sleeps at most a step, which
    // suits a simulated clock; the program's own waiter sleeps to the deadline and wakes
    // the moment a message, input or the handle arrives.
    virtual void waitUntil(std::int64_t deadlineMs, void* /*wake*/) {
        sleepMs(static_cast<int>(std::clamp<std::int64_t>(deadlineMs - clockMs(), 0, kStepMs)));
        processEvents();
    }

    // One 100 ms step: a sleep, then one pass over the events.
    void step() {
        sleepMs(kStepMs);
        processEvents();
    }
    static constexpr int kStepMs = 100;
};

}  // namespace zt
