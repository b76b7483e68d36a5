#include "about/frmabout.h"

#include <gtest/gtest.h>

#include "common/text.h"
#include "common/winutil.h"

namespace zt {
namespace {

std::wstring controlText(const frmAbout& about, int id) { return windowText(GetDlgItem(about.hwnd(), id)); }

TEST(frmAbout, LoadsHiddenWithItsTexts) {
    frmAbout about;
    ASSERT_TRUE(about.load());
    const HWND hwnd = about.hwnd();
    EXPECT_FALSE(IsWindowVisible(hwnd));
    EXPECT_EQ(windowText(hwnd), L"About zirrotone");
    EXPECT_EQ(controlText(about, frmAbout::idTitle), L"zirrotone");
    // This test program has no version resource: the build's numbers stand in.
    EXPECT_EQ(controlText(about, frmAbout::idVersion), L"Version 1.3.1");
    EXPECT_EQ(controlText(about, frmAbout::idMPver), L"MPversion");
    EXPECT_EQ(controlText(about, frmAbout::idOK), L"OK");
    EXPECT_EQ(controlText(about, frmAbout::idSysInfo), L"&System Info...");
    EXPECT_EQ(controlText(about, frmAbout::idDescription)
                  .rfind(L"Zirrotone will play WAV and MP3 files at random in the defined folder.", 0),
              0u);
    // The legal lines follow the licence the program ships under, and name no mailbox.
    const std::wstring disclaimer = controlText(about, frmAbout::idDisclaimer);
    EXPECT_NE(disclaimer.find(L"only together with its copyright notice and the MIT licence"), std::wstring::npos);
    EXPECT_EQ(controlText(about, frmAbout::idDescription).find(L'@'), std::wstring::npos);
    const std::wstring notice = controlText(about, frmAbout::idLabel1);
    EXPECT_NE(notice.find(L"2026"), std::wstring::npos);
    EXPECT_NE(notice.find(L"the Zirrotone developers"), std::wstring::npos);

    // A fixed frame with the designed client area, centred on the screen.
    const LONG style = GetWindowLongW(hwnd, GWL_STYLE);
    EXPECT_FALSE(style & (WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX));
    const int dpi = static_cast<int>(GetDpiForWindow(hwnd));
    RECT client;
    GetClientRect(hwnd, &client);
    EXPECT_EQ(client.right, MulDiv(5730, dpi, 1440));
    EXPECT_EQ(client.bottom, MulDiv(4665, dpi, 1440));
    RECT window;
    GetWindowRect(hwnd, &window);
    EXPECT_NEAR(window.left + window.right, GetSystemMetrics(SM_CXSCREEN), 1);
    EXPECT_NEAR(window.top + window.bottom, GetSystemMetrics(SM_CYSCREEN), 1);
    // Kept off the taskbar by a hidden owner, not by being a tool window.
    const HWND owner = GetWindow(hwnd, GW_OWNER);
    EXPECT_TRUE(owner && !IsWindowVisible(owner));
    EXPECT_FALSE(GetWindowLongW(hwnd, GWL_EXSTYLE) & (WS_EX_APPWINDOW | WS_EX_TOOLWINDOW));
}

TEST(frmAbout, MediaPlayerLineLastsUntilUnload) {
    frmAbout about;
    // Kept for the next load: no window is made for it at start.
    about.setMediaPlayerVersion(L"5.1.52.701");
    about.setMediaPlayerVersion(L"6.4.9.1131");
    EXPECT_TRUE(about.hwnd() == nullptr);
    ASSERT_TRUE(about.load());
    EXPECT_FALSE(IsWindowVisible(about.hwnd()));
    EXPECT_EQ(controlText(about, frmAbout::idMPver), L"Media Player version: 6.4.9.1131");
    about.setMediaPlayerVersion(L"9.0.0.3250");
    EXPECT_EQ(controlText(about, frmAbout::idMPver), L"Media Player version: 9.0.0.3250");

    SendMessageW(about.hwnd(), WM_CLOSE, 0, 0);
    EXPECT_FALSE(about.hwnd() != nullptr);
    ASSERT_TRUE(about.load());
    EXPECT_EQ(controlText(about, frmAbout::idMPver), L"MPversion");
    EXPECT_EQ(controlText(about, frmAbout::idVersion), L"Version 1.3.1");
}

TEST(ProgramVersionText, ReadsTheVersionResource) {
    const std::wstring folder = addSlash(programFolder());
    EXPECT_EQ(programVersionText(folder + L"media_check_v6_4_9_1131.dll"), L"Version 6.4.9");
    EXPECT_EQ(programVersionText(folder + L"media_check_noversion.dll"), L"Version 1.3.1");
}

// The modal run: keys posted to the focused control before the loop starts, a watchdog
// that closes the dialog if they do not.
struct ModalRun {
    static inline frmAbout* about = nullptr;
    static inline HWND other = nullptr;
    static inline WPARAM key = 0;
    static inline bool otherWasDisabled = false;
    static inline bool visible = false;
    static inline bool focusOnOK = false;
    static inline bool timedOut = false;

    static void CALLBACK pressKey(HWND, UINT, UINT_PTR id, DWORD) {
        KillTimer(nullptr, id);
        otherWasDisabled = !IsWindowEnabled(other);
        visible = IsWindowVisible(about->hwnd());
        const HWND focus = GetFocus();
        // Another test's window may hold the activation meanwhile; when ours has it, OK has the focus.
        focusOnOK = GetActiveWindow() != about->hwnd() || focus == GetDlgItem(about->hwnd(), frmAbout::idOK);
        const HWND target = focus ? focus : GetDlgItem(about->hwnd(), frmAbout::idOK);
        PostMessageW(target, WM_KEYDOWN, key, 0);
        PostMessageW(target, WM_KEYUP, key, 0);
    }
    static void CALLBACK watchdog(HWND, UINT, UINT_PTR id, DWORD) {
        KillTimer(nullptr, id);
        if (about->hwnd()) {
            timedOut = true;
            about->unload();
        }
    }
};

TEST(frmAbout, EnterAndEscapeCloseTheModalDialog) {
    const HWND other = CreateWindowExW(0, L"STATIC", L"main", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 200, 100,
                                       nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    ASSERT_TRUE(other);
    for (WPARAM key : {VK_RETURN, VK_ESCAPE}) {
        SCOPED_TRACE(key == VK_RETURN ? "Enter" : "Escape");
        frmAbout about;
        ModalRun::about = &about;
        ModalRun::other = other;
        ModalRun::key = key;
        ModalRun::timedOut = ModalRun::otherWasDisabled = ModalRun::visible = ModalRun::focusOnOK = false;
        const UINT_PTR press = SetTimer(nullptr, 0, 200, ModalRun::pressKey);
        const UINT_PTR guard = SetTimer(nullptr, 0, 10000, ModalRun::watchdog);
        about.showModal();
        KillTimer(nullptr, press);
        KillTimer(nullptr, guard);

        EXPECT_FALSE(ModalRun::timedOut);
        EXPECT_FALSE(about.hwnd() != nullptr);
        EXPECT_TRUE(ModalRun::visible);
        EXPECT_TRUE(ModalRun::otherWasDisabled);
        EXPECT_TRUE(ModalRun::focusOnOK);
        EXPECT_TRUE(IsWindowEnabled(other));
    }
    DestroyWindow(other);
}

}  // namespace
}  // namespace zt
