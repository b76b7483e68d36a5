#include "common/winutil.h"

#include <oleauto.h>

#include <gtest/gtest.h>

#include <cwctype>
#include <thread>

#include "common/scoped.h"
#include "common/text.h"
#include "test_support.h"
#include "utf8.h"

namespace zt {
namespace {

std::wstring tempFolder() {
    wchar_t buffer[MAX_PATH];
    GetTempPathW(MAX_PATH, buffer);
    return buffer;
}

TEST(PathExists, TrueOnlyForFolders) {
    const std::wstring base = addSlash(tempFolder()) + L"zt_pathexists";
    CreateDirectoryW(base.c_str(), nullptr);
    const std::wstring file = base + L"\\file.wav";
    { ScopedFile f(CreateFileW(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr)); }

    EXPECT_TRUE(PathExists(base));
    EXPECT_TRUE(PathExists(base + L"\\"));
    EXPECT_FALSE(PathExists(file));
    EXPECT_TRUE(FileExists(file));
    EXPECT_FALSE(FileExists(base));
    EXPECT_FALSE(PathExists(base + L"\\missing"));
    EXPECT_FALSE(PathExists(L""));

    DeleteFileW(file.c_str());
    RemoveDirectoryW(base.c_str());
}

TEST(StrictNumber, AcceptsWholeNumbersOnly) {
    EXPECT_EQ(strictNumber(L"2.5"), 2.5);
    EXPECT_EQ(strictNumber(L" 1 "), 1.0);
    EXPECT_EQ(strictNumber(L"-0.1"), -0.1);
    EXPECT_FALSE(strictNumber(L"3 minutes"));
    EXPECT_FALSE(strictNumber(L""));
    EXPECT_FALSE(strictNumber(L"abc"));
    EXPECT_FALSE(strictNumber(L"1.2.3"));
}

// Plain digits are read without the platform (so that its library need not be loaded for
// them); they must come out exactly as the platform reads them.
TEST(StrictNumber, ReadsPlainDigitsExactlyAsThePlatformDoes) {
    for (const wchar_t* text : {L"0", L"7", L"10", L"0010", L"600", L"999999999999999", L"1234567890123456",
                                L"98765432109876543210"}) {
        double platform = 0;
        ASSERT_TRUE(SUCCEEDED(VarR8FromStr(const_cast<wchar_t*>(text), LOCALE_USER_DEFAULT, 0, &platform))) << text;
        EXPECT_EQ(strictNumber(text), platform) << text;
    }
}

TEST(FormatNumber, WritesInTheUserFormat) {
    // The test prefix runs with an English locale, so the point is ".".
    EXPECT_EQ(formatNumber(0.1), L"0.1");
    EXPECT_EQ(formatNumber(2), L"2");
    EXPECT_EQ(strictNumber(formatNumber(0.1)), 0.1);
}

TEST(FormatNumber, FollowsTheUsersDecimalSeparator) {
    // A German-style format for a moment: decimal comma, thousands point.
    wchar_t savedDecimal[8] = {}, savedThousand[8] = {};
    ASSERT_EQ(GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, savedDecimal, 8), 2);
    ASSERT_GT(GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_STHOUSAND, savedThousand, 8), 0);
    ASSERT_TRUE(SetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_STHOUSAND, L"."));
    ASSERT_TRUE(SetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, L","));
    const wchar_t separator = decimalSeparator();
    const std::wstring floor = formatNumber(0.1);
    SetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, savedDecimal);
    SetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_STHOUSAND, savedThousand);
    EXPECT_EQ(separator, L',');
    EXPECT_EQ(floor, L"0,1");
    EXPECT_EQ(lenientNumber(L"0,2", separator), 0.2);
    EXPECT_EQ(decimalSeparator(), L'.');
}

TEST(SystemMessage, GivesTheSystemsWordsAsAClauseAndNothingWhereItHasNone) {
    for (const HRESULT code : {HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND), HRESULT_FROM_WIN32(ERROR_ACCESS_DENIED), E_FAIL,
                               E_OUTOFMEMORY}) {
        SCOPED_TRACE(code);
        const auto words = systemMessage(code);
        ASSERT_TRUE(words);
        ASSERT_FALSE(words->empty());
        EXPECT_TRUE(std::iswlower(words->front())) << test::wideToUtf8(*words);
        EXPECT_EQ(words->find_first_of(L"\r\n"), std::wstring::npos) << test::wideToUtf8(*words);
        EXPECT_NE(words->back(), L'.');
    }
    // Codes no message table holds: a made-up one (customer bit set), with and without a
    // module to look in.
    const HRESULT madeUp = static_cast<HRESULT>(0xA0FE1234);
    EXPECT_FALSE(systemMessage(madeUp));
    EXPECT_FALSE(systemMessage(madeUp, GetModuleHandleW(L"kernel32.dll")));
}

TEST(ProgramFolder, IsTheFolderOfTheRunningFile) {
    const std::wstring path = programPath();
    const std::wstring folder = programFolder();
    ASSERT_FALSE(folder.empty());
    EXPECT_EQ(path.rfind(folder, 0), 0u);
    EXPECT_NE(folder.back(), L'\\');
    EXPECT_TRUE(FileExists(path));
}

TEST(Scoped, ClosesWhatItOwns) {
    HANDLE event = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    ASSERT_NE(event, nullptr);
    {
        ScopedHandle owner(event);
        EXPECT_TRUE(owner);
        ScopedHandle moved(std::move(owner));
        EXPECT_FALSE(owner);
        EXPECT_EQ(moved.get(), event);
    }
    DWORD flags = 0;
    EXPECT_FALSE(GetHandleInformation(event, &flags));  // closed exactly once, by the move target
}

TEST(ProcessPendingEvents, DispatchesPostedMessagesAndKeepsQuit) {
    static int seen = 0;
    WNDCLASSW wc{};
    wc.lpfnWndProc = [](HWND h, UINT m, WPARAM w, LPARAM l) -> LRESULT {
        if (m == WM_APP) ++seen;
        return DefWindowProcW(h, m, w, l);
    };
    wc.lpszClassName = L"ZtPumpTest";
    RegisterClassW(&wc);
    HWND hwnd = CreateWindowW(L"ZtPumpTest", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
    ASSERT_TRUE(hwnd);
    PostMessageW(hwnd, WM_APP, 0, 0);
    PostMessageW(hwnd, WM_APP, 0, 0);
    EXPECT_TRUE(processPendingEvents());
    EXPECT_EQ(seen, 2);

    PostQuitMessage(3);
    EXPECT_FALSE(processPendingEvents());
    MSG msg;
    ASSERT_TRUE(PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));  // left for the outer loop
    EXPECT_EQ(msg.wParam, 3u);
    DestroyWindow(hwnd);
}

TEST(SleepAnsweringSentMessages, AnswersSentMessagesButLeavesPostedOnes) {
    static bool sleeping = false;
    static int answered = 0, answeredWhileSleeping = 0;
    static int posted = 0;
    WNDCLASSW wc{};
    wc.lpfnWndProc = [](HWND h, UINT m, WPARAM w, LPARAM l) -> LRESULT {
        if (m == WM_APP) {
            ++answered;
            if (sleeping) ++answeredWhileSleeping;
        }
        if (m == WM_APP + 1) ++posted;
        return DefWindowProcW(h, m, w, l);
    };
    wc.lpszClassName = L"ZtSleepTest";
    RegisterClassW(&wc);
    HWND hwnd = CreateWindowW(L"ZtSleepTest", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
    ASSERT_TRUE(hwnd);
    PostMessageW(hwnd, WM_APP + 1, 0, 0);
    std::thread sender([hwnd] {
        Sleep(50);
        SendMessageW(hwnd, WM_APP, 0, 0);
    });
    const ULONGLONG start = GetTickCount64();
    sleeping = true;
    sleepAnsweringSentMessages(400);
    sleeping = false;
    const ULONGLONG end = GetTickCount64();
    sender.join();
    EXPECT_GE(end - start, 380u);           // still the whole step
    EXPECT_EQ(answered, 1);
    EXPECT_EQ(answeredWhileSleeping, 1);    // answered during the sleep, not after it
    EXPECT_EQ(posted, 0);                   // posted messages wait for the event pass
    processPendingEvents();
    EXPECT_EQ(posted, 1);
    DestroyWindow(hwnd);
}

}  // namespace
}  // namespace zt
