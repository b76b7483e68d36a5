#pragma once
// The main window: the program's one lasting window and the owner of its state.
#include <windows.h>

namespace zt {

class Form1 {
public:
    static constexpr const wchar_t* kClassName = L"ZirrotoneMain";

    Form1() = default;
    Form1(const Form1&) = delete;
    Form1& operator=(const Form1&) = delete;

    // Registers the class and creates the window, not yet shown.
    bool create(HINSTANCE instance);
    HWND hwnd() const { return hwnd_; }
    HICON icon() const { return icon_; }

private:
    static LRESULT CALLBACK windowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
    LRESULT handle(UINT msg, WPARAM wParam, LPARAM lParam) noexcept;

    int twips(int value) const { return MulDiv(value, static_cast<int>(dpi_), 1440); }
    void sizeToClientArea();

    HWND hwnd_ = nullptr;
    HINSTANCE instance_ = nullptr;
    HICON icon_ = nullptr;  // shared resource icon: never destroyed
    UINT dpi_ = USER_DEFAULT_SCREEN_DPI;
};

}  // namespace zt
