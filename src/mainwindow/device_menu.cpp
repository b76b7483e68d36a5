#include "mainwindow/device_menu.h"

#include <utility>

#include "mainwindow/ids.h"

namespace zt {

namespace {

// What marks a "Play on" submenu among the popups that open.
constexpr ULONG_PTR kDeviceMenuMark = 0x5A7D0001;

bool isDeviceMenu(HMENU popup) {
    MENUINFO info{};
    info.cbSize = sizeof info;
    info.fMask = MIM_MENUDATA;
    return GetMenuInfo(popup, &info) && info.dwMenuData == kDeviceMenuMark;
}

}  // namespace

HMENU DeviceMenu::create() {
    HMENU popup = CreatePopupMenu();
    MENUINFO info{};
    info.cbSize = sizeof info;
    info.fMask = MIM_MENUDATA;
    info.dwMenuData = kDeviceMenuMark;
    SetMenuInfo(popup, &info);
    return popup;
}

void DeviceMenu::fill(HMENU popup, const std::wstring& current, const std::wstring& currentName) {
    if (!isDeviceMenu(popup)) return;
    while (GetMenuItemCount(popup) > 0) DeleteMenu(popup, 0, MF_BYPOSITION);
    shown_ = list_();
    if (shown_.size() > static_cast<std::size_t>(ids::kMnuDeviceCount - 1)) shown_.resize(ids::kMnuDeviceCount - 1);
    bool found = current.empty();
    AppendMenuW(popup, MF_STRING | (current.empty() ? MF_CHECKED : 0), ids::kMnuDeviceFirst, L"Default device");
    for (std::size_t i = 0; i < shown_.size(); ++i) {
        const bool ticked = shown_[i].id == current;
        found = found || ticked;
        AppendMenuW(popup, MF_STRING | (ticked ? MF_CHECKED : 0), ids::kMnuDeviceFirst + 1 + i, shown_[i].name.c_str());
    }
    if (!found) {
        const std::wstring missing = (currentName.empty() ? L"The chosen device" : currentName) + L" (not available)";
        AppendMenuW(popup, MF_STRING | MF_CHECKED | MF_GRAYED, 0, missing.c_str());
    }
}

std::optional<OutputDevice> DeviceMenu::chosen(int id) const {
    if (id == ids::kMnuDeviceFirst) return OutputDevice{};
    const int index = id - ids::kMnuDeviceFirst - 1;
    if (index < 0 || static_cast<std::size_t>(index) >= shown_.size()) return std::nullopt;
    return shown_[static_cast<std::size_t>(index)];
}

}  // namespace zt
