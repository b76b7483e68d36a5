#pragma once
// Simulated time and a scripted busy probe for considerate timing.
#include "common/local_time.h"
#include "core/considerate.h"

#include <cstdint>

namespace zt::test {

// A local date and time (seconds optional); the weekday is worked out.
inline LocalTime at(int year, int month, int day, int hour, int minute, int second = 0) {
    return localTimeAt(localSeconds(LocalTime{year, month, day, hour, minute, second}));
}

// Wall clock and tick count advance together; setWallClock moves only the wall clock, as
// a user changing the time does.
class SimClock : public Clock {
public:
    explicit SimClock(const LocalTime& start) : seconds_(localSeconds(start)) {}
    LocalTime now() const override { return localTimeAt(seconds_); }
    std::uint64_t tickMs() const override { return tickMs_; }

    void advance(std::int64_t seconds) {
        seconds_ += seconds;
        tickMs_ += static_cast<std::uint64_t>(seconds) * 1000;
    }
    void setWallClock(const LocalTime& time) { seconds_ = localSeconds(time); }

private:
    std::int64_t seconds_;
    std::uint64_t tickMs_ = 123456789;
};

class ScriptedProbe : public BusyProbe {
public:
    BusyReason query() override {
        ++queries;
        return reason;
    }
    BusyReason reason = BusyReason::Free;
    int queries = 0;
};

}  // namespace zt::test
