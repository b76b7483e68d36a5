#include "playback/sample_gain.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <vector>

namespace zt {
namespace {

TEST(SampleGain, HundredthsOfADecibelAsAmplitude) {
    const struct {
        std::int32_t db;
        double gain;
    } cases[] = {{0, 1.0}, {-610, 0.495450}, {-2000, 0.1}, {-6000, 0.001}, {-9640, 1.5136e-5},
                 {-10000, 0.0}, {-20000, 0.0}, {500, 1.0}};
    for (const auto& c : cases) EXPECT_NEAR(gainOf(c.db), c.gain, c.gain * 1e-4 + 1e-9) << c.db;
}

TEST(SampleGain, LayoutsFromContainerSize) {
    EXPECT_EQ(sampleFormatOf(8, false), SampleFormat::u8);
    EXPECT_EQ(sampleFormatOf(16, false), SampleFormat::s16);
    EXPECT_EQ(sampleFormatOf(24, false), SampleFormat::s24);
    EXPECT_EQ(sampleFormatOf(32, false), SampleFormat::s32);
    EXPECT_EQ(sampleFormatOf(32, true), SampleFormat::f32);
    for (unsigned bits : {0u, 4u, 12u, 64u}) EXPECT_EQ(sampleFormatOf(bits, false), std::nullopt) << bits;
    EXPECT_EQ(sampleFormatOf(64, true), std::nullopt);
    EXPECT_EQ(sampleFormatOf(16, true), std::nullopt);
}

// Writes the values in the layout, applies the gain, reads them back.
template <typename T>
std::vector<T> scaled(std::vector<T> values, SampleFormat format, float gain) {
    applyGain(reinterpret_cast<std::uint8_t*>(values.data()), values.size(), format, gain);
    return values;
}

TEST(SampleGain, ScalesEachLayoutAroundItsSilence) {
    EXPECT_EQ(scaled<std::uint8_t>({128, 255, 0, 130, 127}, SampleFormat::u8, 0.5f),
              (std::vector<std::uint8_t>{128, 192, 64, 129, 127}));  // 127 is -1: -0.5 rounds to -1
    EXPECT_EQ(scaled<std::int16_t>({0, 32767, -32768, 3, -3}, SampleFormat::s16, 0.5f),
              (std::vector<std::int16_t>{0, 16384, -16384, 2, -2}));
    EXPECT_EQ(scaled<std::int32_t>({2147483647, -2147483647 - 1, 1000}, SampleFormat::s32, 0.25f),
              (std::vector<std::int32_t>{536870912, -536870912, 250}));
    EXPECT_EQ(scaled<float>({1.0f, -0.5f, 0.0f}, SampleFormat::f32, 0.5f), (std::vector<float>{0.5f, -0.25f, 0.0f}));
    // Silence is silence in every layout.
    EXPECT_EQ(scaled<std::int16_t>({1234, -1234}, SampleFormat::s16, 0.0f), (std::vector<std::int16_t>{0, 0}));
    EXPECT_EQ(scaled<std::uint8_t>({0, 255}, SampleFormat::u8, 0.0f), (std::vector<std::uint8_t>{128, 128}));
}

TEST(SampleGain, TwentyFourBitSamplesKeepTheirSignAndTheirNeighbours) {
    // 0x7FFFFF, -0x800000 and -2, packed little-endian, followed by a byte that is not a sample.
    std::vector<std::uint8_t> bytes = {0xFF, 0xFF, 0x7F, 0x00, 0x00, 0x80, 0xFE, 0xFF, 0xFF, 0xAA};
    applyGain(bytes.data(), 3, SampleFormat::s24, 0.5f);
    EXPECT_EQ(bytes, (std::vector<std::uint8_t>{0x00, 0x00, 0x40, 0x00, 0x00, 0xC0, 0xFF, 0xFF, 0xFF, 0xAA}));
}

TEST(SampleGain, GainsAboveOneRaiseAndSaturateInsteadOfWrapping) {
    EXPECT_EQ(scaled<std::uint8_t>({138, 118, 250, 5, 128}, SampleFormat::u8, 2.0f),
              (std::vector<std::uint8_t>{148, 108, 255, 0, 128}));
    EXPECT_EQ(scaled<std::int16_t>({1000, -1000, 20000, -20000, 32767, -32768}, SampleFormat::s16, 2.0f),
              (std::vector<std::int16_t>{2000, -2000, 32767, -32768, 32767, -32768}));
    EXPECT_EQ(scaled<std::int32_t>({1 << 20, 2000000000, -2000000000}, SampleFormat::s32, 10.0f),
              (std::vector<std::int32_t>{10 << 20, 2147483647, -2147483647 - 1}));
    EXPECT_EQ(scaled<float>({0.25f, 0.75f, -0.75f}, SampleFormat::f32, 2.0f), (std::vector<float>{0.5f, 1.0f, -1.0f}));
    // 0x100000 doubles; 0x600000 and -0x600000 stop at the ends of the 24-bit range.
    std::vector<std::uint8_t> bytes = {0x00, 0x00, 0x10, 0x00, 0x00, 0x60, 0x00, 0x00, 0xA0};
    applyGain(bytes.data(), 3, SampleFormat::s24, 2.0f);
    EXPECT_EQ(bytes, (std::vector<std::uint8_t>{0x00, 0x00, 0x20, 0xFF, 0xFF, 0x7F, 0x00, 0x00, 0x80}));
}

TEST(SampleGain, AttenuationNearFullScaleStaysInRange) {
    // Rounding the largest values with a gain just under one must not step past the end.
    EXPECT_EQ(scaled<std::int32_t>({2147483647, -2147483647 - 1}, SampleFormat::s32, 0.99999994f),
              (std::vector<std::int32_t>{2147483519, -2147483520}));
    // A float sound already beyond full scale is held at it.
    EXPECT_EQ(scaled<float>({3.0f, -3.0f}, SampleFormat::f32, 0.5f), (std::vector<float>{1.0f, -1.0f}));
}

TEST(SampleGain, FullGainLeavesTheBytesAlone) {
    std::vector<std::int16_t> values = {32767, -32768, 1};
    const auto before = values;
    applyGain(reinterpret_cast<std::uint8_t*>(values.data()), values.size(), SampleFormat::s16, 1.0f);
    EXPECT_EQ(values, before);
}

}  // namespace
}  // namespace zt
