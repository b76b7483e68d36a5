#pragma once
// The real clock: the local wall-clock time and the tick count since boot.
#include "common/local_time.h"

namespace zt {

class SystemClock : public Clock {
public:
    LocalTime now() const override;
    std::uint64_t tickMs() const override;
};

}  // namespace zt
