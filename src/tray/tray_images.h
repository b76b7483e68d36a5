#pragma once
// The tray icon's images, one for each state it shows, at the size the shell draws them.
#include <windows.h>

#include <array>

#include "common/scoped.h"
#include "core/considerate.h"

namespace zt {

class TrayImages {
public:
    TrayImages() = default;
    // Loads every image from the program's resources at the shell's small icon size.
    explicit TrayImages(HINSTANCE instance);

    HICON icon(IconState state) const { return icons_[static_cast<std::size_t>(state)].get(); }

private:
    std::array<ScopedIcon, 3> icons_;  // by IconState
};

}  // namespace zt
