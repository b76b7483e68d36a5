#include "common/numbers.h"

#include <cmath>
#include <cstdlib>
#include <limits>
#include <string>

namespace zt {

namespace {

// strtod on gathered ASCII characters; nothing when the result is not finite.
std::optional<double> finite(const std::string& number) {
    const double value = std::strtod(number.c_str(), nullptr);
    if (!std::isfinite(value)) return std::nullopt;
    return value;
}

template <typename Int>
std::optional<Int> toInt(double value) {
    if (!std::isfinite(value)) return std::nullopt;
    const double rounded = roundHalfEven(value);
    if (rounded < static_cast<double>(std::numeric_limits<Int>::min()) ||
        rounded > static_cast<double>(std::numeric_limits<Int>::max()))
        return std::nullopt;
    return static_cast<Int>(rounded);
}

}  // namespace

bool isBlank(wchar_t c) { return c == L' ' || c == L'\t' || c == L'\r' || c == L'\n'; }

bool isDigit(wchar_t c) { return c >= L'0' && c <= L'9'; }

double lenientNumber(std::wstring_view text, wchar_t decimalSeparator) {
    // Gather the characters of the number with the blanks dropped, then let strtod read
    // the longest valid prefix of that (it stops at a dangling "e" or a second point).
    std::string number;
    bool seenDigit = false, seenPoint = false, seenExp = false;
    for (wchar_t c : text) {
        if (isBlank(c)) continue;
        const char last = number.empty() ? '\0' : number.back();
        if ((c == L'+' || c == L'-') && (number.empty() || last == 'e')) {
            number += static_cast<char>(c);
        } else if (isDigit(c)) {
            number += static_cast<char>(c);
            seenDigit = true;
        } else if ((c == L'.' || c == decimalSeparator) && !seenPoint && !seenExp) {
            number += '.';
            seenPoint = true;
        } else if ((c == L'e' || c == L'E') && seenDigit && !seenExp) {
            number += 'e';
            seenExp = true;
        } else {
            break;
        }
    }
    if (!seenDigit) return 0.0;
    return finite(number).value_or(0.0);
}

std::optional<double> plainNumber(std::wstring_view text) {
    while (!text.empty() && isBlank(text.front())) text.remove_prefix(1);
    while (!text.empty() && isBlank(text.back())) text.remove_suffix(1);
    std::string number;
    std::size_t i = 0;
    auto digits = [&] {
        const std::size_t start = i;
        while (i < text.size() && isDigit(text[i])) number += static_cast<char>(text[i++]);
        return i - start;
    };
    if (i < text.size() && (text[i] == L'+' || text[i] == L'-')) number += static_cast<char>(text[i++]);
    std::size_t mantissa = digits();
    if (i < text.size() && text[i] == L'.') {
        number += static_cast<char>(text[i++]);
        mantissa += digits();
    }
    if (mantissa == 0) return std::nullopt;
    if (i < text.size() && (text[i] == L'e' || text[i] == L'E')) {
        number += static_cast<char>(text[i++]);
        if (i < text.size() && (text[i] == L'+' || text[i] == L'-')) number += static_cast<char>(text[i++]);
        if (digits() == 0) return std::nullopt;
    }
    if (i != text.size()) return std::nullopt;
    return finite(number);
}

double roundHalfEven(double value) {
    // nearbyint follows the current rounding mode, which is round-to-nearest-even unless
    // someone changed it; compute it explicitly so that nothing can.
    const double floorValue = std::floor(value);
    const double diff = value - floorValue;
    if (diff < 0.5) return floorValue;
    if (diff > 0.5) return floorValue + 1.0;
    return std::fmod(floorValue, 2.0) == 0.0 ? floorValue : floorValue + 1.0;
}

std::optional<std::int32_t> toInt32(double value) { return toInt<std::int32_t>(value); }
std::optional<std::int16_t> toInt16(double value) { return toInt<std::int16_t>(value); }

}  // namespace zt
