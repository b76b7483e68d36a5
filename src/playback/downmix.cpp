#include "playback/downmix.h"

namespace zt {

namespace {

// The speaker bits, in the order channels take them.
enum Speaker : std::uint32_t {
    frontLeft = 0x1, frontRight = 0x2, frontCenter = 0x4, lowFrequency = 0x8, backLeft = 0x10, backRight = 0x20,
    frontLeftOfCenter = 0x40, frontRightOfCenter = 0x80, backCenter = 0x100, sideLeft = 0x200, sideRight = 0x400,
    topCenter = 0x800, topFrontLeft = 0x1000, topFrontCenter = 0x2000, topFrontRight = 0x4000, topBackLeft = 0x8000,
    topBackCenter = 0x10000, topBackRight = 0x20000,
};

constexpr float kMinus3Db = 0.70710678f;

struct Weights {
    float left;
    float right;
};

Weights weightsOf(std::uint32_t speaker) {
    switch (speaker) {
        case frontLeft: return {1.0f, 0.0f};
        case frontRight: return {0.0f, 1.0f};
        case frontCenter:
        case backCenter:
        case topCenter:
        case topFrontCenter:
        case topBackCenter: return {kMinus3Db, kMinus3Db};
        case backLeft:
        case frontLeftOfCenter:
        case sideLeft:
        case topFrontLeft:
        case topBackLeft: return {kMinus3Db, 0.0f};
        case backRight:
        case frontRightOfCenter:
        case sideRight:
        case topFrontRight:
        case topBackRight: return {0.0f, kMinus3Db};
        default: return {0.0f, 0.0f};  // the LFE, and channels on no speaker
    }
}

}  // namespace

std::uint32_t defaultChannelMask(unsigned channels) {
    switch (channels) {
        case 1: return frontCenter;
        case 2: return frontLeft | frontRight;
        case 3: return frontLeft | frontRight | frontCenter;
        case 4: return frontLeft | frontRight | backLeft | backRight;
        case 5: return frontLeft | frontRight | frontCenter | backLeft | backRight;
        case 6: return frontLeft | frontRight | frontCenter | lowFrequency | backLeft | backRight;
        case 7: return frontLeft | frontRight | frontCenter | lowFrequency | backCenter | sideLeft | sideRight;
        case 8: return frontLeft | frontRight | frontCenter | lowFrequency | backLeft | backRight | sideLeft | sideRight;
        default: return 0;
    }
}

ChannelMixer::ChannelMixer(unsigned from, std::uint32_t mask, unsigned to)
    : from_(from), to_(to), left_(from, 0.0f), right_(from, 0.0f) {
    if (mask == 0) mask = defaultChannelMask(from);
    unsigned channel = 0;
    for (std::uint32_t bit = 1; bit != 0 && channel < from; bit <<= 1) {
        if (!(mask & bit)) continue;
        const Weights w = weightsOf(bit);
        left_[channel] = w.left;
        right_[channel] = w.right;
        ++channel;
    }
}

void ChannelMixer::mix(const float* in, std::size_t frames, float* out) const {
    for (std::size_t f = 0; f < frames; ++f, in += from_, out += to_) {
        float left = 0.0f;
        float right = 0.0f;
        for (unsigned c = 0; c < from_; ++c) {
            left += in[c] * left_[c];
            right += in[c] * right_[c];
        }
        if (to_ == 1) {
            out[0] = (left + right) / 2;
            continue;
        }
        out[0] = left;
        out[1] = right;
        for (unsigned c = 2; c < to_; ++c) out[c] = 0.0f;
    }
}

}  // namespace zt
