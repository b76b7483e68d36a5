#pragma once
// The main window's menus, described once: the menu bar (File, Sound, Help) and the tray
// menu, with the on/off items that show a setting and the "Mute for" choices.
#include <windows.h>

#include <optional>

#include "core/considerate.h"
#include "settings/settings_model.h"

namespace zt {

// Made from the description; the window owns the bar, the caller the tray menu.
HMENU createMenuBar();
HMENU createTrayMenu();
// Opens the menu at the pointer for the owner, which gets its commands, and returns once it
// has closed.
void openPopupMenu(HWND owner, HMENU menu);

// The setting a command shows and flips, if it is an on/off item.
std::optional<Toggle> toggleOfCommand(int id);
// The "Mute for" choice of a command, if it is one.
std::optional<MuteFor> muteForOfCommand(int id);
// Ticks (or clears) every item of both menus that shows the setting.
void showToggle(HMENU bar, HMENU tray, Toggle toggle, bool on);
// Ticks (or clears) the "Quiet hours..." items: ticked while the quiet hours are on.
void showQuietHours(HMENU bar, HMENU tray, bool on);

}  // namespace zt
