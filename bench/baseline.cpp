// The yardstick: the least a Win32 program with one visible window costs under the same
// conditions. One window with a line of text and a plain GetMessage loop, nothing else.
// Built a second time with ZT_BASELINE_COMMON_CONTROLS and the program's manifest: the same
// window in a process that has started common controls 6, as every themed program does.
// Built a third time with ZT_BASELINE_COUNTING as well: the least a program costs that shows
// a new value once a second the way a countdown must, in a read-only edit box and in a tray
// tip, and does nothing else.
#include <windows.h>
#ifdef ZT_BASELINE_COMMON_CONTROLS
#include <commctrl.h>
#endif
#ifdef ZT_BASELINE_COUNTING
#include <shellapi.h>

#include <cwchar>
#endif

namespace {

LRESULT CALLBACK windowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(hwnd, &ps);
        TextOutW(dc, 10, 10, L"baseline", 8);
        EndPaint(hwnd, &ps);
        return 0;
    }
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    default:
        return DefWindowProcW(hwnd, msg, wParam, lParam);
    }
}

#ifdef ZT_BASELINE_COUNTING
bool pump() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) return false;
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return true;
}

// Once a second of a clock read at the start: the value into the box, painted, and into the
// tip. Between the seconds it sleeps, waking for any message.
int countEverySecond(HWND hwnd, HINSTANCE instance) {
    HWND box = CreateWindowExW(WS_EX_CLIENTEDGE, WC_EDITW, L"", WS_CHILD | WS_VISIBLE | WS_TABSTOP | ES_AUTOHSCROLL |
                               ES_READONLY, 120, 200, 65, 25, hwnd, nullptr, instance, nullptr);
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof metrics;
    SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0);
    HFONT font = CreateFontIndirectW(&metrics.lfMessageFont);
    SendMessageW(box, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    NOTIFYICONDATAW tray{};
    tray.cbSize = sizeof tray;
    tray.hWnd = hwnd;
    tray.uID = 1;
    tray.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    tray.uCallbackMessage = WM_APP;
    tray.hIcon = LoadIconW(nullptr, IDI_APPLICATION);
    Shell_NotifyIconW(NIM_ADD, &tray);
    tray.uFlags = NIF_TIP;
    ULONGLONG boundary = GetTickCount64();
    bool running = true;
    for (int left = 100000; running; --left) {
        wchar_t value[16];
        swprintf(value, 16, L"%d", left);
        SetWindowTextW(box, value);
        UpdateWindow(box);
        swprintf(tray.szTip, 64, L"%d secs to go. Last played: bell.wav", left);
        Shell_NotifyIconW(NIM_MODIFY, &tray);
        running = pump();
        boundary += 1000;
        for (ULONGLONG now = GetTickCount64(); running && now < boundary; now = GetTickCount64()) {
            MsgWaitForMultipleObjectsEx(0, nullptr, static_cast<DWORD>(boundary - now), QS_ALLINPUT,
                                        MWMO_INPUTAVAILABLE);
            running = pump();
        }
    }
    Shell_NotifyIconW(NIM_DELETE, &tray);
    DeleteObject(font);
    return 0;
}
#endif

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int show) {
#ifdef ZT_BASELINE_COMMON_CONTROLS
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES | ICC_BAR_CLASSES};
    InitCommonControlsEx(&controls);
#endif
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = windowProc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = L"ZtBenchBaseline";
    if (!RegisterClassExW(&wc)) return 1;
    HWND hwnd = CreateWindowExW(0, wc.lpszClassName, L"baseline", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                                CW_USEDEFAULT, 400, 300, nullptr, nullptr, instance, nullptr);
    if (!hwnd) return 1;
    ShowWindow(hwnd, show);
    UpdateWindow(hwnd);
#ifdef ZT_BASELINE_COUNTING
    return countEverySecond(hwnd, instance);
#endif
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return static_cast<int>(msg.wParam);
}
