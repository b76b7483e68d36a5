#pragma once
// The tray tip's text limit, kept apart from the shell call so it can be tested anywhere.
#include <cstddef>
#include <string>
#include <string_view>

namespace zt {

// The tip shows at most this many characters; its NUL makes 64.
inline constexpr std::size_t kTrayTipMax = 63;

// The text as the tip will hold it: whole up to 63 UTF-16 units, otherwise cut to fit
// without leaving half of a surrogate pair at the end.
std::wstring trayTipText(std::wstring_view text);

}  // namespace zt
