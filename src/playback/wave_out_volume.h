#pragma once
// The volume of wave-out device 0 through winmm.
#include "playback/device_volume.h"

namespace zt {

class WaveOutVolume final : public DeviceVolume {
public:
    std::optional<std::uint32_t> read() override;
    void write(std::uint32_t volume) override;
};

}  // namespace zt
