#pragma once
// The real clock: the local wall-clock time, the tick count since boot (which goes on
// counting while the machine sleeps), and the system's time zone with its daylight saving.
#include "common/local_time.h"

namespace zt {

class SystemClock : public Clock {
public:
    LocalTime now() const override;
    std::uint64_t tickMs() const override;
    std::int64_t utcNow() const override;
    int utcOffsetMinutes(std::int64_t utcSeconds) const override;
};

}  // namespace zt
