#pragma once
// What the delay box's tip says about how its text was read. No window code here.
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace zt {

// "Counting 15 minutes" when the minutes counted are not what the text plainly says: digit
// grouping read where none was meant ("1,5" counted as 15 where "," groups thousands),
// letters, an exponent, blanks inside, a sign, or a text replaced by the floor or the last
// usable delay. Nothing for a plain number in the user's format ("15", " 2.5 ", "0,5" where
// "," is the decimal separator) that is counted as written.
//   typed: the text as the user left it; counted: the minutes the countdown uses for it;
//   formatNumber: writes a number in the user's format (its decimal separator).
std::optional<std::wstring> delayTipText(std::wstring_view typed, double counted,
                                         const std::function<std::wstring(double)>& formatNumber);

}  // namespace zt
