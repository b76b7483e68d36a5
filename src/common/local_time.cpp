#include "common/local_time.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace zt {

namespace {

// Days since 1970-01-01 of a proleptic Gregorian date (H. Hinnant's days_from_civil).
std::int64_t daysFromCivil(std::int64_t y, int m, int d) {
    y -= m <= 2 ? 1 : 0;
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const std::int64_t yoe = y - era * 400;
    const std::int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const std::int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

std::int64_t floorDiv(std::int64_t a, std::int64_t b) {
    return a / b - ((a % b != 0 && (a < 0) != (b < 0)) ? 1 : 0);
}

bool isLeap(int y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

int daysInMonth(int y, int m) {
    static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return m == 2 && isLeap(y) ? 29 : kDays[m - 1];
}

std::wstring_view trimmed(std::wstring_view text) {
    while (!text.empty() && (text.front() == L' ' || text.front() == L'\t')) text.remove_prefix(1);
    while (!text.empty() && (text.back() == L' ' || text.back() == L'\t')) text.remove_suffix(1);
    return text;
}

// The digits at [pos, pos + count) as a number; nothing when any is not a digit.
std::optional<int> digitsAt(std::wstring_view text, std::size_t pos, std::size_t count) {
    if (pos + count > text.size()) return std::nullopt;
    int value = 0;
    for (std::size_t i = pos; i < pos + count; ++i) {
        if (text[i] < L'0' || text[i] > L'9') return std::nullopt;
        value = value * 10 + (text[i] - L'0');
    }
    return value;
}

}  // namespace

std::int64_t localSeconds(const LocalTime& t) {
    return daysFromCivil(t.year, t.month, t.day) * kSecondsPerDay + t.hour * std::int64_t{3600} +
           t.minute * std::int64_t{60} + t.second;
}

LocalTime localTimeAt(std::int64_t seconds) {
    const std::int64_t days = floorDiv(seconds, kSecondsPerDay);
    const std::int64_t rest = seconds - days * kSecondsPerDay;
    // H. Hinnant's civil_from_days.
    const std::int64_t z = days + 719468;
    const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const std::int64_t doe = z - era * 146097;
    const std::int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const std::int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const std::int64_t mp = (5 * doy + 2) / 153;
    LocalTime t;
    t.day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    t.month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    t.year = static_cast<int>(yoe + era * 400 + (t.month <= 2 ? 1 : 0));
    t.hour = static_cast<int>(rest / 3600);
    t.minute = static_cast<int>(rest / 60 % 60);
    t.second = static_cast<int>(rest % 60);
    const std::int64_t fromThursday = days + 4;  // 1970-01-01 was a Thursday
    t.weekday = static_cast<int>(fromThursday - floorDiv(fromThursday, 7) * 7);
    return t;
}

std::wstring formatStamp(const LocalTime& t) {
    wchar_t buffer[32];
    std::swprintf(buffer, 32, L"%04d-%02d-%02d %02d:%02d", t.year, t.month, t.day, t.hour,
                  t.minute);
    return buffer;
}

std::optional<LocalTime> parseStamp(std::wstring_view text) {
    text = trimmed(text);
    if (text.size() != 16 || text[4] != L'-' || text[7] != L'-' || text[10] != L' ' ||
        text[13] != L':')
        return std::nullopt;
    const auto y = digitsAt(text, 0, 4), mo = digitsAt(text, 5, 2), d = digitsAt(text, 8, 2),
               h = digitsAt(text, 11, 2), mi = digitsAt(text, 14, 2);
    if (!y || !mo || !d || !h || !mi || *y < 1601 || *mo < 1 || *mo > 12 || *d < 1 ||
        *d > daysInMonth(*y, *mo) || *h > 23 || *mi > 59)
        return std::nullopt;
    LocalTime t;
    t.year = *y;
    t.month = *mo;
    t.day = *d;
    t.hour = *h;
    t.minute = *mi;
    return localTimeAt(localSeconds(t));  // fills in the weekday
}

std::wstring formatStamp(const StampedTime& t) {
    std::wstring text = formatStamp(t.local);
    if (!t.utcOffsetMinutes) return text;
    const int offset = *t.utcOffsetMinutes;
    wchar_t buffer[16];
    std::swprintf(buffer, 16, L"%02d:%02d", std::abs(offset) / 60, std::abs(offset) % 60);
    return text + (offset < 0 ? L'-' : L'+') + buffer;
}

std::optional<StampedTime> parseStampedTime(std::wstring_view text) {
    text = trimmed(text);
    constexpr std::size_t kLocalLength = 16;
    if (text.size() == kLocalLength) {
        if (const auto local = parseStamp(text)) return StampedTime{*local, std::nullopt};
        return std::nullopt;
    }
    if (text.size() != kLocalLength + 6 || (text[kLocalLength] != L'+' && text[kLocalLength] != L'-') ||
        text[kLocalLength + 3] != L':')
        return std::nullopt;
    const auto local = parseStamp(text.substr(0, kLocalLength));
    const auto h = digitsAt(text, kLocalLength + 1, 2), m = digitsAt(text, kLocalLength + 4, 2);
    if (!local || !h || !m || *m > 59 || *h * 60 + *m > 14 * 60) return std::nullopt;
    const int offset = *h * 60 + *m;
    return StampedTime{*local, text[kLocalLength] == L'-' ? -offset : offset};
}

StampedTime stampAt(std::int64_t utcSeconds, const Clock& clock) {
    const int offset = clock.utcOffsetMinutes(utcSeconds);
    return {localTimeAt(utcSeconds + offset * std::int64_t{60}), offset};
}

std::int64_t momentOf(const StampedTime& time, const Clock& clock) {
    const std::int64_t local = localSeconds(time.local);
    if (time.utcOffsetMinutes) return local - *time.utcOffsetMinutes * std::int64_t{60};
    // The offsets a day either side: a local time lies in one of them, or in the skipped
    // hour between them. Zones change their offset at most once within two days.
    const int before = clock.utcOffsetMinutes(local - kSecondsPerDay);
    const int after = clock.utcOffsetMinutes(local + kSecondsPerDay);
    const std::int64_t early = local - before * std::int64_t{60};
    const std::int64_t late = local - after * std::int64_t{60};
    const bool earlyShown = clock.utcOffsetMinutes(early) == before;
    const bool lateShown = clock.utcOffsetMinutes(late) == after;
    if (earlyShown && lateShown) return std::min(early, late);
    return lateShown && !earlyShown ? late : early;
}

namespace {
ClockFormat shownClock = nullptr;
}  // namespace

std::wstring formatClock(int minuteOfDay) {
    return shownClock ? shownClock(minuteOfDay) : formatStoredClock(minuteOfDay);
}

void setClockFormat(ClockFormat format) { shownClock = format; }

std::wstring formatStoredClock(int minuteOfDay) {
    wchar_t buffer[16];
    std::swprintf(buffer, 16, L"%02d:%02d", minuteOfDay / 60 % 24, minuteOfDay % 60);
    return buffer;
}

std::optional<int> parseClock(std::wstring_view text) {
    text = trimmed(text);
    const std::size_t colon = text.find(L':');
    if (colon != 1 && colon != 2) return std::nullopt;
    if (text.size() != colon + 3) return std::nullopt;
    const auto h = digitsAt(text, 0, colon), m = digitsAt(text, colon + 1, 2);
    if (!h || !m || *h > 23 || *m > 59) return std::nullopt;
    return *h * 60 + *m;
}

}  // namespace zt
