#include "tray/tray_tip.h"

namespace zt {

std::wstring trayTipText(std::wstring_view text) {
    if (text.size() <= kTrayTipMax) return std::wstring(text);
    std::size_t length = kTrayTipMax;
    const wchar_t last = text[length - 1];
    if (last >= 0xD800 && last <= 0xDBFF) --length;  // a high surrogate whose pair would be cut off
    return std::wstring(text.substr(0, length));
}

}  // namespace zt
