#pragma once
// Local wall-clock time and the clock seam. Times are the local calendar as the user reads
// it: the quiet hours are read off the wall clock, so a clock change simply moves them with
// it. A moment that must not move with the clock (the end of a "mute for") is kept with the
// offset from UTC it was set in (StampedTime). Window-free.
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

// A local time with the clock's offset from UTC then, in minutes east (+60 for "+01:00"):
// one moment, whatever the clock does later. Without an offset (the form stored before) it
// is a local time, the moment the clock next shows it.
struct StampedTime {
    LocalTime local;
    std::optional<int> utcOffsetMinutes;

    friend bool operator==(const StampedTime&, const StampedTime&) = default;
};

// "2026-03-29 02:30+01:00", or formatStamp(local) without an offset.
std::wstring formatStamp(const StampedTime& time);
// That form, or the older one without an offset (parseStamp); nothing otherwise. Offsets
// run from -14:00 to +14:00.
std::optional<StampedTime> parseStampedTime(std::wstring_view text);

// "07:30" for a minute of the day, 0..1439: the stored form, the same in every locale.
std::wstring formatStoredClock(int minuteOfDay);
// "7:30" or "07:30" (blanks around it allowed); nothing for anything else.
std::optional<int> parseClock(std::wstring_view text);

// A minute of the day as the user reads times ("07:30", "7:30 AM"), for tips, the status
// and the history: in the format the program has set (on Windows the locale's, set at
// start), else the stored form.
std::wstring formatClock(int minuteOfDay);
using ClockFormat = std::wstring (*)(int minuteOfDay);
// The format formatClock shows times in from now on; nullptr: the stored form. Set on the
// window thread, before any time is shown.
void setClockFormat(ClockFormat format);

class Clock {
public:
    virtual ~Clock() = default;
    // The local date and time now.
    virtual LocalTime now() const = 0;
    // Milliseconds from some fixed start; never goes back, whatever the wall clock does.
    virtual std::uint64_t tickMs() const = 0;
    // The moment now, in seconds since 1970-01-01 00:00 UTC, and the local time's offset
    // from UTC at a moment, in minutes east. Left alone, a clock keeps UTC as its local time.
    virtual std::int64_t utcNow() const { return localSeconds(now()); }
    virtual int utcOffsetMinutes(std::int64_t /*utcSeconds*/) const { return 0; }
};

// What the clock shows at a moment (seconds UTC), with its offset then.
StampedTime stampAt(std::int64_t utcSeconds, const Clock& clock);
// The moment a stamp names (seconds UTC). One without an offset takes the clock's offset at
// that local time: where the time comes twice (the clocks go back) the first, where it is
// skipped (they go forward) as if they had not yet.
std::int64_t momentOf(const StampedTime& time, const Clock& clock);

}  // namespace zt
