#pragma once
// Small owners for Win32 handles and COM pointers, so that no code path leaks one.
#include <windows.h>
#include <objbase.h>

#include <utility>

namespace zt {

// A handle of type H closed by Close::operator() when the owner goes; the invalid value
// is Invalid (INVALID_HANDLE_VALUE for searches, nullptr for everything else).
template <typename H, typename Close>
class Scoped {
public:
    Scoped() = default;
    explicit Scoped(H h) : h_(h) {}
    ~Scoped() { reset(); }
    Scoped(const Scoped&) = delete;
    Scoped& operator=(const Scoped&) = delete;
    Scoped(Scoped&& other) noexcept : h_(other.release()) {}
    Scoped& operator=(Scoped&& other) noexcept {
        if (this != &other) reset(other.release());
        return *this;
    }

    H get() const { return h_; }
    explicit operator bool() const { return Close::valid(h_); }
    H release() { return std::exchange(h_, Close::invalid()); }
    void reset(H h = Close::invalid()) {
        if (Close::valid(h_)) Close{}(h_);
        h_ = h;
    }
    // For out-parameters: releases what is held and hands out the slot.
    H* put() {
        reset();
        return &h_;
    }

private:
    H h_ = Close::invalid();
};

namespace detail {
template <typename H>
struct NullInvalid {
    static H invalid() { return nullptr; }
    static bool valid(H h) { return h != nullptr; }
};
struct CloseKey : NullInvalid<HKEY> {
    void operator()(HKEY k) const { RegCloseKey(k); }
};
struct CloseHandleNull : NullInvalid<HANDLE> {
    void operator()(HANDLE h) const { CloseHandle(h); }
};
struct CloseFind {
    static HANDLE invalid() { return INVALID_HANDLE_VALUE; }
    static bool valid(HANDLE h) { return h != INVALID_HANDLE_VALUE && h != nullptr; }
    void operator()(HANDLE h) const { FindClose(h); }
};
// Files and snapshots: the program opens none, the bench and the tests do.
struct CloseFile {
    static HANDLE invalid() { return INVALID_HANDLE_VALUE; }
    static bool valid(HANDLE h) { return h != INVALID_HANDLE_VALUE && h != nullptr; }
    void operator()(HANDLE h) const { CloseHandle(h); }
};
struct CloseMenu : NullInvalid<HMENU> {
    void operator()(HMENU m) const { DestroyMenu(m); }
};
struct CloseIcon : NullInvalid<HICON> {
    void operator()(HICON i) const { DestroyIcon(i); }
};
template <typename G>
struct CloseGdi : NullInvalid<G> {
    void operator()(G g) const { DeleteObject(g); }
};
struct CloseAccelerators : NullInvalid<HACCEL> {
    void operator()(HACCEL a) const { DestroyAcceleratorTable(a); }
};
struct FreeGlobal : NullInvalid<HGLOBAL> {
    void operator()(HGLOBAL g) const { GlobalFree(g); }
};
}  // namespace detail

using ScopedKey = Scoped<HKEY, detail::CloseKey>;
using ScopedHandle = Scoped<HANDLE, detail::CloseHandleNull>;
using ScopedFind = Scoped<HANDLE, detail::CloseFind>;
using ScopedFile = Scoped<HANDLE, detail::CloseFile>;
using ScopedMenu = Scoped<HMENU, detail::CloseMenu>;
using ScopedIcon = Scoped<HICON, detail::CloseIcon>;
using ScopedFont = Scoped<HFONT, detail::CloseGdi<HFONT>>;
using ScopedBrush = Scoped<HBRUSH, detail::CloseGdi<HBRUSH>>;
using ScopedBitmap = Scoped<HBITMAP, detail::CloseGdi<HBITMAP>>;
using ScopedAccelerators = Scoped<HACCEL, detail::CloseAccelerators>;
// Memory for the clipboard: the clipboard owns it once SetClipboardData has taken it.
using ScopedGlobal = Scoped<HGLOBAL, detail::FreeGlobal>;

// A counted COM reference.
template <typename T>
class ComPtr {
public:
    ComPtr() = default;
    ~ComPtr() { reset(); }
    ComPtr(const ComPtr& other) : p_(other.p_) {
        if (p_) p_->AddRef();
    }
    ComPtr& operator=(ComPtr other) noexcept {
        std::swap(p_, other.p_);
        return *this;
    }
    T* get() const { return p_; }
    T* operator->() const { return p_; }
    explicit operator bool() const { return p_ != nullptr; }
    void reset() {
        if (p_) std::exchange(p_, nullptr)->Release();
    }
    T** put() {
        reset();
        return &p_;
    }
    void** putVoid() { return reinterpret_cast<void**>(put()); }

    // QueryInterface into another interface; an empty pointer when it is not offered.
    template <typename U>
    ComPtr<U> as() const {
        ComPtr<U> other;
        if (p_) p_->QueryInterface(__uuidof(U), other.putVoid());
        return other;
    }

private:
    T* p_ = nullptr;
};

// A window's device context (GetDC), released when the owner goes.
class WindowDC {
public:
    explicit WindowDC(HWND hwnd) : hwnd_(hwnd), dc_(GetDC(hwnd)) {}
    ~WindowDC() {
        if (dc_) ReleaseDC(hwnd_, dc_);
    }
    WindowDC(const WindowDC&) = delete;
    WindowDC& operator=(const WindowDC&) = delete;
    HDC get() const { return dc_; }

private:
    HWND hwnd_;
    HDC dc_;
};

// COM for the lifetime of a scope (apartment threaded: the program has one UI thread).
class ComInit {
public:
    ComInit() : ok_(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) {}
    ~ComInit() {
        if (ok_) CoUninitialize();
    }
    ComInit(const ComInit&) = delete;
    ComInit& operator=(const ComInit&) = delete;
    bool ok() const { return ok_; }

private:
    bool ok_;
};

}  // namespace zt
