#pragma once
// Text and number helpers shared by every part of the program. No window code here:
// this file builds with the host compiler too.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace zt {

// The folder with exactly one trailing backslash added when it has none; "" gives "\".
std::wstring addSlash(std::wstring_view path);

// The value of the longest leading decimal number in the text, or 0 when the text starts
// with none. The point is "." or the user's own decimal separator (say ","); blanks anywhere
// are skipped; an optional sign and exponent.
double lenientNumber(std::wstring_view text, wchar_t decimalSeparator = L'.');

// Round to the nearest whole number, halves to the even neighbour (2.5 -> 2, 3.5 -> 4).
double roundHalfEven(double value);

// roundHalfEven narrowed to a signed integer type; nothing when the result does not fit
// (or the value is not a number).
std::optional<std::int32_t> toInt32(double value);
std::optional<std::int16_t> toInt16(double value);

// UTF-8 <-> the platform's wide text (UTF-16 on Windows, UTF-32 elsewhere). Malformed
// input becomes U+FFFD rather than failing.
std::wstring utf8ToWide(std::string_view utf8);
std::string wideToUtf8(std::wstring_view wide);

// A full path that names its drive or server: C:\x or \\server\share\x. Relative paths,
// C:x (relative to that drive's current folder) and \x (the current drive's root) are not.
bool isAbsolutePath(std::wstring_view path);

// ASCII-only case-insensitive comparison, enough for file patterns and Boolean words.
bool equalsNoCase(std::wstring_view a, std::wstring_view b);

}  // namespace zt
