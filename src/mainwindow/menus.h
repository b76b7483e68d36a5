#pragma once
// The main window's menus, described once: the menu bar (File, Help) and the tray menu,
// with the on/off items that show a setting and the "Mute for" choices.
#include <windows.h>

#include <optional>

#include "core/considerate.h"
#include "settings/settings_model.h"

namespace zt {

// Made from the description; the window owns the bar, the caller the tray menu.
HMENU createMenuBar();
HMENU createTrayMenu();

// The setting a command shows and flips, if it is an on/off item.
std::optional<Toggle> toggleOfCommand(int id);
// The "Mute for" choice of a command, if it is one.
std::optional<MuteFor> muteForOfCommand(int id);
// Ticks (or clears) every item of both menus that shows the setting.
void showToggle(HMENU bar, HMENU tray, Toggle toggle, bool on);

}  // namespace zt
