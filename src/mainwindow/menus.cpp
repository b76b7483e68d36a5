#include "mainwindow/menus.h"

#include <array>
#include <span>

#include "mainwindow/device_menu.h"
#include "mainwindow/ids.h"

namespace zt {

namespace {

// One item: a command, an on/off item (toggle set), a submenu (popup set) or, with id 0 and
// no caption, a separator. Every item has an access key, unique in its menu; an option
// keeps its key in both menus.
struct MenuEntry {
    const wchar_t* caption = nullptr;
    int id = 0;
    Toggle toggle = Toggle::count;
    std::span<const MenuEntry> popup = {};
    bool devices = false;  // the "Play on" submenu, filled as it opens (DeviceMenu)
};
constexpr MenuEntry kSeparator{};

// "Mute for": one submenu in the Sound menu and one in the tray menu, each with its own
// ids (a command id names one item), both meaning the same choices.
struct MuteForItem {
    const wchar_t* caption;
    MuteFor choice;
    int barId, trayId;
};
constexpr MuteForItem kMuteForItems[] = {
    {L"1&5 minutes", MuteFor::Minutes15, ids::kMnuSoundMuteFor15, ids::kMnuMuteFor15},
    {L"&1 hour", MuteFor::Hour1, ids::kMnuSoundMuteFor60, ids::kMnuMuteFor60},
    {L"&4 hours", MuteFor::Hours4, ids::kMnuSoundMuteFor240, ids::kMnuMuteFor240},
    {L"Until &tomorrow morning", MuteFor::TomorrowMorning, ids::kMnuSoundMuteForMorning, ids::kMnuMuteForMorning},
};
constexpr auto muteForMenu(int MuteForItem::*id) {
    std::array<MenuEntry, std::size(kMuteForItems)> menu{};
    for (std::size_t i = 0; i < menu.size(); ++i) menu[i] = {kMuteForItems[i].caption, kMuteForItems[i].*id};
    return menu;
}
constexpr auto kSoundMuteForMenu = muteForMenu(&MuteForItem::barId);
constexpr auto kTrayMuteForMenu = muteForMenu(&MuteForItem::trayId);

// File holds the files and how the program starts; "Absolute volume" is stored but never
// offered. Sound holds what acts on the sounds: the commands, then the considerate
// timing, then the options of the pick.
constexpr MenuEntry kFileMenu[] = {
    {L"&Choose folder...\tCtrl+O", ids::kMnuChooseFolder},
    {L"Start in system tra&y", ids::kMnuSystray, Toggle::startInTray},
    {L"&Run at startup", ids::kMnuStartup, Toggle::runAtStartup},
    kSeparator,
    {L"E&xit", ids::kMnuExit},
};
constexpr MenuEntry kSoundMenu[] = {
    {L"&Play one now", ids::kMnuPlayNow},
    {L"S&kip this wait", ids::kMnuSkip},
    {L"Mute &for", 0, Toggle::count, kSoundMuteForMenu},
    kSeparator,
    {L"&Quiet hours...", ids::kMnuQuiet},
    {L"&Hold while busy", ids::kMnuHoldBusy, Toggle::holdBusy},
    kSeparator,
    {L"&Avoid repeats", ids::kMnuNoRepeat, Toggle::noRepeat},
    {L"&Even out loudness", ids::kMnuLevel, Toggle::level},
    {L"Start s&oftly", ids::kMnuSoftStart, Toggle::softStart},
    {L"Play o&n", 0, Toggle::count, {}, true},
    kSeparator,
    {L"H&istory...", ids::kMnuHistory},
};
constexpr MenuEntry kHelpMenu[] = {{L"&About", ids::kMnuAbout}};
constexpr MenuEntry kMenuBar[] = {
    {L"&File", 0, Toggle::count, kFileMenu},
    {L"&Sound", 0, Toggle::count, kSoundMenu},
    {L"&Help", 0, Toggle::count, kHelpMenu},
};

// The five items of old keep their order, with "Settings", the default, first of what
// acts and "Terminate" last; the considerate timing, the sound commands and the options
// of the pick come between them.
constexpr MenuEntry kTrayMenu[] = {
    {L"Start in system tra&y", ids::kMnuSystray2, Toggle::startInTray},
    {L"&Run at startup", ids::kMnuStartup2, Toggle::runAtStartup},
    {L"&Mute", ids::kMnuMute, Toggle::mute},
    {L"&Settings", ids::kMnuSettings},
    kSeparator,
    {L"&Quiet hours...", ids::kMnuQuiet2},
    {L"&Hold while busy", ids::kMnuHoldBusy2, Toggle::holdBusy},
    {L"Mute &for", 0, Toggle::count, kTrayMuteForMenu},
    {L"&Play one now", ids::kMnuPlayNow2},
    {L"S&kip this wait", ids::kMnuSkip2},
    {L"H&istory...", ids::kMnuHistory2},
    kSeparator,
    {L"&Avoid repeats", ids::kMnuNoRepeat2, Toggle::noRepeat},
    {L"&Even out loudness", ids::kMnuLevel2, Toggle::level},
    {L"Start s&oftly", ids::kMnuSoftStart2, Toggle::softStart},
    {L"Play o&n", 0, Toggle::count, {}, true},
    kSeparator,
    {L"&Terminate", ids::kMnuTerminate},
};

// The "Quiet hours..." items, ticked while the quiet hours are on.
constexpr int kQuietItems[] = {ids::kMnuQuiet, ids::kMnuQuiet2};

// How many items of the entries (submenus included) carry the id.
constexpr int itemsWithId(std::span<const MenuEntry> entries, int id) {
    int n = 0;
    for (const auto& e : entries) n += (e.id == id ? 1 : 0) + itemsWithId(e.popup, id);
    return n;
}
// Every command id names one item of the two menus: WM_COMMAND tells them apart by it.
constexpr bool idsUnique(std::span<const MenuEntry> entries) {
    for (const auto& e : entries) {
        if (e.id != 0 && itemsWithId(kMenuBar, e.id) + itemsWithId(kTrayMenu, e.id) != 1) return false;
        if (!idsUnique(e.popup)) return false;
    }
    return true;
}
static_assert(idsUnique(kMenuBar) && idsUnique(kTrayMenu), "a command id names two menu items");

void append(HMENU menu, std::span<const MenuEntry> entries) {
    for (const auto& e : entries) {
        if (!e.caption) {
            AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
        } else if (e.devices) {
            AppendMenuW(menu, MF_POPUP, reinterpret_cast<UINT_PTR>(DeviceMenu::create()), e.caption);
        } else if (!e.popup.empty()) {
            HMENU popup = CreatePopupMenu();  // owned by its parent menu from here on
            append(popup, e.popup);
            AppendMenuW(menu, MF_POPUP, reinterpret_cast<UINT_PTR>(popup), e.caption);
        } else {
            AppendMenuW(menu, MF_STRING, static_cast<UINT_PTR>(e.id), e.caption);
        }
    }
}

// Calls f for every item of the description, submenus included.
template <typename F>
void forEachEntry(std::span<const MenuEntry> entries, F&& f) {
    for (const auto& e : entries) {
        f(e);
        forEachEntry(e.popup, f);
    }
}

template <typename F>
void forEachEntry(F&& f) {
    forEachEntry(kMenuBar, f);
    forEachEntry(kTrayMenu, f);
}

}  // namespace

HMENU createMenuBar() {
    HMENU bar = CreateMenu();
    append(bar, kMenuBar);
    return bar;
}

HMENU createTrayMenu() {
    HMENU tray = CreatePopupMenu();
    append(tray, kTrayMenu);
    // What a double click on the icon does: bring the window back (shown in bold).
    SetMenuDefaultItem(tray, ids::kMnuSettings, FALSE);
    return tray;
}

void openPopupMenu(HWND owner, HMENU menu) {
    SetForegroundWindow(owner);
    POINT at;
    GetCursorPos(&at);
    const UINT flags = TPM_LEFTALIGN | TPM_LEFTBUTTON | (GetSystemMetrics(SM_MENUDROPALIGNMENT) ? TPM_RIGHTALIGN : 0);
    TrackPopupMenuEx(menu, flags, at.x, at.y, owner, nullptr);
    // Lets the menu close when the user clicks elsewhere next time.
    PostMessageW(owner, WM_NULL, 0, 0);
}

std::optional<Toggle> toggleOfCommand(int id) {
    std::optional<Toggle> found;
    forEachEntry([&](const MenuEntry& e) {
        if (e.id == id && id != 0 && e.toggle != Toggle::count) found = e.toggle;
    });
    return found;
}

std::optional<MuteFor> muteForOfCommand(int id) {
    for (const auto& item : kMuteForItems)
        if (item.barId == id || item.trayId == id) return item.choice;
    return std::nullopt;
}

void showToggle(HMENU bar, HMENU tray, Toggle toggle, bool on) {
    const UINT state = MF_BYCOMMAND | (on ? MF_CHECKED : MF_UNCHECKED);
    forEachEntry(kMenuBar, [&](const MenuEntry& e) {
        if (e.toggle == toggle && e.id != 0) CheckMenuItem(bar, static_cast<UINT>(e.id), state);
    });
    forEachEntry(kTrayMenu, [&](const MenuEntry& e) {
        if (e.toggle == toggle && e.id != 0) CheckMenuItem(tray, static_cast<UINT>(e.id), state);
    });
}

void showQuietHours(HMENU bar, HMENU tray, bool on) {
    const UINT state = MF_BYCOMMAND | (on ? MF_CHECKED : MF_UNCHECKED);
    for (const int id : kQuietItems) {
        CheckMenuItem(bar, static_cast<UINT>(id), state);  // each is in one of the two
        CheckMenuItem(tray, static_cast<UINT>(id), state);
    }
}

}  // namespace zt
