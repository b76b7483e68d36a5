#pragma once
// Names that screen readers announce for a control. A control takes its name from the label
// just before it; one with no label there is named explicitly here (Dynamic Annotation).
#include <windows.h>

#include <string>

namespace zt {

class AccessibleNaming {
public:
    virtual ~AccessibleNaming() = default;
    // The control's name for its client object (OBJID_CLIENT, CHILDID_SELF).
    virtual HRESULT setName(HWND control, const std::wstring& name) = 0;
    // Takes the name back, as the control goes.
    virtual HRESULT clearName(HWND control) = 0;
};

// The system's: IAccPropServices::SetHwndPropStr with PROPID_ACC_NAME. COM must be
// initialised on the calling thread.
AccessibleNaming& systemAccessibleNaming();

// Names the control through `naming` for as long as it exists (the name is cleared when the
// control is destroyed). False when the name could not be given.
bool nameForScreenReaders(HWND control, const std::wstring& name, AccessibleNaming& naming);

}  // namespace zt
