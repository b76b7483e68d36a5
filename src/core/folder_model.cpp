#include "core/folder_model.h"

#include <algorithm>

#include "common/text.h"

namespace zt {

namespace {

// Wildcard match with backtracking over the last "*" (linear in practice).
bool matchOne(std::wstring_view name, std::wstring_view pattern) {
    std::size_t n = 0, p = 0, starP = std::wstring_view::npos, starN = 0;
    while (n < name.size()) {
        if (p < pattern.size() && (pattern[p] == L'?' || foldCase(pattern[p]) == foldCase(name[n]))) {
            ++n, ++p;
        } else if (p < pattern.size() && pattern[p] == L'*') {
            starP = p++;
            starN = n;
        } else if (starP != std::wstring_view::npos) {
            p = starP + 1;
            n = ++starN;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == L'*') ++p;
    return p == pattern.size();
}

}  // namespace

bool matchesPattern(std::wstring_view name, std::wstring_view patterns) {
    while (true) {
        const auto semicolon = patterns.find(L';');
        const auto one = patterns.substr(0, semicolon);
        if (!one.empty() && matchOne(name, one)) return true;
        if (semicolon == std::wstring_view::npos) return false;
        patterns.remove_prefix(semicolon + 1);
    }
}

// Folded code unit by code unit: the lists sort tens of thousands of names, and a folded
// copy of both names at each comparison would cost more than the comparison.
bool nameBefore(std::wstring_view a, std::wstring_view b) {
    const std::size_t common = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < common; ++i) {
        const wchar_t fa = foldCase(a[i]), fb = foldCase(b[i]);
        if (fa != fb) return fa < fb;
    }
    return a.size() != b.size() ? a.size() < b.size() : a < b;
}

void sortNames(std::vector<std::wstring>& names) {
    std::sort(names.begin(), names.end(),
              [](const std::wstring& a, const std::wstring& b) { return nameBefore(a, b); });
}

ReadOutcome readOutcome(ReadPurpose purpose, bool newest, bool readable) {
    if (!newest) return ReadOutcome::stale;
    if (readable) return purpose == ReadPurpose::refresh ? ReadOutcome::showFiles : ReadOutcome::showAll;
    switch (purpose) {
    case ReadPurpose::navigate: return ReadOutcome::unreadable;
    case ReadPurpose::restore: return ReadOutcome::fallBack;
    case ReadPurpose::quietly:
    case ReadPurpose::refresh: return ReadOutcome::keep;
    }
    return ReadOutcome::keep;
}

std::vector<ListEdit> listEdits(const std::vector<std::wstring>& from, const std::vector<std::wstring>& to) {
    std::vector<ListEdit> edits;
    std::size_t i = 0, j = 0;
    int row = 0;
    while (i < from.size() || j < to.size()) {
        if (j == to.size() || (i < from.size() && nameBefore(from[i], to[j]))) {
            edits.push_back({false, row, {}});
            ++i;
        } else if (i == from.size() || nameBefore(to[j], from[i])) {
            edits.push_back({true, row++, to[j++]});
        } else {  // the same name in both
            ++i;
            ++j;
            ++row;
        }
    }
    return edits;
}

std::wstring normalizeFolder(std::wstring_view folder) {
    std::wstring result(folder);
    std::replace(result.begin(), result.end(), L'/', L'\\');
    while (result.size() > 1 && result.back() == L'\\' && !(result.size() == 3 && result[1] == L':'))
        result.pop_back();
    if (result.size() == 2 && result[1] == L':') result += L'\\';
    if (result.size() >= 2 && result[1] == L':' && result[0] >= L'a' && result[0] <= L'z')
        result[0] = static_cast<wchar_t>(result[0] - L'a' + L'A');
    return result;
}

int levelIndent(int fullIndent, int deepestLevel, int listWidth) {
    if (deepestLevel <= 0) return fullIndent;
    const int fitting = std::max(listWidth, 0) / 4 / deepestLevel;
    return std::clamp(fitting, fullIndent / 5, fullIndent);
}

std::vector<FolderRow> folderRows(const std::wstring& folder, std::vector<std::wstring> subfolders) {
    std::vector<FolderRow> rows;
    const std::wstring current = normalizeFolder(folder);
    if (current.empty()) return rows;

    // The root ("C:\" or "\\server\share\"), then one row per component.
    std::size_t pos;
    if (current.rfind(L"\\\\", 0) == 0) {
        const auto share = current.find(L'\\', current.find(L'\\', 2) + 1);
        pos = share == std::wstring::npos ? current.size() : share;
    } else {
        pos = current.find(L'\\');
        pos = pos == std::wstring::npos ? current.size() : pos;
    }
    std::wstring root = current.substr(0, pos);
    rows.push_back({addSlash(root), addSlash(root), 0, true});
    int level = 0;
    while (pos < current.size()) {
        const auto next = current.find(L'\\', pos + 1);
        const auto end = next == std::wstring::npos ? current.size() : next;
        const std::wstring name = current.substr(pos + 1, end - pos - 1);
        if (!name.empty()) rows.push_back({current.substr(0, end), name, ++level, true});
        pos = end;
    }
    sortNames(subfolders);
    for (auto& sub : subfolders) rows.push_back({addSlash(current) + sub, sub, level + 1, false});
    return rows;
}

}  // namespace zt
