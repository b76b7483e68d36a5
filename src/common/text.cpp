#include "common/text.h"

#include <cmath>
#include <cstdlib>
#include <limits>

namespace zt {

std::wstring addSlash(std::wstring_view path) {
    std::wstring result(path);
    if (result.empty() || result.back() != L'\\') result += L'\\';
    return result;
}

namespace {

bool isBlank(wchar_t c) { return c == L' ' || c == L'\t' || c == L'\r' || c == L'\n'; }
bool isDigit(wchar_t c) { return c >= L'0' && c <= L'9'; }

}  // namespace

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
    const double value = std::strtod(number.c_str(), nullptr);
    return std::isfinite(value) ? value : 0.0;
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

namespace {

template <typename Int>
std::optional<Int> toInt(double value) {
    if (!std::isfinite(value)) return std::nullopt;
    const double rounded = roundHalfEven(value);
    if (rounded < static_cast<double>(std::numeric_limits<Int>::min()) ||
        rounded > static_cast<double>(std::numeric_limits<Int>::max()))
        return std::nullopt;
    return static_cast<Int>(rounded);
}

constexpr char32_t kReplacement = 0xFFFD;

void appendCodePoint(std::wstring& out, char32_t cp) {
    if constexpr (sizeof(wchar_t) == 2) {
        if (cp >= 0x10000) {
            cp -= 0x10000;
            out += static_cast<wchar_t>(0xD800 + (cp >> 10));
            out += static_cast<wchar_t>(0xDC00 + (cp & 0x3FF));
            return;
        }
    }
    out += static_cast<wchar_t>(cp);
}

void appendUtf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

}  // namespace

std::optional<std::int32_t> toInt32(double value) { return toInt<std::int32_t>(value); }
std::optional<std::int16_t> toInt16(double value) { return toInt<std::int16_t>(value); }

std::wstring utf8ToWide(std::string_view utf8) {
    std::wstring out;
    out.reserve(utf8.size());
    std::size_t i = 0;
    while (i < utf8.size()) {
        const auto lead = static_cast<unsigned char>(utf8[i]);
        int extra = 0;
        char32_t cp = 0;
        char32_t minimum = 0;
        if (lead < 0x80) {
            cp = lead;
        } else if ((lead & 0xE0) == 0xC0) {
            extra = 1, cp = lead & 0x1F, minimum = 0x80;
        } else if ((lead & 0xF0) == 0xE0) {
            extra = 2, cp = lead & 0x0F, minimum = 0x800;
        } else if ((lead & 0xF8) == 0xF0) {
            extra = 3, cp = lead & 0x07, minimum = 0x10000;
        } else {
            appendCodePoint(out, kReplacement);
            ++i;
            continue;
        }
        std::size_t j = i + 1;
        bool ok = true;
        for (int k = 0; k < extra; ++k, ++j) {
            if (j >= utf8.size() || (static_cast<unsigned char>(utf8[j]) & 0xC0) != 0x80) {
                ok = false;
                break;
            }
            cp = (cp << 6) | (static_cast<unsigned char>(utf8[j]) & 0x3F);
        }
        if (!ok || cp < minimum || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
            appendCodePoint(out, kReplacement);
            i = j;  // one replacement for the whole broken sequence
            continue;
        }
        appendCodePoint(out, cp);
        i = j;
    }
    return out;
}

std::string wideToUtf8(std::wstring_view wide) {
    std::string out;
    out.reserve(wide.size());
    for (std::size_t i = 0; i < wide.size(); ++i) {
        auto cp = static_cast<char32_t>(wide[i]);
        if constexpr (sizeof(wchar_t) == 2) {
            if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < wide.size()) {
                const auto low = static_cast<char32_t>(wide[i + 1]);
                if (low >= 0xDC00 && low <= 0xDFFF) {
                    cp = 0x10000 + ((cp - 0xD800) << 10) + (low - 0xDC00);
                    ++i;
                }
            }
        }
        if ((cp >= 0xD800 && cp <= 0xDFFF) || cp > 0x10FFFF) cp = kReplacement;
        appendUtf8(out, cp);
    }
    return out;
}

bool isAbsolutePath(std::wstring_view path) {
    if (path.size() < 3) return false;
    auto isSlash = [](wchar_t c) { return c == L'\\' || c == L'/'; };
    const wchar_t letter = path[0];
    const bool isLetter = (letter >= L'A' && letter <= L'Z') || (letter >= L'a' && letter <= L'z');
    if (isLetter && path[1] == L':' && isSlash(path[2])) return true;
    return isSlash(path[0]) && isSlash(path[1]) && !isSlash(path[2]);  // \\server\share
}

bool equalsNoCase(std::wstring_view a, std::wstring_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        auto lower = [](wchar_t c) { return (c >= L'A' && c <= L'Z') ? c - L'A' + L'a' : c; };
        if (lower(a[i]) != lower(b[i])) return false;
    }
    return true;
}

}  // namespace zt
