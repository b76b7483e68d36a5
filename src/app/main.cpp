// Entry point: creates the main window, runs its load sequence and the message loop.
#include <windows.h>
#include <commctrl.h>

#include "about/frmabout.h"
#include "app/single_instance.h"
#include "common/scoped.h"
#include "common/winutil.h"
#include "mainwindow/form1.h"

namespace {

// The About dialog behind the main window's view of it.
class About final : public zt::AboutBox {
public:
    explicit About(HINSTANCE instance) : dialog_(instance) {}
    void setMediaPlayerVersion(const std::wstring& mpVersion) override { dialog_.setMediaPlayerVersion(mpVersion); }
    void showModal() override { dialog_.showModal(); }

private:
    zt::frmAbout dialog_;
};

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    // Held until the process ends; a second start shows the first one's window instead.
    const zt::SingleInstance single;
    if (!single.first()) {
        zt::showRunningInstance();
        return 0;
    }

    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES | ICC_BAR_CLASSES};
    InitCommonControlsEx(&controls);
    zt::ComInit com;

    zt::Form1 form;
    if (!form.create(instance)) return 1;
    About about(instance);
    form.setAboutBox(&about);
    zt::registerDialogWindow(form.hwnd());
    form.Form_Load();
    form.activate();  // the first activation, also when the window starts hidden in the tray

    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) zt::dispatchMessage(msg);
    return static_cast<int>(msg.wParam);
}
