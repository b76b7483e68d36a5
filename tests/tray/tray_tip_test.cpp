#include "tray/tray_tip.h"

#include <gtest/gtest.h>

namespace zt {
namespace {

TEST(TrayTip, KeepsUpTo63CharactersWhole) {
    const std::wstring exact(63, L'x');
    EXPECT_EQ(trayTipText(exact), exact);
    EXPECT_EQ(trayTipText(L""), L"");
    EXPECT_EQ(trayTipText(L" zirrotone "), L" zirrotone ");
}

TEST(TrayTip, CutsLongerTextsTo63) {
    const std::wstring tip = L"42 secs to go. Last played: a-really-long-file-name-of-a-chime-sound.wav";
    ASSERT_GT(tip.size(), 63u);
    EXPECT_EQ(trayTipText(tip), tip.substr(0, 63));
}

TEST(TrayTip, KeepsCharactersOutsideLatin1) {
    const std::wstring tip = L"5 secs to go. Last played: \x041A\x043E\x043B\x043E\x043A\x043E\x043B.wav \x9234.mp3";
    EXPECT_EQ(trayTipText(tip), tip);
}

TEST(TrayTip, NeverSplitsASurrogatePair) {
    if constexpr (sizeof(wchar_t) == 2) {
        // A bell emoji (two UTF-16 units) straddling the limit is dropped whole.
        std::wstring tip(62, L'a');
        tip += L"\xD83D\xDD14";
        tip += L"tail";
        EXPECT_EQ(trayTipText(tip), std::wstring(62, L'a'));
        // One that ends exactly at the limit stays.
        std::wstring fits(61, L'a');
        fits += L"\xD83D\xDD14z";
        EXPECT_EQ(trayTipText(fits), fits.substr(0, 63));
    } else {
        std::wstring tip(62, L'a');
        tip += static_cast<wchar_t>(0x1F514);
        tip += L"tail";
        EXPECT_EQ(trayTipText(tip), tip.substr(0, 63));
    }
}

}  // namespace
}  // namespace zt
