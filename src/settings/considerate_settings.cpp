#include "settings/considerate_settings.h"

#include <string>

#include "common/text.h"
#include "settings/settings.h"

namespace zt {

namespace {

std::optional<bool> readBoolean(StringStore& store, std::wstring_view name) {
    return parseBoolean(readSetting(store, name));
}

// Stored Monday first, as a week is read; held Sunday first, as SYSTEMTIME counts.
int weekdayOfStoredIndex(std::size_t index) { return static_cast<int>((index + 1) % 7); }

}  // namespace

std::wstring formatQuietDays(std::uint8_t days) {
    std::wstring text;
    for (std::size_t i = 0; i < 7; ++i) text += (days >> weekdayOfStoredIndex(i) & 1) ? L'1' : L'0';
    return text;
}

std::optional<std::uint8_t> parseQuietDays(std::wstring_view text) {
    if (text.size() != 7) return std::nullopt;
    std::uint8_t days = 0;
    for (std::size_t i = 0; i < 7; ++i) {
        if (text[i] == L'1')
            days = static_cast<std::uint8_t>(days | 1u << weekdayOfStoredIndex(i));
        else if (text[i] != L'0')
            return std::nullopt;
    }
    return days;
}

ConsiderateSettings loadConsiderateSettings(StringStore& store) {
    ConsiderateSettings s;
    const auto from = parseClock(readSetting(store, kQuietFromSetting));
    const auto to = parseClock(readSetting(store, kQuietToSetting));
    const auto days = parseQuietDays(readSetting(store, kQuietDaysSetting));
    if (from) s.quiet.from = *from;
    if (to) s.quiet.to = *to;
    if (days) s.quiet.days = *days;
    // Any part unusable turns them off rather than silencing at a time nobody chose.
    s.quiet.on = readBoolean(store, kQuietSetting).value_or(false) && from && to && days;
    s.holdBusy = readBoolean(store, kHoldBusySetting).value_or(true);
    s.muteUntil = parseStampedTime(readSetting(store, kMuteUntilSetting));
    return s;
}

void saveConsiderateSettings(StringStore& store, const ConsiderateSettings& s) {
    saveQuietHours(store, s.quiet);
    writeSetting(store, kHoldBusySetting, booleanText(s.holdBusy));
    saveMuteUntil(store, s.muteUntil);
}

void saveQuietHours(StringStore& store, const QuietHours& quiet) {
    writeSetting(store, kQuietSetting, booleanText(quiet.on));
    writeSetting(store, kQuietFromSetting, formatStoredClock(quiet.from));
    writeSetting(store, kQuietToSetting, formatStoredClock(quiet.to));
    writeSetting(store, kQuietDaysSetting, formatQuietDays(quiet.days));
}

void saveMuteUntil(StringStore& store, const std::optional<StampedTime>& end) {
    writeSetting(store, kMuteUntilSetting, end ? formatStamp(*end) : std::wstring());
}

}  // namespace zt
