#pragma once
// What the drive, folder and file lists show, worked out without touching a window: the
// file pattern, the order of entries, and the rows of the folder tree.
#include <string>
#include <string_view>
#include <vector>

namespace zt {

// The file list's pattern: several wildcard patterns ("*" and "?") separated by ";",
// compared without regard to letter case.
inline constexpr wchar_t kSoundPattern[] = L"*.wav;*.mp3";
bool matchesPattern(std::wstring_view name, std::wstring_view patterns);

// Sorts names the way the lists show them: without regard to case, then by code unit so
// the order is stable.
void sortNames(std::vector<std::wstring>& names);
// The order of sortNames.
bool nameBefore(std::wstring_view a, std::wstring_view b);

// One change to a shown list: the row at index removed, or name inserted at index.
struct ListEdit {
    bool insert = false;
    int index = 0;
    std::wstring name;
    bool operator==(const ListEdit&) const = default;
};

// The edits that turn the list "from" into "to" (both in sortNames order), in the order
// they apply; rows that stay are not touched. Cheaper to show than the whole list again.
std::vector<ListEdit> listEdits(const std::vector<std::wstring>& from, const std::vector<std::wstring>& to);

// One row of the folder list: the folder's full path, the name shown, its indent level,
// and whether it is the open (current) folder or one of its subfolders.
struct FolderRow {
    std::wstring path;
    std::wstring name;
    int level = 0;
    bool open = false;
};

// The rows for a current folder: the root and every ancestor down to the folder itself
// (open, indented one level per step), then its subfolders one level deeper.
// "C:\Sounds\Bells" with subfolders {"Old"} gives C:\, Sounds, Bells, Old.
std::vector<FolderRow> folderRows(const std::wstring& folder, std::vector<std::wstring> subfolders);

// The indent per level of the folder list, in pixels: the full indent while all levels
// together take at most a quarter of the list's width, less where the list is narrow or
// the folder deep (so the names keep their room), but never under a fifth of the full one
// (the chain must still read as a chain).
int levelIndent(int fullIndent, int deepestLevel, int listWidth);

// Why the lists read a folder, which says what a failed read means.
enum class ReadPurpose {
    navigate,  // the user moved the lists: a failure is told, and the lists stay
    restore,   // the stored folder at start: a failure falls back to the working folder
    quietly,   // the stored folder at load, or the fallback: a failure keeps the lists
    refresh,   // the file list's folder again before a pick: only the files change
};

// What the lists do with a finished read.
enum class ReadOutcome {
    stale,       // a newer read was asked for since: dropped
    showAll,     // the folder list and the file list move to the folder
    showFiles,   // the file list shows the files read
    unreadable,  // told, and the lists stay where they were
    fallBack,    // the working folder is read instead
    keep,        // nothing changes, nothing is said
};
ReadOutcome readOutcome(ReadPurpose purpose, bool newest, bool readable);

// The canonical form the lists keep a folder in: backslashes, no trailing backslash
// except at a drive root ("C:\"), the drive letter in upper case.
std::wstring normalizeFolder(std::wstring_view folder);

}  // namespace zt
