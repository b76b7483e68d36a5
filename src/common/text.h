#pragma once
// Text helpers shared by every part of the program (numbers: common/numbers.h). No window
// code here: this file builds with the host compiler too.
#include <functional>
#include <string>
#include <string_view>

namespace zt {

// The folder with exactly one trailing backslash added when it has none; "" gives "\".
std::wstring addSlash(std::wstring_view path);

// A full path that names its drive or server: C:\x or \\server\share\x. Relative paths,
// C:x (relative to that drive's current folder) and \x (the current drive's root) are not.
bool isAbsolutePath(std::wstring_view path);

// The lower-case form of a character for comparisons without regard to case: ASCII and
// the Latin-1 capitals, so that "É.WAV" still matches "*.wav" style patterns fairly.
wchar_t foldCase(wchar_t c);
// The two texts are equal without regard to case (foldCase).
bool equalsNoCase(std::wstring_view a, std::wstring_view b);

// The path in lines no wider than `width` (as `measure` gives a text's width), joined by
// CR LF: broken after a backslash, inside a name only where the name alone is wider than a
// line (between its words where it can). Every character is kept, in order.
std::wstring wrapPath(std::wstring_view path, int width, const std::function<int(std::wstring_view)>& measure);

// A fault's own words (std::exception::what) for the status line: ASCII as it is, any other
// byte as "?" (the program's own faults are in plain English).
std::wstring faultText(std::string_view what);

// A message the system wrote as a sentence ("The system cannot find the file specified.\r\n")
// made the part of one of ours that follows a colon: blanks and full stops trimmed from its
// end and its first letter lower-cased, unless the first word is an abbreviation ("COM",
// "WASAPI"). Blank text stays empty.
std::wstring asClause(std::wstring_view sentence);

}  // namespace zt
