#include "settings/considerate_settings.h"

#include "fakes.h"

#include <gtest/gtest.h>

#include <string>

namespace zt {
namespace {

using test::FakeStore;

TEST(ConsiderateSettings, NewUserHoldsWhileBusyAndHasNoQuietHours) {
    FakeStore store;
    const ConsiderateSettings s = loadConsiderateSettings(store);
    EXPECT_EQ(s, ConsiderateSettings{});
    EXPECT_TRUE(s.holdBusy);
    EXPECT_FALSE(s.quiet.on);
    EXPECT_EQ(s.muteUntil, std::nullopt);
}

TEST(ConsiderateSettings, RoundTripInTheSettingsLayout) {
    FakeStore store;
    ConsiderateSettings s;
    s.quiet = {true, 21 * 60 + 15, 6 * 60 + 5, 0x3E};  // Monday to Friday
    s.holdBusy = false;
    LocalTime end;
    end.year = 2026;
    end.month = 12;
    end.day = 8;
    end.hour = 7;
    end.minute = 30;
    end.weekday = 2;
    s.muteUntil = StampedTime{end, 60};
    saveConsiderateSettings(store, s);

    const auto stored = [&](const wchar_t* name) {
        return store.get(L"Software\\Zirrotone\\" + std::wstring(name), L"String");
    };
    EXPECT_EQ(stored(L"quiet"), L"True");
    EXPECT_EQ(stored(L"quietfrom"), L"21:15");
    EXPECT_EQ(stored(L"quietto"), L"06:05");
    EXPECT_EQ(stored(L"quietdays"), L"1111100");
    EXPECT_EQ(stored(L"holdbusy"), L"False");
    EXPECT_EQ(stored(L"muteuntil"), L"2026-12-08 07:30+01:00");
    EXPECT_EQ(loadConsiderateSettings(store), s);

    saveMuteUntil(store, std::nullopt);
    EXPECT_EQ(stored(L"muteuntil"), L"");
    EXPECT_EQ(loadConsiderateSettings(store).muteUntil, std::nullopt);
}

TEST(ConsiderateSettings, DaysAreStoredMondayFirst) {
    struct Case { const wchar_t* text; std::optional<std::uint8_t> days; };
    const Case cases[] = {
        {L"1000000", 1 << 1}, {L"0000001", 1 << 0}, {L"0000011", 0x41}, {L"1111111", 0x7F},
        {L"0000000", 0}, {L"111111", std::nullopt}, {L"11111111", std::nullopt},
        {L"1111112", std::nullopt}, {L"", std::nullopt}, {L"Mon Tue", std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(parseQuietDays(c.text), c.days);
        if (c.days) {
            EXPECT_EQ(formatQuietDays(*c.days), c.text);
        }
    }
}

TEST(ConsiderateSettings, GarbageTurnsQuietHoursOffAndLeavesTheRest) {
    struct Case {
        const char* name;
        const wchar_t *quiet, *from, *to, *days, *hold, *until;
        bool quietOn;
        bool holdBusy;
        bool muteUntil;
    };
    const Case cases[] = {
        {"all good", L"true", L"22:00", L"7:30", L"1111111", L"FALSE", L"2026-12-08 07:30+00:00", true, false, true},
        {"end as stored before", L"False", L"", L"", L"", L"", L"2026-12-08 07:30", false, true, true},
        {"from garbage", L"True", L"25:00", L"07:30", L"1111111", L"True", L"", false, true, false},
        {"to missing", L"True", L"22:00", L"", L"1111111", L"True", L"", false, true, false},
        {"days garbage", L"True", L"22:00", L"07:30", L"1111x11", L"True", L"", false, true, false},
        {"switch garbage", L"yes", L"22:00", L"07:30", L"1111111", L"True", L"", false, true, false},
        {"hold garbage is as missing", L"False", L"", L"", L"", L"maybe", L"", false, true, false},
        {"end garbage", L"False", L"", L"", L"", L"", L"2026-02-30 07:30", false, true, false},
        {"end with seconds", L"False", L"", L"", L"", L"", L"2026-12-08 07:30:00", false, true, false},
        {"offset out of range", L"False", L"", L"", L"", L"", L"2026-12-08 07:30+14:30", false, true, false},
        {"offset without a sign", L"False", L"", L"", L"", L"", L"2026-12-08 07:30 01:00", false, true, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        FakeStore store;
        store.setSetting(kQuietSetting, c.quiet);
        store.setSetting(kQuietFromSetting, c.from);
        store.setSetting(kQuietToSetting, c.to);
        store.setSetting(kQuietDaysSetting, c.days);
        store.setSetting(kHoldBusySetting, c.hold);
        store.setSetting(kMuteUntilSetting, c.until);
        const ConsiderateSettings s = loadConsiderateSettings(store);
        EXPECT_EQ(s.quiet.on, c.quietOn);
        EXPECT_EQ(s.holdBusy, c.holdBusy);
        EXPECT_EQ(s.muteUntil.has_value(), c.muteUntil);
        // The dialog still opens on a usable range.
        EXPECT_TRUE(s.quiet.from >= 0 && s.quiet.from < 1440 && s.quiet.to >= 0 && s.quiet.to < 1440);
    }
}

}  // namespace
}  // namespace zt
