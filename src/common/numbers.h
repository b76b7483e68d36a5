#pragma once
// Every way the program reads and writes numbers. No window code here: this file builds
// with the host compiler too.
//
// Three readings, each for its own kind of text:
// - lenientNumber: what the user is typing into the delay box, read as far as it goes
//   ("3 minutes" is 3, "abc" is 0). Only for deciding whether a half-typed delay is usable.
// - plainNumber: texts the program wrote itself (the stored settings): the whole text as a
//   decimal number with "." as the point, the same in every locale, or nothing.
// - NumberFormat::read: a finished delay as the user wrote it, in the user's own number
//   format ("0,5" where the comma is the decimal separator), or nothing.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace zt {

// The blanks every reading skips: space, tab, carriage return, line feed.
bool isBlank(wchar_t c);
// A decimal digit, 0-9 (no other script's digits).
bool isDigit(wchar_t c);

// The value of the longest leading decimal number in the text, or 0 when the text starts
// with none. The point is "." or the user's own decimal separator (say ","); blanks anywhere
// are skipped; an optional sign and exponent.
double lenientNumber(std::wstring_view text, wchar_t decimalSeparator = L'.');

// The whole text (blanks around it allowed) as a plain decimal number: optional sign,
// digits with an optional "." point, optional exponent. Nothing for anything else, "inf",
// "nan" and hexadecimal included.
std::optional<double> plainNumber(std::wstring_view text);

// Round to the nearest whole number, halves to the even neighbour (2.5 -> 2, 3.5 -> 4).
double roundHalfEven(double value);

// roundHalfEven narrowed to a signed integer type; nothing when the result does not fit
// (or the value is not a number).
std::optional<std::int32_t> toInt32(double value);
std::optional<std::int16_t> toInt16(double value);

// Numbers in the user's format: the platform's locale on Windows (winutil.h), a fixed
// format in tests.
class NumberFormat {
public:
    virtual ~NumberFormat() = default;
    // The whole text as a number; nothing when it is not one.
    virtual std::optional<double> read(const std::wstring& text) const = 0;
    // The number written with the user's decimal separator.
    virtual std::wstring write(double value) const = 0;
    // The user's decimal separator, which the lenient reading takes besides the point.
    virtual wchar_t decimalSeparator() const = 0;
};

}  // namespace zt
