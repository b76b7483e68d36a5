// The real program under a locale whose decimal separator is a comma. Wine gives a process
// the locale of the Unix environment its first Wine ancestor was started in, so CMake runs
// this test program itself under LANG=de_DE.UTF-8 (a locale zt_install_deps generates), and
// the program it starts inherits it. A separator set as a user override would not do: Wine's
// VarR8FromStr ignores it.
#include <gtest/gtest.h>

#include <cstdio>

#include "common/numbers.h"
#include "mainwindow/ids.h"
#include "program.h"

namespace zt::e2e {
namespace {

using namespace std::chrono_literals;
using namespace test;

int countdown(Program& program) {
    const std::wstring text = program.text(ids::kTxtCountdown);
    return text.empty() ? -1 : static_cast<int>(lenientNumber(text));
}

TEST(CommaLocaleE2E, ADelayWrittenWithTheDecimalCommaIsCountedAndKept) {
    clearSettings();
    TempFolder sounds{L"zt_e2e_comma"};
    writeTone(sounds / L"bell.wav", 0.5);
    Program program(zirrotoneExe(), sounds.path());
    HWND hwnd = program.window();
    ASSERT_TRUE(hwnd);
    ASSERT_TRUE(waitFor([&] { return program.text(ids::kLblVolume) == L"50%"; }, 5s));
    program.command(ids::kMnuMute);  // a sound would hold the count
    // The first start's floor in the locale's format: the program does run under the comma.
    ASSERT_EQ(program.text(ids::kTxtDelay), L"0,1");
    SendMessageW(GetDlgItem(hwnd, ids::kTxtDelay), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"0,2"));
    // The fresh count after the edit: 0.2 minutes is 9 to 15 s. The floor (0.1) counts at
    // most 7 and "0,2" taken for 2 minutes at least 90, so only the comma read as the decimal
    // separator lands in between. The first value shows for a second; polling sees it.
    int first = -1;
    ASSERT_TRUE(waitFor([&] { return (first = countdown(program)) > 7; }, 15s)) << "last seen " << first;
    std::printf("first count after the edit: %d s\n", first);
    EXPECT_GE(first, 8);
    EXPECT_LE(first, 15);
    EXPECT_EQ(program.text(ids::kTxtDelay), L"0,2");
    program.command(ids::kMnuExit);
    ASSERT_TRUE(program.waitForExit(5s));
    EXPECT_EQ(settingText(L"delay"), L"0,2");
    clearSettings();
}

}  // namespace
}  // namespace zt::e2e
