#pragma once
// The sound device's own volume (wave-out device 0), which playback keeps unchanged around
// each sound. A seam, so that tests need no sound card. No window code.
#include <cstdint>
#include <optional>

namespace zt {

class DeviceVolume {
public:
    virtual ~DeviceVolume() = default;
    // The packed left/right levels as the device reports them, or nothing when it cannot.
    virtual std::optional<std::uint32_t> read() = 0;
    virtual void write(std::uint32_t volume) = 0;
};

}  // namespace zt
