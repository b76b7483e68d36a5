#pragma once
// Sounds of more channels than the sound engine takes, mixed down to the device's: each
// speaker into left and right, centre and surrounds at -3 dB, the LFE left out. No window
// code.
#include <cstddef>
#include <cstdint>
#include <vector>

namespace zt {

// The speakers of a channel count's usual layout (WAVEFORMATEXTENSIBLE's bits), for files
// that name none.
std::uint32_t defaultChannelMask(unsigned channels);

class ChannelMixer {
public:
    // From `from` channels on the speakers of `mask` (their lowest bits in order; 0: the
    // usual layout) to `to` channels: left and right first, any further ones silent, a
    // single one the mean of left and right.
    ChannelMixer(unsigned from, std::uint32_t mask, unsigned to);

    // Mixes `frames` interleaved frames from `in` into `out` (frames * to samples).
    void mix(const float* in, std::size_t frames, float* out) const;

    // The weights of the source channels in the left and right outputs.
    const std::vector<float>& left() const { return left_; }
    const std::vector<float>& right() const { return right_; }

private:
    unsigned from_;
    unsigned to_;
    std::vector<float> left_;
    std::vector<float> right_;
};

}  // namespace zt
