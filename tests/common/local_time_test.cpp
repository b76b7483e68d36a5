#include "common/local_time.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace zt {
namespace {

// Weekday left as it comes: localSeconds does not read it.
LocalTime date(int y, int mo, int d, int h = 0, int mi = 0, int s = 0) {
    return LocalTime{y, mo, d, h, mi, s};
}

TEST(LocalTime, KnownDatesHaveTheirWeekdays) {
    struct Case { LocalTime date; int weekday; };
    const Case cases[] = {
        {date(1970, 1, 1), 4}, {date(2026, 12, 7), 1}, {date(2000, 2, 29), 2},
        {date(1969, 12, 31), 3}, {date(1601, 1, 1), 1}, {date(2027, 1, 1), 5},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(formatStamp(c.date));
        EXPECT_EQ(localTimeAt(localSeconds(c.date)).weekday, c.weekday);
    }
}

TEST(LocalTime, EveryDayOfCenturiesRoundTrips) {
    // Each day from 1600 to 2400, at a time of day that moves on by 7 s a day; each day's
    // weekday is the one after the day before's.
    const std::int64_t first = localSeconds(date(1600, 1, 1));
    const std::int64_t last = localSeconds(date(2400, 12, 31));
    int weekday = localTimeAt(first).weekday;
    for (std::int64_t day = 0; first + day * kSecondsPerDay <= last; ++day) {
        const std::int64_t s = first + day * kSecondsPerDay + day * 7 % kSecondsPerDay;
        const LocalTime t = localTimeAt(s);
        ASSERT_EQ(localSeconds(t), s);
        ASSERT_TRUE(t.month >= 1 && t.month <= 12 && t.day >= 1 && t.day <= 31 &&
                    t.hour < 24 && t.minute < 60 && t.second < 60);
        ASSERT_EQ(t.weekday, weekday);
        weekday = (weekday + 1) % 7;
    }
}

TEST(LocalTime, StampsReadOnlyTheExactFormAndARealDate) {
    struct Case { const wchar_t* text; std::optional<LocalTime> expected; };
    const Case cases[] = {
        {L"2026-12-07 14:30", date(2026, 12, 7, 14, 30)},
        {L"  2026-12-07 14:30\t", date(2026, 12, 7, 14, 30)},
        {L"2024-02-29 00:00", date(2024, 2, 29)},
        {L"2026-02-29 00:00", std::nullopt},
        {L"2026-04-31 10:00", std::nullopt},
        {L"2026-13-01 10:00", std::nullopt},
        {L"2026-00-01 10:00", std::nullopt},
        {L"2026-12-07 24:00", std::nullopt},
        {L"2026-12-07 23:60", std::nullopt},
        {L"2026-12-07T14:30", std::nullopt},
        {L"2026-12-07 14:30:00", std::nullopt},
        {L"2026-12-7 14:30", std::nullopt},
        {L"+026-12-07 14:30", std::nullopt},
        {L"0000-01-01 00:00", std::nullopt},
        {L"", std::nullopt},
        {L"garbage garbage!", std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        const auto parsed = parseStamp(c.text);
        ASSERT_EQ(parsed.has_value(), c.expected.has_value());
        if (parsed) {
            EXPECT_EQ(localSeconds(*parsed), localSeconds(*c.expected));
            EXPECT_EQ(*parsed, localTimeAt(localSeconds(*c.expected)));  // weekday filled in
            EXPECT_EQ(parseStamp(formatStamp(*parsed)), parsed);
        }
    }
    EXPECT_EQ(formatStamp(date(987, 1, 2, 3, 4, 59)), L"0987-01-02 03:04");
}

TEST(LocalTime, StampedTimesCarryTheirOffsetAndTheOldFormStillReads) {
    struct Case { const wchar_t* text; std::optional<int> offset; bool reads; };
    const Case cases[] = {
        {L"2026-03-29 02:30+01:00", 60, true},
        {L"2026-03-29 02:30-05:30", -330, true},
        {L"2026-03-29 02:30+00:00", 0, true},
        {L"2026-03-29 02:30+14:00", 840, true},
        {L" 2026-03-29 02:30 ", std::nullopt, true},  // as stored before: local time
        {L"2026-03-29 02:30+14:01", std::nullopt, false},
        {L"2026-03-29 02:30+01:60", std::nullopt, false},
        {L"2026-03-29 02:30+0100", std::nullopt, false},
        {L"2026-03-29 02:30Z", std::nullopt, false},
        {L"2026-03-29 02:30*01:00", std::nullopt, false},
        {L"2026-02-30 02:30+01:00", std::nullopt, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        const auto parsed = parseStampedTime(c.text);
        ASSERT_EQ(parsed.has_value(), c.reads);
        if (!parsed) continue;
        EXPECT_EQ(parsed->local, localTimeAt(localSeconds(date(2026, 3, 29, 2, 30))));
        EXPECT_EQ(parsed->utcOffsetMinutes, c.offset);
        EXPECT_EQ(parseStampedTime(formatStamp(*parsed)), parsed);
    }
}

TEST(LocalTime, ClockTimesReadHoursAndMinutes) {
    struct Case { const wchar_t* text; std::optional<int> minutes; };
    const Case cases[] = {
        {L"07:30", 450}, {L"7:30", 450}, {L" 22:00 ", 1320}, {L"00:00", 0}, {L"23:59", 1439},
        {L"24:00", std::nullopt}, {L"12:60", std::nullopt}, {L"1230", std::nullopt},
        {L"12:3", std::nullopt}, {L"012:30", std::nullopt}, {L":30", std::nullopt},
        {L"-1:30", std::nullopt}, {L"", std::nullopt}, {L"ab:cd", std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(parseClock(c.text), c.minutes);
    }
    EXPECT_EQ(formatStoredClock(450), L"07:30");
    EXPECT_EQ(formatStoredClock(0), L"00:00");
    EXPECT_EQ(formatStoredClock(1439), L"23:59");
}

TEST(LocalTime, ShownTimesFollowTheFormatSetWhileTheStoredFormStays) {
    EXPECT_EQ(formatClock(450), L"07:30");  // none set: the stored form
    setClockFormat([](int minute) { return std::to_wstring((minute / 60 + 11) % 12 + 1) + (minute < 720 ? L" am" : L" pm"); });
    EXPECT_EQ(formatClock(450), L"7 am");
    EXPECT_EQ(formatClock(1350), L"10 pm");
    EXPECT_EQ(formatStoredClock(1350), L"22:30");
    setClockFormat(nullptr);
    EXPECT_EQ(formatClock(1350), L"22:30");
}

}  // namespace
}  // namespace zt
