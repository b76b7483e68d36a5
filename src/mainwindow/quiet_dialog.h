#pragma once
// The "Quiet hours" dialog: on or off, from and to on the platform's time pickers, and the
// days of the week they apply to, in the user's week order with the locale's day names.
#include <windows.h>

#include <optional>

#include "common/names.h"
#include "common/window.h"
#include "settings/considerate_settings.h"

namespace zt {

class QuietDialog final : public Window {
public:
    static constexpr const wchar_t* kClassName = kQuietWindowClass;
    static constexpr const wchar_t* kTitle = L"Quiet hours";

    // Control ids (GetDlgItem on the dialog). OK and Cancel are IDOK and IDCANCEL so that
    // Enter and Escape reach them.
    enum ControlId : int {
        idOK = IDOK,
        idCancel = IDCANCEL,
        idOn = 100,
        idFromLabel,
        idFrom,
        idToLabel,
        idTo,
        idDaysLabel,
        idFirstDay,  // the seven day boxes follow, in the user's week order
    };
    static constexpr int kDays = 7;

    explicit QuietDialog(HINSTANCE instance = GetModuleHandleW(nullptr)) : instance_(instance) {}
    ~QuietDialog() override = default;

    // Shows the dialog modally, centred on the owner's monitor, and returns once it has been
    // closed: the hours as set on OK, nothing on Cancel or Escape.
    std::optional<QuietHours> edit(HWND owner, const QuietHours& current);
    // The weekday (0 = Sunday) of a day box, 0..6 from the left.
    int weekdayOfBox(int box) const { return (firstWeekday_ + box) % kDays; }

private:
    LRESULT onMessage(UINT msg, WPARAM wParam, LPARAM lParam) override;
    std::span<const Placement> placements() const override;

    void createControls();
    void show(const QuietHours& hours);
    QuietHours read() const;
    void enableRange();
    HWND item(int id) const { return GetDlgItem(hwnd(), id); }

    HINSTANCE instance_;
    int firstWeekday_ = 1;  // Monday, unless the locale starts its week elsewhere
    std::optional<QuietHours> result_;
};

}  // namespace zt
