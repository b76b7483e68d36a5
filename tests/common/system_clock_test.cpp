#include "common/system_clock.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>

namespace zt {
namespace {

std::int64_t secondsOf(const SYSTEMTIME& st) {
    return localSeconds(LocalTime{st.wYear, st.wMonth, st.wDay, st.wHour, st.wMinute, st.wSecond});
}

// The moment, the offset and the local time agree with each other and with the system's
// own two clocks, whatever zone the machine (or the Wine prefix) is in.
TEST(SystemClock, TheMomentNowAndItsOffsetGiveTheLocalTime) {
    const SystemClock clock;
    SYSTEMTIME utc{}, local{};
    GetSystemTime(&utc);
    GetLocalTime(&local);
    const std::int64_t now = clock.utcNow();
    EXPECT_LE(std::llabs(now - secondsOf(utc)), 2);
    const int offset = clock.utcOffsetMinutes(now);
    EXPECT_LE(std::llabs(secondsOf(local) - secondsOf(utc) - offset * 60LL), 2);
    EXPECT_LE(std::llabs(localSeconds(clock.now()) - (now + offset * 60LL)), 2);
    // A stamp made now names this moment again, as stored and read back.
    EXPECT_EQ(momentOf(stampAt(now, clock), clock), now);
}

}  // namespace
}  // namespace zt
