#pragma once
// The "Play on" submenus: "Default device" and every active output device, read afresh each
// time one opens, the current choice ticked. Their items' commands are a range of ids that
// stand for the list as it was last read.
#include <windows.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "playback/output_device.h"

namespace zt {

class DeviceMenu {
public:
    using Lister = std::function<std::vector<OutputDevice>()>;

    explicit DeviceMenu(Lister list = activeOutputDevices) : list_(std::move(list)) {}

    // Makes an empty submenu that fill() recognises.
    static HMENU create();
    // WM_INITMENUPOPUP: when the popup is a "Play on" submenu, lists the devices in it and
    // ticks the current one (an endpoint id; empty: the default). A chosen device that is
    // not there is shown ticked and greyed under its name.
    void fill(HMENU popup, const std::wstring& current, const std::wstring& currentName);
    // The device a command chooses (empty id: the default), if it is one of the list's.
    std::optional<OutputDevice> chosen(int id) const;

private:
    Lister list_;
    std::vector<OutputDevice> shown_;  // by command: kMnuDeviceFirst + 1 + index
};

}  // namespace zt
