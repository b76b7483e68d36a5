#include "core/delay_tip.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "common/numbers.h"

namespace zt {

namespace {

// The user's decimal separator, as the number format writes a half.
std::wstring decimalSeparator(const std::function<std::wstring(double)>& formatNumber) {
    const std::wstring half = formatNumber(0.5);
    const auto first = half.find_first_not_of(L'0');
    const auto last = half.find_last_of(L'5');
    if (first == std::wstring::npos || last == std::wstring::npos || last <= first) return L".";
    return half.substr(first, last - first);
}

// The value of a plain number: blanks around, an optional sign, digits with at most one
// decimal separator. Nothing for any other text.
std::optional<double> plainNumber(std::wstring_view text, std::wstring_view separator) {
    const auto begin = text.find_first_not_of(L" \t");
    if (begin == std::wstring_view::npos) return std::nullopt;
    text = text.substr(begin, text.find_last_not_of(L" \t") - begin + 1);
    std::string number;
    if (text.front() == L'+' || text.front() == L'-') {
        number += static_cast<char>(text.front());
        text.remove_prefix(1);
    }
    bool digits = false, point = false;
    while (!text.empty()) {
        if (isDigit(text.front())) {
            number += static_cast<char>(text.front());
            digits = true;
            text.remove_prefix(1);
        } else if (!point && !separator.empty() && text.substr(0, separator.size()) == separator) {
            number += '.';
            point = true;
            text.remove_prefix(separator.size());
        } else {
            return std::nullopt;
        }
    }
    if (!digits) return std::nullopt;
    return std::strtod(number.c_str(), nullptr);
}

}  // namespace

std::optional<std::wstring> delayTipText(std::wstring_view typed, double counted,
                                         const std::function<std::wstring(double)>& formatNumber) {
    // Only a text with more than digits in it needs the separator, which costs writing a
    // number: an ordinary delay ("10") is judged without.
    const bool digitsOnly = std::all_of(typed.begin(), typed.end(), [](wchar_t c) {
        return isDigit(c) || c == L' ' || c == L'\t' || c == L'+' || c == L'-';
    });
    const std::wstring separator = digitsOnly ? std::wstring() : decimalSeparator(formatNumber);
    const auto plain = plainNumber(typed, separator);
    // The platform's reading need not round the last digit as strtod does.
    if (plain && std::fabs(*plain - counted) <= 1e-12 * std::max(1.0, std::fabs(counted))) return std::nullopt;
    return L"Counting " + formatNumber(counted) + (counted == 1.0 ? L" minute" : L" minutes");
}

}  // namespace zt
