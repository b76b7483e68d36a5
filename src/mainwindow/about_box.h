#pragma once
// The About box as the main window uses it (the dialog itself lives above the window, in
// src/about). No window code.
#include <string>

namespace zt {

class AboutBox {
public:
    virtual ~AboutBox() = default;
    // Writes the media runtime's version line, loading the dialog hidden if needed.
    virtual void setMediaPlayerVersion(const std::wstring& mpVersion) = 0;
    // Shows the dialog modally and returns when it has been closed.
    virtual void showModal() = 0;
};

}  // namespace zt
