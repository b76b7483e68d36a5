#pragma once
// The one seam through which the program waits. Every wait is a run of short sleeps, each
// followed by one pass over pending events, so the window stays responsive; tests swap in
// a clock of their own and run whole countdowns in simulated time.

namespace zt {

class Waiter {
public:
    virtual ~Waiter() = default;
    // Suspend the thread for about this many milliseconds.
    virtual void sleepMs(int ms) = 0;
    // Handle the events that are waiting now, then return.
    virtual void processEvents() = 0;

    // The building block of every wait loop: one 100 ms step.
    void step() {
        sleepMs(kStepMs);
        processEvents();
    }
    static constexpr int kStepMs = 100;
};

}  // namespace zt
