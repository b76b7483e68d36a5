#pragma once
// The output devices the user can choose from ("Play on"). No window code.
#include <string>
#include <vector>

namespace zt {

struct OutputDevice {
    std::wstring id;    // the endpoint's id: what the choice is stored as
    std::wstring name;  // its friendly name: what the menu shows
};

// The active output devices, in the system's order; empty when there are none or they
// cannot be listed. COM must be initialised on the calling thread.
std::vector<OutputDevice> activeOutputDevices();

}  // namespace zt
