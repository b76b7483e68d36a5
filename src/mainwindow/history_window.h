#pragma once
// The History window: what each countdown's end and each sound did since the program
// started, newest first, in a report list a screen reader reads row by row (Time, File,
// What happened), with "Copy" for the clipboard. Modeless: the countdown runs on while it is
// open, and the list follows new entries.
#include <windows.h>

#include <span>
#include <string>

#include "common/local_time.h"
#include "common/names.h"
#include "common/scoped.h"
#include "common/window.h"
#include "core/history.h"

namespace zt {

class HistoryWindow final : public Window {
public:
    static constexpr const wchar_t* kClassName = kHistoryWindowClass;
    static constexpr const wchar_t* kTitle = L"History";

    // Control ids (GetDlgItem on the window). Close is IDCANCEL so that Escape reaches it.
    enum ControlId : int {
        idClose = IDCANCEL,
        idListLabel = 100,
        idList,
        idCopy,
    };

    HistoryWindow(HINSTANCE instance, const History& history) : instance_(instance), history_(history) {}
    ~HistoryWindow() override = default;

    // Opens the window on the owner's monitor, or brings it back to the front when it is
    // open already. Returns at once.
    void open(HWND owner);
    // The history has a new first entry: shown at the top while the window is open.
    void entryAdded();
    // "Copy": the whole list on the clipboard as tab-separated text with a header row.
    bool copy();

private:
    LRESULT onMessage(UINT msg, WPARAM wParam, LPARAM lParam) override;
    std::span<const Placement> placements() const override;
    void dpiChanged() override;

    void createControls();
    void fill();
    void insertRow(int row, const HistoryEntry& entry);
    HWND item(int id) const { return GetDlgItem(hwnd(), id); }

    HINSTANCE instance_;
    const History& history_;
    ScopedAccelerators accelerators_;
};

// A time as the user's locale writes it: the short date, then the time with seconds.
std::wstring localeTimeText(const LocalTime& time);

}  // namespace zt
