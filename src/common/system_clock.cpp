#include "common/system_clock.h"

#include <windows.h>

namespace zt {

namespace {

constexpr std::int64_t kTicksPerSecond = 10'000'000;                 // FILETIME counts 100 ns
constexpr std::int64_t kFileTimeAt1970 = 116'444'736'000'000'000;  // 1601 to 1970

LocalTime fromSystemTime(const SYSTEMTIME& st) {
    LocalTime t;
    t.year = st.wYear;
    t.month = st.wMonth;
    t.day = st.wDay;
    t.hour = st.wHour;
    t.minute = st.wMinute;
    t.second = st.wSecond;
    t.weekday = st.wDayOfWeek;
    return t;
}

}  // namespace

LocalTime SystemClock::now() const {
    SYSTEMTIME st{};
    GetLocalTime(&st);
    return fromSystemTime(st);
}

std::int64_t SystemClock::utcNow() const {
    FILETIME ft{};
    GetSystemTimeAsFileTime(&ft);
    const auto ticks = static_cast<std::int64_t>((static_cast<std::uint64_t>(ft.dwHighDateTime) << 32) | ft.dwLowDateTime);
    return (ticks - kFileTimeAt1970) / kTicksPerSecond;
}

int SystemClock::utcOffsetMinutes(std::int64_t utcSeconds) const {
    // Asked afresh each time: the user may have changed the zone since.
    const auto ticks = static_cast<std::uint64_t>(utcSeconds * kTicksPerSecond + kFileTimeAt1970);
    const FILETIME ft{static_cast<DWORD>(ticks & 0xFFFFFFFFu), static_cast<DWORD>(ticks >> 32)};
    SYSTEMTIME utc{}, local{};
    // The active zone's rules for daylight saving (the Ex form with the dynamic zone is
    // missing under Wine 8).
    if (!FileTimeToSystemTime(&ft, &utc) || !SystemTimeToTzSpecificLocalTime(nullptr, &utc, &local)) {
        // The offset now, then: the two clocks read a moment apart, to the nearest minute.
        const std::int64_t apart = localSeconds(now()) - utcNow();
        return static_cast<int>((apart + (apart < 0 ? -30 : 30)) / 60);
    }
    return static_cast<int>((localSeconds(fromSystemTime(local)) - utcSeconds) / 60);
}

std::uint64_t SystemClock::tickMs() const { return GetTickCount64(); }

}  // namespace zt
