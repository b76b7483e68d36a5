#include "common/accessible_name.h"

#include <commctrl.h>
#include <oleacc.h>

#include "common/scoped.h"
#include "common/window.h"

namespace zt {

namespace {

// CLSID_CAccPropServices, which MinGW's import libraries do not define.
constexpr CLSID kAccPropServices = {0xb5f8350b, 0x0548, 0x48b1, {0xa6, 0xee, 0x88, 0xbd, 0x00, 0xb4, 0xa5, 0xe7}};

class SystemNaming final : public AccessibleNaming {
public:
    HRESULT setName(HWND control, const std::wstring& name) override {
        ComPtr<IAccPropServices> services;
        const HRESULT hr = CoCreateInstance(kAccPropServices, nullptr, CLSCTX_INPROC_SERVER, IID_IAccPropServices,
                                            services.putVoid());
        if (FAILED(hr)) return hr;
        return services->SetHwndPropStr(control, static_cast<DWORD>(OBJID_CLIENT), CHILDID_SELF, PROPID_ACC_NAME,
                                        name.c_str());
    }
    HRESULT clearName(HWND control) override {
        ComPtr<IAccPropServices> services;
        const HRESULT hr = CoCreateInstance(kAccPropServices, nullptr, CLSCTX_INPROC_SERVER, IID_IAccPropServices,
                                            services.putVoid());
        if (FAILED(hr)) return hr;
        MSAAPROPID name = PROPID_ACC_NAME;
        return services->ClearHwndProps(control, static_cast<DWORD>(OBJID_CLIENT), CHILDID_SELF, &name, 1);
    }
};

// On the named control: clears its name as it is destroyed.
LRESULT CALLBACK clearOnDestroy(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR id, DWORD_PTR naming) {
    return guardedSubclass(hwnd, msg, wParam, lParam, [&] {
        if (msg == WM_NCDESTROY) {
            reinterpret_cast<AccessibleNaming*>(naming)->clearName(hwnd);
            RemoveWindowSubclass(hwnd, clearOnDestroy, id);
        }
        return DefSubclassProc(hwnd, msg, wParam, lParam);
    });
}

}  // namespace

AccessibleNaming& systemAccessibleNaming() {
    static SystemNaming naming;
    return naming;
}

bool nameForScreenReaders(HWND control, const std::wstring& name, AccessibleNaming& naming) {
    if (FAILED(naming.setName(control, name))) return false;
    SetWindowSubclass(control, clearOnDestroy, 1, reinterpret_cast<DWORD_PTR>(&naming));
    return true;
}

}  // namespace zt
