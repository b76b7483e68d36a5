#pragma once
// The stored options of considerate timing: quiet hours, holding while the user is busy and
// the end of a "mute for a while". Each is a key of its own beside the six older settings
// (settingKey(name), value kSettingValue, text). Window-free.
#include <cstdint>
#include <optional>
#include <string_view>

#include "common/local_time.h"
#include "settings/string_store.h"

namespace zt {

inline constexpr std::wstring_view kQuietSetting = L"quiet";          // "True" / "False"
inline constexpr std::wstring_view kQuietFromSetting = L"quietfrom";  // "22:00"
inline constexpr std::wstring_view kQuietToSetting = L"quietto";      // "07:30"
// Seven characters, Monday first, "1" for a day the quiet hours apply to: "1111100".
inline constexpr std::wstring_view kQuietDaysSetting = L"quietdays";
inline constexpr std::wstring_view kHoldBusySetting = L"holdbusy";    // "True" / "False"
// "2026-03-29 02:30+01:00" (local time and its offset from UTC), "" when not muted for a
// while. The form stored before, "2026-12-07 14:30", is read as local time.
inline constexpr std::wstring_view kMuteUntilSetting = L"muteuntil";

// A daily range [from, to) in minutes of the day. One that wraps midnight belongs to the day
// it starts on: 22:00-07:30 with only Friday ticked is quiet from Friday 22:00 to Saturday
// 07:30. from == to is a whole day of 24 hours from that time.
struct QuietHours {
    bool on = false;
    int from = 22 * 60;
    int to = 7 * 60 + 30;
    std::uint8_t days = 0x7F;  // bit d for weekday d, 0 = Sunday (LocalTime::weekday)

    bool appliesOn(int weekday) const { return (days >> weekday & 1) != 0; }
    friend bool operator==(const QuietHours&, const QuietHours&) = default;
};

struct ConsiderateSettings {
    QuietHours quiet;
    bool holdBusy = true;  // on for a new user
    std::optional<StampedTime> muteUntil;

    friend bool operator==(const ConsiderateSettings&, const ConsiderateSettings&) = default;
};

// Missing or unreadable texts: the quiet hours are off (with the default range wherever
// their own text is unusable), holding stays on, no mute end.
ConsiderateSettings loadConsiderateSettings(StringStore& store);
// All of them, as the program writes its settings when it ends.
void saveConsiderateSettings(StringStore& store, const ConsiderateSettings& settings);
// Only the quiet hours' four keys.
void saveQuietHours(StringStore& store, const QuietHours& quiet);
// Only the mute end, written the moment it is set or cleared so that it survives a crash.
void saveMuteUntil(StringStore& store, const std::optional<StampedTime>& end);

// The day boxes as stored and back; nothing for a text that is not seven 0/1 characters.
std::wstring formatQuietDays(std::uint8_t days);
std::optional<std::uint8_t> parseQuietDays(std::wstring_view text);

}  // namespace zt
