#include "common/text.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "common/numbers.h"
#include "utf8.h"

namespace zt {
namespace {

TEST(AddSlash, AddsExactlyOneBackslash) {
    EXPECT_EQ(addSlash(L"C:\\Sounds"), L"C:\\Sounds\\");
    EXPECT_EQ(addSlash(L"C:\\"), L"C:\\");
    EXPECT_EQ(addSlash(L""), L"\\");
    EXPECT_EQ(addSlash(L"a/"), L"a/\\");  // only a backslash counts
}

TEST(LenientNumber, ReadsTheLongestLeadingNumber) {
    struct Case {
        const wchar_t* text;
        double value;
    } const cases[] = {
        {L"1", 1},          {L"2.5", 2.5},       {L" 0.1 ", 0.1},      {L"1 2", 12},
        {L"3 minutes", 3},  {L"1.5.6", 1.5},     {L"-2", -2},          {L" - 3", -3},
        {L"+4", 4},         {L".5", 0.5},        {L"5.", 5},           {L"1e2", 100},
        {L"1e", 1},         {L"1e+", 1},         {L"2E-1x", 0.2},      {L"abc", 0},
        {L"", 0},           {L"-", 0},           {L".", 0},            {L"1,5", 1},
        {L"12-3", 12},      {L"\t7\n", 7},       {L"0x10", 0},         {L"1e999", 0},
    };
    for (const auto& c : cases) EXPECT_DOUBLE_EQ(lenientNumber(c.text), c.value) << c.text;
}

TEST(LenientNumber, TakesTheUsersDecimalSeparatorAsWellAsThePoint) {
    struct Case {
        const wchar_t* text;
        double value;
    } const cases[] = {
        {L"0,2", 0.2}, {L"0.2", 0.2}, {L"1,5,6", 1.5}, {L"1,5.6", 1.5}, {L",5", 0.5}, {L"2,5e1", 25},
    };
    for (const auto& c : cases) EXPECT_DOUBLE_EQ(lenientNumber(c.text, L','), c.value) << c.text;
}

TEST(IsAbsolutePath, OnlyPathsThatNameTheirDriveOrServer) {
    struct Case {
        const wchar_t* path;
        bool absolute;
    } const cases[] = {
        {L"C:\\Windows\\msinfo32.exe", true}, {L"c:/tools/x.exe", true},  {L"\\\\server\\share\\x.exe", true},
        {L"msinfo32.exe", false},            {L"tools\\x.exe", false},   {L"\\MSINFO32.EXE", false},
        {L"C:x.exe", false},                 {L"", false},               {L"\\\\\\x", false},
        {L"..\\x.exe", false},
    };
    for (const auto& c : cases) EXPECT_EQ(isAbsolutePath(c.path), c.absolute) << c.path;
}

TEST(RoundHalfEven, RoundsHalvesToEven) {
    struct Case {
        double in, out;
    } const cases[] = {{0.5, 0},  {1.5, 2},   {2.5, 2},   {3.5, 4},  {-0.5, 0}, {-1.5, -2},
                       {-2.5, -2}, {2.4999, 2}, {2.5001, 3}, {4.5, 4}, {7, 7},    {-7.2, -7}};
    for (const auto& c : cases) EXPECT_EQ(roundHalfEven(c.in), c.out) << c.in;
}

TEST(RoundHalfEven, NarrowsOnlyWhatFits) {
    EXPECT_EQ(toInt16(32767.4), 32767);
    EXPECT_EQ(toInt16(-32768.5), -32768);  // -32768.5 rounds to the even -32768
    EXPECT_FALSE(toInt16(32767.5));        // rounds to 32768
    EXPECT_FALSE(toInt16(-32769));
    EXPECT_EQ(toInt32(2147483647.0), 2147483647);
    EXPECT_FALSE(toInt32(2147483647.5));
    EXPECT_FALSE(toInt32(std::nan("")));
    EXPECT_FALSE(toInt32(std::numeric_limits<double>::infinity()));
}

TEST(Utf, RoundTripsEveryPlane) {
    const std::string utf8 = "bell \xC3\xA9t\xC3\xA9 \xE6\x97\xA5\xE6\x9C\xAC \xF0\x9F\x94\x94";
    const std::wstring wide = test::utf8ToWide(utf8);
    EXPECT_EQ(test::wideToUtf8(wide), utf8);
    EXPECT_EQ(wide.size(), sizeof(wchar_t) == 2 ? 14u : 13u);  // the bell is a surrogate pair in UTF-16
}

TEST(Utf, MalformedInputBecomesReplacementCharacters) {
    EXPECT_EQ(test::utf8ToWide("a\xFF" "b"), L"a\xFFFD" L"b");
    EXPECT_EQ(test::utf8ToWide("\xE6\x97"), L"\xFFFD");          // cut short
    EXPECT_EQ(test::utf8ToWide("\xC0\x80"), L"\xFFFD");          // overlong NUL
    EXPECT_EQ(test::utf8ToWide("\xED\xA0\x80"), L"\xFFFD");      // encoded surrogate
    EXPECT_EQ(test::wideToUtf8(std::wstring(1, static_cast<wchar_t>(0xD800))), "\xEF\xBF\xBD");
}

TEST(AsClause, MakesTheSystemsSentenceThePartAfterAColon) {
    struct Case {
        const wchar_t* sentence;
        const wchar_t* clause;
    } const cases[] = {
        {L"The system cannot find the file specified.\r\n", L"the system cannot find the file specified"},
        {L"Unspecified error\r\n", L"unspecified error"},
        {L"  Access is denied. ", L"access is denied"},
        {L"COM could not be started.", L"COM could not be started"},  // an abbreviation keeps its capitals
        {L"\xC9" L"chec.", L"\xE9" L"chec"},
        {L"A", L"a"},
        {L"...\r\n", L""},
        {L"", L""},
    };
    for (const auto& c : cases) EXPECT_EQ(asClause(c.sentence), c.clause) << test::wideToUtf8(c.sentence);
}

TEST(WrapPath, BreaksBetweenFoldersWithinTheWidthAndKeepsEveryCharacter) {
    // One unit of width a character, so that the widths read off the texts.
    const auto measure = [](std::wstring_view text) { return static_cast<int>(text.size()); };
    struct Case {
        const wchar_t* path;
        int width;
        const wchar_t* wrapped;
    } const cases[] = {
        {L"C:\\Sounds\\bell.wav", 40, L"C:\\Sounds\\bell.wav"},
        {L"C:\\Sounds\\bell.wav", 10, L"C:\\Sounds\\\r\nbell.wav"},
        {L"C:\\Users\\Someone\\Music\\bell.wav", 16, L"C:\\Users\\\r\nSomeone\\Music\\\r\nbell.wav"},
        // Between folders rather than words; between words where a name needs more than a line.
        {L"C:\\My Sounds\\a bell.wav", 14, L"C:\\My Sounds\\\r\na bell.wav"},
        {L"C:\\My Sounds\\a bell.wav", 12, L"C:\\\r\nMy Sounds\\\r\na bell.wav"},
        {L"C:\\a bell rung slowly.wav", 12, L"C:\\\r\na bell rung \r\nslowly.wav"},
        {L"C:\\averyveryverylongname.wav", 10, L"C:\\\r\naveryveryv\r\nerylongnam\r\ne.wav"},
        {L"C:\\", 1, L"C\r\n:\r\n\\"},  // a line never goes empty
        {L"", 10, L""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(test::wideToUtf8(c.path));
        const std::wstring wrapped = wrapPath(c.path, c.width, measure);
        EXPECT_EQ(wrapped, c.wrapped);
        std::wstring joined;
        std::size_t from = 0;
        for (std::size_t end; (end = wrapped.find(L"\r\n", from)) != std::wstring::npos; from = end + 2) {
            EXPECT_LE(static_cast<int>(end - from), c.width);
            joined += wrapped.substr(from, end - from);
        }
        EXPECT_EQ(joined + wrapped.substr(from), c.path);
    }
}

TEST(EqualsNoCase, FoldsAsciiAndLatin1Capitals) {
    EXPECT_TRUE(equalsNoCase(L"TRUE", L"true"));
    EXPECT_TRUE(equalsNoCase(L"Bell.WAV", L"bell.wav"));
    EXPECT_FALSE(equalsNoCase(L"true", L"tru"));
    EXPECT_TRUE(equalsNoCase(L"\xC9", L"\xE9"));  // Latin-1 folds too, as in the file patterns
    EXPECT_FALSE(equalsNoCase(L"\xD7", L"\xF7"));  // the multiplication and division signs are no pair
}

}  // namespace
}  // namespace zt
