#include "common/icons.h"

#include <commctrl.h>

#include <utility>

namespace zt {

namespace {

// Looked up at run time: both are in Common Controls 6 only, which the manifest asks for;
// a program without it (a test, an older system) gets the plain load.
template <typename F>
F commonControls(const char* name) {
    const HMODULE module = GetModuleHandleW(L"comctl32.dll");
    return module ? reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(module, name))) : nullptr;
}

using LoadIconMetricFn = HRESULT(WINAPI*)(HINSTANCE, PCWSTR, int, HICON*);
using LoadIconWithScaleDownFn = HRESULT(WINAPI*)(HINSTANCE, PCWSTR, int, int, HICON*);

HICON loadImage(HINSTANCE instance, int id, int size) {
    return static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(id), IMAGE_ICON, size, size, LR_DEFAULTCOLOR));
}

}  // namespace

HICON loadIconMetric(HINSTANCE instance, int id, bool large) {
    static const auto load = commonControls<LoadIconMetricFn>("LoadIconMetric");
    HICON icon = nullptr;
    if (load && SUCCEEDED(load(instance, MAKEINTRESOURCEW(id), large ? LIM_LARGE : LIM_SMALL, &icon))) return icon;
    return loadImage(instance, id, GetSystemMetrics(large ? SM_CXICON : SM_CXSMICON));
}

HICON loadIconForDpi(HINSTANCE instance, int id, bool large, UINT dpi) {
    static const auto load = commonControls<LoadIconWithScaleDownFn>("LoadIconWithScaleDown");
    const int size = GetSystemMetricsForDpi(large ? SM_CXICON : SM_CXSMICON, dpi);
    HICON icon = nullptr;
    if (load && SUCCEEDED(load(instance, MAKEINTRESOURCEW(id), size, size, &icon))) return icon;
    return loadImage(instance, id, size);
}

int iconWidth(HICON icon) {
    ICONINFO info{};
    if (!icon || !GetIconInfo(icon, &info)) return 0;
    const ScopedBitmap colour(info.hbmColor);
    const ScopedBitmap mask(info.hbmMask);
    BITMAP bitmap{};
    // A colour icon has both bitmaps; a monochrome one only the mask, twice its height.
    GetObjectW(colour ? colour.get() : mask.get(), sizeof bitmap, &bitmap);
    return bitmap.bmWidth;
}

void WindowIcons::apply(HWND hwnd, HINSTANCE instance, int id, UINT dpi) {
    ScopedIcon small(loadIconForDpi(instance, id, false, dpi));
    ScopedIcon large(loadIconForDpi(instance, id, true, dpi));
    // The window keeps using the old ones until it has the new: they go after.
    if (small) SendMessageW(hwnd, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(small.get()));
    if (large) SendMessageW(hwnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(large.get()));
    if (small) small_ = std::move(small);
    if (large) large_ = std::move(large);
}

}  // namespace zt
