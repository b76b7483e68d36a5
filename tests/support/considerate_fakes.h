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

// A zone's offset from UTC, in minutes east, at a moment (seconds UTC).
using Zone = int (*)(std::int64_t utcSeconds);

// Europe/London: +01:00 from 01:00 UTC on the last Sunday of March to 01:00 UTC on the last
// Sunday of October (2026: 29 March and 25 October), +00:00 otherwise.
inline int london(std::int64_t utcSeconds) {
    const int year = localTimeAt(utcSeconds).year;
    const auto lastSundayAt1 = [year](int month) {
        const LocalTime last = localTimeAt(localSeconds(LocalTime{year, month, 31, 1, 0}));
        return localSeconds(last) - last.weekday * kSecondsPerDay;
    };
    return utcSeconds >= lastSundayAt1(3) && utcSeconds < lastSundayAt1(10) ? 60 : 0;
}

// Wall clock and tick count advance together; setWallClock moves only the wall clock, as
// a user changing the time does, and setZone only the offset, as a new time zone does.
// Without a zone the wall clock is UTC.
class SimClock : public Clock {
public:
    explicit SimClock(const LocalTime& start, Zone zone = nullptr) : zone_(zone) { setWallClock(start); }
    LocalTime now() const override { return stampAt(utc_, *this).local; }
    std::uint64_t tickMs() const override { return tickMs_; }
    std::int64_t utcNow() const override { return utc_; }
    int utcOffsetMinutes(std::int64_t utcSeconds) const override { return zone_ ? zone_(utcSeconds) : 0; }

    void advance(std::int64_t seconds) {
        utc_ += seconds;
        tickMs_ += static_cast<std::uint64_t>(seconds) * 1000;
    }
    void setWallClock(const LocalTime& time) { utc_ = momentOf({time, std::nullopt}, *this); }
    void setZone(Zone zone) { zone_ = zone; }

private:
    Zone zone_;
    std::int64_t utc_ = 0;
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
