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

std::wstring wrapPath(std::wstring_view path, int width, const std::function<int(std::wstring_view)>& measure) {
    std::wstring wrapped;
    std::size_t start = 0;  // of the line being filled
    const auto endLine = [&](std::size_t end) {
        if (!wrapped.empty()) wrapped += L"\r\n";
        wrapped += path.substr(start, end - start);
        start = end;
    };
    const auto fits = [&](std::size_t end) { return measure(path.substr(start, end - start)) <= width; };
    // A folder's or the file's name at a time, each with the backslash after it.
    for (std::size_t name = 0; name < path.size();) {
        std::size_t end = path.find(L'\\', name);
        end = end == std::wstring_view::npos ? path.size() : end + 1;
        if (start < name && !fits(end)) endLine(name);
        // A name wider than a line: broken after its last word that fits, else after as many
        // characters as fit (one at the least).
        while (end - start > 1 && !fits(end)) {
            std::size_t cut = start + 1;
            while (cut + 1 < end && fits(cut + 1)) ++cut;
            const std::size_t space = path.substr(start, cut - start).find_last_of(L' ');
            if (space != std::wstring_view::npos && space + 1 < cut) cut = start + space + 1;
            endLine(cut);
        }
        name = end;
    }
    if (start < path.size() || wrapped.empty()) endLine(path.size());
    return wrapped;
}

std::wstring asClause(std::wstring_view sentence) {
    const auto isTrailing = [](wchar_t c) { return c == L'.' || c == L' ' || c == L'\t' || c == L'\r' || c == L'\n'; };
    while (!sentence.empty() && isTrailing(sentence.back())) sentence.remove_suffix(1);
    while (!sentence.empty() && (sentence.front() == L' ' || sentence.front() == L'\t')) sentence.remove_prefix(1);
    std::wstring clause(sentence);
    const auto isCapital = [](wchar_t c) { return foldCase(c) != c; };
    if (!clause.empty() && isCapital(clause[0]) && !(clause.size() > 1 && isCapital(clause[1])))
        clause[0] = foldCase(clause[0]);
    return clause;
}

}  // namespace zt
