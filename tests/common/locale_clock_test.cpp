// Times as the user's locale writes them, hours and minutes. CMake runs this program under
// a 12-hour and a 24-hour locale (LANG, which Wine takes the user's locale from). Wine keeps
// the user's formats in the prefix's registry, which a program starting at the same time
// under another LANG may have just rewritten: the expectations follow the short time format
// the system gives this program, whichever of the two it is.
#include <gtest/gtest.h>

#include <string>

#include "common/local_time.h"
#include "common/winutil.h"
#include "utf8.h"

namespace zt {
namespace {

TEST(LocaleClock, WritesHoursAndMinutesAsTheLocaleDoes) {
    const struct {
        const wchar_t* pickerFormat;
        const wchar_t* morning;   // 07:30
        const wchar_t* evening;   // 22:30
        const wchar_t* midnight;  // 00:05
    } cases[] = {
        {L"h:mm tt", L"7:30 AM", L"10:30 PM", L"12:05 AM"},  // en-US
        {L"HH:mm", L"07:30", L"22:30", L"00:05"},            // de-DE
    };
    for (const auto& c : cases) {
        if (localeShortTimeFormat() != c.pickerFormat) continue;
        EXPECT_EQ(localeClock(450), c.morning);
        EXPECT_EQ(localeClock(1350), c.evening);
        EXPECT_EQ(localeClock(5), c.midnight);
        // What the program shows once it has set the locale's format; stored as ever.
        setClockFormat(localeClock);
        EXPECT_EQ(formatClock(1350), c.evening);
        EXPECT_EQ(formatStoredClock(1350), L"22:30");
        setClockFormat(nullptr);
        return;
    }
    FAIL() << "no expectations for the short time format " << test::wideToUtf8(localeShortTimeFormat());
}

}  // namespace
}  // namespace zt
