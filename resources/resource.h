#pragma once
// Resource identifiers shared by the .rc file and the code.
#define IDI_APP 1
// The tray icon while muted, and while quiet hours hold.
#define IDI_MUTED 2
#define IDI_QUIET 3
