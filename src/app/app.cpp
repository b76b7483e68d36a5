#include "app/app.h"

#include "common/random.h"

namespace zt {

App::App(HINSTANCE instance, const AppSeams& seams)
    : instance_(instance),
      about_(instance),
      form_({player_, driver_, scheduler_, gate_, store_, numbers_, about_,
             seams.picker ? *seams.picker : shellPicker_, seams.trayNotify}),
      scheduler_({form_.soundFolder(), form_, numbers_, waiter_, programRandom(),
                  [this](const std::wstring& path) { form_.playsound(path); },
                  [this] { return driver_.abandoned(); }}) {
    scheduler_.useGate(gate_);
}

bool App::create() { return form_.create(instance_); }

int App::run() {
    form_.Form_Load();
    form_.activate();  // the first activation, also when the window starts hidden in the tray
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) dispatchMessage(msg);
    return static_cast<int>(msg.wParam);
}

}  // namespace zt
