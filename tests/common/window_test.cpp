// The window base with a window of its own: the exception policy, the twips layout and its
// DPI changes, the modal loop.
#include "common/window.h"

#include <gtest/gtest.h>

#include <functional>
#include <stdexcept>

namespace zt {
namespace {

constexpr int kEdit = 100;
constexpr Placement kPlaces[] = {{kEdit, 1440, 720, 2880, 360}};
constexpr UINT kThrow = WM_APP, kAnswer = WM_APP + 1, kHook = WM_APP + 2;

class Probe final : public Window {
public:
    bool create() {
        WindowSpec spec{L"ZtWindowProbe"};
        spec.style = WS_POPUP | WS_CAPTION | WS_SYSMENU;
        spec.clientWidthTwips = 5760;
        spec.clientHeightTwips = 2880;
        return createWindow(GetModuleHandleW(nullptr), spec);
    }
    using Window::closeWindow;
    using Window::runModal;

    std::function<void()> hook;
    int dpiChanges = 0;
    bool destroyedSeen = false;

private:
    LRESULT onMessage(UINT msg, WPARAM wParam, LPARAM lParam) override {
        switch (msg) {
        case WM_CREATE:
            CreateWindowExW(0, L"EDIT", L"", WS_CHILD | WS_VISIBLE, 0, 0, 0, 0, hwnd(),
                            reinterpret_cast<HMENU>(static_cast<INT_PTR>(kEdit)), nullptr, nullptr);
            return 0;
        case kThrow: throw std::runtime_error("a failing handler");
        case kAnswer: return 42;
        case kHook:
            if (hook) hook();
            return 0;
        default: return defaultHandling(msg, wParam, lParam);
        }
    }
    std::span<const Placement> placements() const override { return kPlaces; }
    void dpiChanged() override { ++dpiChanges; }
    void destroyed() override { destroyedSeen = true; }
};

RECT placeOf(HWND parent, int id) {
    RECT rc;
    GetWindowRect(GetDlgItem(parent, id), &rc);
    MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&rc), 2);
    return rc;
}

TEST(Window, AFailingHandlerGetsTheDefaultHandlingAndTheWindowGoesOn) {
    Probe probe;
    ASSERT_TRUE(probe.create());
    EXPECT_EQ(SendMessageW(probe.hwnd(), kThrow, 0, 0), 0);  // DefWindowProc's answer
    EXPECT_EQ(SendMessageW(probe.hwnd(), kAnswer, 0, 0), 42);
}

TEST(Window, SizedAndLaidOutInTwipsAndAgainWhenTheDpiChanges) {
    Probe probe;
    ASSERT_TRUE(probe.create());
    const HWND hwnd = probe.hwnd();
    const int dpi = static_cast<int>(GetDpiForWindow(hwnd));
    RECT client;
    GetClientRect(hwnd, &client);
    EXPECT_EQ(client.right, MulDiv(5760, dpi, 1440));
    EXPECT_EQ(client.bottom, MulDiv(2880, dpi, 1440));
    RECT edit = placeOf(hwnd, kEdit);
    EXPECT_EQ(edit.left, MulDiv(1440, dpi, 1440));
    EXPECT_EQ(edit.bottom - edit.top, MulDiv(360, dpi, 1440));
    EXPECT_NE(SendMessageW(GetDlgItem(hwnd, kEdit), WM_GETFONT, 0, 0), 0);  // the message font
    EXPECT_EQ(probe.dpiChanges, 1);

    // On a 192 DPI monitor: twice the 96 DPI pixels, the fixed frame keeps its client area.
    RECT suggested{100, 50, 120, 60};
    SendMessageW(hwnd, WM_DPICHANGED, MAKEWPARAM(192, 192), reinterpret_cast<LPARAM>(&suggested));
    EXPECT_EQ(probe.dpi(), 192u);
    EXPECT_EQ(probe.dpiChanges, 2);
    edit = placeOf(hwnd, kEdit);
    EXPECT_EQ(edit.left, 192);
    EXPECT_EQ(edit.top, 96);
    EXPECT_EQ(edit.right - edit.left, 384);
    // The frame for a 768 x 384 client area at 192 DPI, at the suggested place. (The frame
    // the system draws stays at the real DPI: the message is made up.)
    RECT expected{0, 0, 768, 384};
    AdjustWindowRectExForDpi(&expected, WS_POPUP | WS_CAPTION | WS_SYSMENU, FALSE, 0, 192);
    RECT window;
    GetWindowRect(hwnd, &window);
    EXPECT_EQ(window.left, 100);
    EXPECT_EQ(window.top, 50);
    EXPECT_EQ(window.right - window.left, expected.right - expected.left);
    EXPECT_EQ(window.bottom - window.top, expected.bottom - expected.top);
}

TEST(Window, AModalLoopDisablesTheOtherWindowsUntilItsWindowCloses) {
    Probe other, dialog;
    ASSERT_TRUE(other.create());
    ASSERT_TRUE(dialog.create());
    bool otherEnabledMeanwhile = true;
    dialog.hook = [&] {
        otherEnabledMeanwhile = IsWindowEnabled(other.hwnd()) != FALSE;
        dialog.closeWindow();
    };
    PostMessageW(dialog.hwnd(), kHook, 0, 0);
    dialog.runModal();  // returns once the hook has closed the dialog
    EXPECT_FALSE(otherEnabledMeanwhile);
    EXPECT_TRUE(IsWindowEnabled(other.hwnd()));
    EXPECT_EQ(dialog.hwnd(), nullptr);
    EXPECT_TRUE(dialog.destroyedSeen);
}

}  // namespace
}  // namespace zt
