#include "mainwindow/menus.h"

#include <span>

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
};
constexpr MenuEntry kSeparator{};

constexpr MenuEntry kMuteForMenu[] = {
    {L"1&5 minutes", ids::kMnuMuteFor15},
    {L"&1 hour", ids::kMnuMuteFor60},
    {L"&4 hours", ids::kMnuMuteFor240},
    {L"Until &tomorrow morning", ids::kMnuMuteForMorning},
};
constexpr MuteFor kMuteForChoices[] = {MuteFor::Minutes15, MuteFor::Hour1, MuteFor::Hours4, MuteFor::TomorrowMorning};

// "Absolute volume" is stored but never offered.
constexpr MenuEntry kFileMenu[] = {
    {L"&Choose folder...\tCtrl+O", ids::kMnuChooseFolder},
    {L"Start in system tra&y", ids::kMnuSystray, Toggle::startInTray},
    {L"&Run at startup", ids::kMnuStartup, Toggle::runAtStartup},
    {L"&Avoid repeats", ids::kMnuNoRepeat, Toggle::noRepeat},
    kSeparator,
    {L"&Quiet hours...", ids::kMnuQuiet},
    {L"&Hold while busy", ids::kMnuHoldBusy, Toggle::holdBusy},
    {L"&Even out loudness", ids::kMnuLevel, Toggle::level},
    {L"Start s&oftly", ids::kMnuSoftStart, Toggle::softStart},
    {L"&Play one now", ids::kMnuPlayNow},
    {L"S&kip this wait", ids::kMnuSkip},
    {L"H&istory...", ids::kMnuHistory},
    kSeparator,
    {L"E&xit", ids::kMnuExit},
};
constexpr MenuEntry kHelpMenu[] = {{L"&About", ids::kMnuAbout}};
constexpr MenuEntry kMenuBar[] = {
    {L"&File", 0, Toggle::count, kFileMenu},
    {L"&Help", 0, Toggle::count, kHelpMenu},
};

constexpr MenuEntry kTrayMenu[] = {
    {L"Start in system tra&y", ids::kMnuSystray2, Toggle::startInTray},
    {L"&Run at startup", ids::kMnuStartup2, Toggle::runAtStartup},
    {L"&Mute", ids::kMnuMute, Toggle::mute},
    {L"&Settings", ids::kMnuSettings},
    {L"&Terminate", ids::kMnuTerminate},
    kSeparator,
    {L"&Quiet hours...", ids::kMnuQuiet2},
    {L"&Hold while busy", ids::kMnuHoldBusy2, Toggle::holdBusy},
    {L"&Even out loudness", ids::kMnuLevel2, Toggle::level},
    {L"Start s&oftly", ids::kMnuSoftStart2, Toggle::softStart},
    {L"Mute &for", 0, Toggle::count, kMuteForMenu},
    {L"&Play one now", ids::kMnuPlayNow2},
    {L"S&kip this wait", ids::kMnuSkip2},
    {L"H&istory...", ids::kMnuHistory2},
    kSeparator,
    {L"&Avoid repeats", ids::kMnuNoRepeat2, Toggle::noRepeat},
};

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

std::optional<Toggle> toggleOfCommand(int id) {
    std::optional<Toggle> found;
    forEachEntry([&](const MenuEntry& e) {
        if (e.id == id && id != 0 && e.toggle != Toggle::count) found = e.toggle;
    });
    return found;
}

std::optional<MuteFor> muteForOfCommand(int id) {
    for (std::size_t i = 0; i < std::size(kMuteForMenu); ++i)
        if (kMuteForMenu[i].id == id) return kMuteForChoices[i];
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

}  // namespace zt
