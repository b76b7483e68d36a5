#include "playback/downmix.h"

#include <gtest/gtest.h>

#include <vector>

namespace zt {
namespace {

constexpr float kHalfPower = 0.70710678f;

// One source channel at full scale, the rest silent: where does it land?
struct Route {
    unsigned channels;
    std::uint32_t mask;  // 0: the usual layout for the count
    unsigned channel;
    float left, right;
};

TEST(ChannelMixer, RoutesEachSpeakerToLeftAndRight) {
    const Route routes[] = {
        // 5.1: FL FR FC LFE BL BR
        {6, 0, 0, 1, 0},
        {6, 0, 1, 0, 1},
        {6, 0, 2, kHalfPower, kHalfPower},
        {6, 0, 3, 0, 0},  // the LFE is left out
        {6, 0, 4, kHalfPower, 0},
        {6, 0, 5, 0, kHalfPower},
        // 7.1: FL FR FC LFE BL BR SL SR
        {8, 0, 6, kHalfPower, 0},
        {8, 0, 7, 0, kHalfPower},
        // Quad: FL FR BL BR
        {4, 0, 2, kHalfPower, 0},
        {4, 0, 3, 0, kHalfPower},
        // Three channels: FL FR FC
        {3, 0, 2, kHalfPower, kHalfPower},
        // The file's own speakers: FC and LFE only (0x4 | 0x8).
        {2, 0xC, 0, kHalfPower, kHalfPower},
        {2, 0xC, 1, 0, 0},
        // A channel beyond the speakers the file names plays nowhere.
        {3, 0x3, 2, 0, 0},
    };
    for (const Route& r : routes) {
        SCOPED_TRACE(testing::Message() << r.channels << " channels, mask " << r.mask << ", channel " << r.channel);
        const ChannelMixer mixer(r.channels, r.mask, 2);
        std::vector<float> frame(r.channels, 0.0f);
        frame[r.channel] = 1.0f;
        float out[2] = {-9, -9};
        mixer.mix(frame.data(), 1, out);
        EXPECT_FLOAT_EQ(out[0], r.left);
        EXPECT_FLOAT_EQ(out[1], r.right);
    }
}

TEST(ChannelMixer, MixesEveryFrameIntoTheDevicesChannels) {
    // Two 5.1 frames: all speakers at 0.5, then only the centre.
    const std::vector<float> in = {0.5f, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f, 0, 0, 1, 0, 0, 0};
    const float side = 0.5f + 0.5f * kHalfPower * 2;  // front + centre + surround

    float stereo[4];
    ChannelMixer(6, 0, 2).mix(in.data(), 2, stereo);
    EXPECT_FLOAT_EQ(stereo[0], side);
    EXPECT_FLOAT_EQ(stereo[1], side);
    EXPECT_FLOAT_EQ(stereo[2], kHalfPower);
    EXPECT_FLOAT_EQ(stereo[3], kHalfPower);

    // A mono device hears the mean; a four-channel one gets left and right and silence.
    float mono[2];
    ChannelMixer(6, 0, 1).mix(in.data(), 2, mono);
    EXPECT_FLOAT_EQ(mono[0], side);
    EXPECT_FLOAT_EQ(mono[1], kHalfPower);
    std::vector<float> quad(8, -9.0f);
    ChannelMixer(6, 0, 4).mix(in.data(), 2, quad.data());
    EXPECT_EQ(quad, (std::vector<float>{side, side, 0, 0, kHalfPower, kHalfPower, 0, 0}));
}

TEST(ChannelMixer, UsualLayoutsNameOneSpeakerPerChannel) {
    for (unsigned channels = 1; channels <= 8; ++channels)
        EXPECT_EQ(static_cast<unsigned>(__builtin_popcount(defaultChannelMask(channels))), channels) << channels;
    EXPECT_EQ(defaultChannelMask(9), 0u);
}

}  // namespace
}  // namespace zt
