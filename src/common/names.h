#pragma once
// Names the program is known by from outside: window classes other programs and the
// installer look for, the message a second start sends, the registry keys. Defined here
// once for C++; installer/zirrotone.nsi repeats the ones it needs.

namespace zt {

inline constexpr wchar_t kMainWindowClass[] = L"ZirrotoneMain";
inline constexpr wchar_t kAboutWindowClass[] = L"ZirrotoneAbout";
inline constexpr wchar_t kQuietWindowClass[] = L"ZirrotoneQuietHours";
inline constexpr wchar_t kHistoryWindowClass[] = L"ZirrotoneHistory";
// Registered message by which a second start asks the running window to show itself.
inline constexpr wchar_t kShowMessage[] = L"Zirrotone.Show";

// Relative to HKEY_CURRENT_USER.
inline constexpr wchar_t kSettingsKey[] = L"Software\\Zirrotone";
inline constexpr wchar_t kRunKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";
inline constexpr wchar_t kRunValue[] = L"zirrotone";

}  // namespace zt
