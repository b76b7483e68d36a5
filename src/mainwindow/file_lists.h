#pragma once
// The three lists that pick the sound folder: drives, the folder tree of the current
// folder, and the sound files in it. Each wraps one child control of the main window and
// shows what it is given; the folders are read elsewhere (folder_lists.h), never here.
#include <windows.h>
#include <commctrl.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "common/scoped.h"
#include "core/folder_model.h"

namespace zt {

// A tip over a list that names in full what the pointer is on: the whole path of the row
// under it, or the list's folder where there is no row. It shows once the pointer rests on
// the list, follows it from row to row, and goes once the pointer has been still for the
// usual time, on a click, or when the pointer leaves. While the tip is down and the pointer
// still, nothing watches the pointer (a tip control left to track it by itself polls it for
// as long as it stays on the list).
class PathTip {
public:
    using PathAt = std::function<std::wstring(int row)>;  // row -1: no row there
    void attach(HWND list, PathAt pathAt);
    // The tip window, once the pointer has been on the list (owned by the list's top-level
    // window, which destroys it).
    HWND hwnd() const { return tip_; }

private:
    static LRESULT CALLBACK listProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                     DWORD_PTR self);
    TTTOOLINFOW tool();
    bool made();
    void follow(LPARAM at);
    std::wstring wrapped(const std::wstring& path) const;
    void moved(LPARAM at);
    void place();
    void show();
    void keepShowing();
    void hide();

    HWND list_ = nullptr;
    HWND tip_ = nullptr;
    PathAt pathAt_;
    std::wstring path_;  // what the tip says, and as it shows it
    std::wstring text_;
    std::optional<LPARAM> at_;  // where the pointer was last seen on the list
    bool shown_ = false;
};

// `Drive1`: a drop-down list of the machine's drives.
class DriveList {
public:
    // Selects the drive of folder, the folder the lists start in.
    void create(HWND parent, int id, const RECT& at, const std::wstring& folder);
    HWND hwnd() const { return hwnd_; }
    // The selected drive, "C:".
    std::wstring drive() const;
    // Selects the drive of a folder path; false (and no change) when there is no such drive.
    bool selectDriveOf(const std::wstring& path);
    // Fills the list again from the drives present now, keeping the selection. The letters
    // show at once; the fixed drives' labels follow once the window has nothing else to do
    // (a volume can take a while to answer, and the first countdown value comes first).
    void reload();

private:
    static LRESULT CALLBACK comboProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                      DWORD_PTR self);
    void showLabels();

    HWND hwnd_ = nullptr;
    std::vector<std::wstring> drives_;  // "C:", in list order
};

// `Dir1`: the current folder with its ancestors and subfolders. Opening a row (double
// click or Enter) makes it the current folder; a single click only selects.
class DirList {
public:
    // Empty until it is first shown a folder.
    void create(HWND parent, int id, const RECT& at);
    HWND hwnd() const { return hwnd_; }
    const std::wstring& path() const { return path_; }
    // Makes the folder current, with these subfolders.
    void show(const std::wstring& folder, std::vector<std::wstring> subfolders);
    // The folder of the selected row (empty when nothing is selected).
    std::wstring selectedPath() const;

    void measureItem(MEASUREITEMSTRUCT& mis, UINT dpi) const;
    void drawItem(const DRAWITEMSTRUCT& dis, UINT dpi);
    void dpiChanged(UINT dpi);
    const PathTip& tip() const { return tip_; }

private:
    HWND hwnd_ = nullptr;
    std::wstring path_;
    std::vector<FolderRow> rows_;
    int deepest_ = 0;  // the deepest row's level
    PathTip tip_;
    ScopedIcon folderIcon_, openIcon_;
    UINT iconDpi_ = 0;
};

// `File1`: the sound files of one folder, sorted. Tens of thousands of rows are put into
// the list a slice at a time, from a timer, so that the window answers meanwhile; entries()
// are the whole folder's at once.
class FileList {
public:
    // Empty, saying that its folder is being read, until it is first shown one.
    void create(HWND parent, int id, const RECT& at);
    HWND hwnd() const { return hwnd_; }
    const std::wstring& path() const { return path_; }
    // The folder's sound files, sorted.
    void show(const std::wstring& folder, std::vector<std::wstring> sounds);
    // While a folder is read for the list, its rows are grey, or an empty list says so.
    void setReading(bool reading);
    int count() const { return static_cast<int>(entries_.size()); }
    std::wstring entry(int index) const;
    // The selected row's entry; -1 while the rows are still being put in.
    int selectedIndex() const;
    bool filling() const { return filling_; }

    // Owner-drawn, so that a name too long for the list ends in an ellipsis.
    void measureItem(MEASUREITEMSTRUCT& mis, UINT dpi) const;
    void drawItem(const DRAWITEMSTRUCT& dis, UINT dpi) const;
    void dpiChanged(UINT dpi);
    const PathTip& tip() const { return tip_; }

private:
    void fill();
    std::wstring rowText(int row) const;
    static LRESULT CALLBACK listProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                     DWORD_PTR self);

    HWND hwnd_ = nullptr;
    std::wstring path_;
    std::vector<std::wstring> entries_;
    bool reading_ = true;
    bool filling_ = false;       // the rows are not all in yet
    std::size_t filled_ = 0;     // entries put in so far
    std::wstring keepSelected_;  // selected again once it is back in
    PathTip tip_;
};

}  // namespace zt
