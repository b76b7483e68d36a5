#pragma once
// Control and command identifiers of the main window. The end-to-end tests drive the
// program through these, so they are part of its outside surface: do not renumber.

namespace zt::ids {

// Controls.
inline constexpr int kLabel2 = 101;
inline constexpr int kLabel4 = 102;
inline constexpr int kDrive1 = 103;
inline constexpr int kFile1 = 104;
inline constexpr int kDir1 = 105;
inline constexpr int kLabel5 = 106;
inline constexpr int kTxtDelay = 107;
inline constexpr int kLabel1 = 108;
inline constexpr int kLblVolume = 109;
inline constexpr int kSlider1 = 110;
inline constexpr int kLabel6 = 111;
inline constexpr int kTxtCountdown = 112;
inline constexpr int kChkMute = 113;
inline constexpr int kLabel3 = 114;
inline constexpr int kCmdStop = 115;
inline constexpr int kLblState = 116;  // what holds the sounds back now, if anything

// Menu commands: the File menu, the tray menu and the Help menu.
inline constexpr int kMnuSystray = 201;
inline constexpr int kMnuStartup = 202;
inline constexpr int kMnuAbVol = 203;
inline constexpr int kMnuExit = 204;
inline constexpr int kMnuChooseFolder = 209;
inline constexpr int kMnuSystray2 = 211;
inline constexpr int kMnuStartup2 = 212;
inline constexpr int kMnuMute = 213;
inline constexpr int kMnuSettings = 214;
inline constexpr int kMnuTerminate = 215;
inline constexpr int kMnuAbout = 221;
// The pick: in the Sound menu and in the tray menu.
inline constexpr int kMnuNoRepeat = 217;
inline constexpr int kMnuNoRepeat2 = 218;

// Considerate timing and the sound commands, in the Sound menu...
inline constexpr int kMnuQuiet = 205;
inline constexpr int kMnuHoldBusy = 206;
inline constexpr int kMnuPlayNow = 207;
inline constexpr int kMnuSkip = 208;
inline constexpr int kMnuHistory = 210;
// ...and in the tray menu, with its "Mute for" submenu.
inline constexpr int kMnuQuiet2 = 231;
inline constexpr int kMnuHoldBusy2 = 232;
inline constexpr int kMnuPlayNow2 = 233;
inline constexpr int kMnuSkip2 = 234;
inline constexpr int kMnuMuteFor15 = 235;
inline constexpr int kMnuMuteFor60 = 236;
inline constexpr int kMnuMuteFor240 = 237;
inline constexpr int kMnuMuteForMorning = 238;
inline constexpr int kMnuHistory2 = 239;
// The Sound menu's own "Mute for" submenu, the same choices as the tray's.
inline constexpr int kMnuSoundMuteFor15 = 241;
inline constexpr int kMnuSoundMuteFor60 = 242;
inline constexpr int kMnuSoundMuteFor240 = 243;
inline constexpr int kMnuSoundMuteForMorning = 244;

// "Play on", in both menus: "Default device", then the devices as the list was last read.
inline constexpr int kMnuDeviceFirst = 300;
inline constexpr int kMnuDeviceCount = 64;

// How each sound is played: in the Sound menu and in the tray menu.
inline constexpr int kMnuLevel = 251;
inline constexpr int kMnuLevel2 = 252;
inline constexpr int kMnuSoftStart = 253;
inline constexpr int kMnuSoftStart2 = 254;

}  // namespace zt::ids
