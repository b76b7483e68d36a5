#pragma once
// Local wall-clock time and the clock seam. Times are the local calendar as the user reads
// it, with no zone and no daylight saving: the quiet hours and "muted until" are read off
// the wall clock, so a clock change simply moves them with it. Window-free.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace zt {

struct LocalTime {
    int year = 1970;
    int month = 1;  // 1..12
    int day = 1;    // 1..31
    int hour = 0;
    int minute = 0;
    int second = 0;
    int weekday = 4;  // 0 Sunday .. 6 Saturday, as SYSTEMTIME counts them

    friend bool operator==(const LocalTime&, const LocalTime&) = default;
};

inline constexpr std::int64_t kSecondsPerDay = 86400;

// Seconds since 1970-01-01 00:00:00 on the local calendar; the weekday is not read.
std::int64_t localSeconds(const LocalTime& time);
// The inverse, weekday included.
LocalTime localTimeAt(std::int64_t seconds);

// "2026-12-07 14:30": an absolute local time to the minute, the stored form of an end time.
std::wstring formatStamp(const LocalTime& time);
// Exactly that form (blanks around it allowed) naming a real date; nothing otherwise.
std::optional<LocalTime> parseStamp(std::wstring_view text);

// "07:30" for a minute of the day, 0..1439.
std::wstring formatClock(int minuteOfDay);
// "7:30" or "07:30" (blanks around it allowed); nothing for anything else.
std::optional<int> parseClock(std::wstring_view text);

class Clock {
public:
    virtual ~Clock() = default;
    // The local date and time now.
    virtual LocalTime now() const = 0;
    // Milliseconds from some fixed start; never goes back, whatever the wall clock does.
    virtual std::uint64_t tickMs() const = 0;
};

}  // namespace zt
