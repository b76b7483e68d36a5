#include "common/text.h"

namespace zt {

std::wstring addSlash(std::wstring_view path) {
    std::wstring result(path);
    if (result.empty() || result.back() != L'\\') result += L'\\';
    return result;
}

bool isAbsolutePath(std::wstring_view path) {
    if (path.size() < 3) return false;
    auto isSlash = [](wchar_t c) { return c == L'\\' || c == L'/'; };
    const wchar_t letter = path[0];
    const bool isLetter = (letter >= L'A' && letter <= L'Z') || (letter >= L'a' && letter <= L'z');
    if (isLetter && path[1] == L':' && isSlash(path[2])) return true;
    return isSlash(path[0]) && isSlash(path[1]) && !isSlash(path[2]);  // \\server\share
}

wchar_t foldCase(wchar_t c) {
    if (c >= L'A' && c <= L'Z') return static_cast<wchar_t>(c - L'A' + L'a');
    if (c >= 0xC0 && c <= 0xDE && c != 0xD7) return static_cast<wchar_t>(c + 0x20);
    return c;
}

bool equalsNoCase(std::wstring_view a, std::wstring_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (foldCase(a[i]) != foldCase(b[i])) return false;
    return true;
}

std::wstring faultText(std::string_view what) {
    std::wstring text;
    for (const char c : what) text += static_cast<unsigned char>(c) < 0x80 ? static_cast<wchar_t>(c) : L'?';
    return text;
}

}  // namespace zt
