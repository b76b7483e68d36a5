#include "core/delay_tip.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>

#ifdef _WIN32
#include "common/winutil.h"
#endif

namespace zt {
namespace {

// Numbers written as the platform writes them, with the locale's decimal separator.
std::function<std::wstring(double)> formatWith(wchar_t separator) {
    return [separator](double value) {
        wchar_t buffer[32];
        std::swprintf(buffer, 32, L"%.15g", value);
        std::wstring text = buffer;
        std::replace(text.begin(), text.end(), L'.', separator);
        return text;
    };
}

TEST(DelayTip, SaysWhatIsCountedWhenTheTextDoesNotShowIt) {
    struct Case {
        wchar_t separator;
        const wchar_t* typed;
        double counted;  // the strict reading, the floor or the last usable delay
        const wchar_t* tip;  // nullptr: none
    } const cases[] = {
        // Plain numbers counted as written.
        {L'.', L"15", 15, nullptr},
        {L'.', L"2.5", 2.5, nullptr},
        {L'.', L"0.1", 0.1, nullptr},
        {L'.', L".5", 0.5, nullptr},
        {L'.', L"3.", 3, nullptr},
        {L'.', L"+4", 4, nullptr},
        {L',', L"2,5", 2.5, nullptr},
        {L',', L"0,1", 0.1, nullptr},
        // Blanks around a number are nothing; blanks inside make it another number.
        {L'.', L"  15 ", 15, nullptr},
        {L'.', L"\t7", 7, nullptr},
        {L'.', L"1 5", 10, L"Counting 10 minutes"},
        // A comma that groups thousands; a point that does where the comma is decimal.
        {L'.', L"1,5", 15, L"Counting 15 minutes"},
        {L'.', L"1,500", 1500, L"Counting 1500 minutes"},
        {L',', L"1.5", 15, L"Counting 15 minutes"},
        // Letters and other forms: the floor, the last usable delay, or another reading.
        {L'.', L"abc", 0.1, L"Counting 0.1 minutes"},
        {L',', L"abc", 0.1, L"Counting 0,1 minutes"},
        {L'.', L"2abc", 1, L"Counting 1 minute"},
        {L'.', L"1e1", 10, L"Counting 10 minutes"},
        {L'.', L"-5", 0.1, L"Counting 0.1 minutes"},
        {L'.', L"0.05", 0.1, L"Counting 0.1 minutes"},
        {L'.', L"1e12", 2, L"Counting 2 minutes"},
        {L'.', L"1..5", 2, L"Counting 2 minutes"},
        {L'.', L"1,,5", 15, L"Counting 15 minutes"},
        {L'.', L"&H10", 16, L"Counting 16 minutes"},
        {L'.', L"(5)", 2, L"Counting 2 minutes"},
        // Nothing typed: what the box now counts.
        {L'.', L"", 0.1, L"Counting 0.1 minutes"},
        {L'.', L"   ", 0.1, L"Counting 0.1 minutes"},
        {L'.', L".", 0.1, L"Counting 0.1 minutes"},
    };
    for (const auto& c : cases) {
        const auto tip = delayTipText(c.typed, c.counted, formatWith(c.separator));
        if (c.tip)
            EXPECT_EQ(tip, std::wstring(c.tip)) << "typed \"" << c.typed << "\" with " << char(c.separator);
        else
            EXPECT_EQ(tip, std::nullopt) << "typed \"" << c.typed << "\" with " << char(c.separator);
    }
}

// Writing a number is what would load the platform's number library; an ordinary delay is
// judged without it.
TEST(DelayTip, AnOrdinaryDelayIsJudgedWithoutWritingANumber) {
    int writes = 0;
    const auto counted = [&](double value) {
        ++writes;
        return formatWith(L'.')(value);
    };
    EXPECT_EQ(delayTipText(L"10", 10, counted), std::nullopt);
    EXPECT_EQ(delayTipText(L" 600 ", 600, counted), std::nullopt);
    EXPECT_EQ(writes, 0);
    EXPECT_EQ(delayTipText(L"2.5", 2.5, counted), std::nullopt);  // the separator is asked for
    EXPECT_GT(writes, 0);
}

#ifdef _WIN32
// The platform's own reading and writing, as the scheduler uses them, in the user's locale.
TEST(DelayTip, FollowsThePlatformsReadingOfTheText) {
    wchar_t thousands[8] = {}, decimal[8] = {};
    GetLocaleInfoEx(LOCALE_NAME_USER_DEFAULT, LOCALE_STHOUSAND, thousands, 8);
    GetLocaleInfoEx(LOCALE_NAME_USER_DEFAULT, LOCALE_SDECIMAL, decimal, 8);
    auto tipFor = [](const std::wstring& typed) {
        return delayTipText(typed, strictNumber(typed).value_or(0.1), [](double v) { return formatNumber(v); });
    };
    EXPECT_EQ(tipFor(L"1" + std::wstring(thousands) + L"5"), L"Counting 15 minutes");
    EXPECT_EQ(tipFor(L"2" + std::wstring(decimal) + L"5"), std::nullopt);
    EXPECT_EQ(tipFor(L" 15 "), std::nullopt);
    EXPECT_EQ(tipFor(L"abc"), L"Counting 0" + std::wstring(decimal) + L"1 minutes");
}
#endif

}  // namespace
}  // namespace zt
