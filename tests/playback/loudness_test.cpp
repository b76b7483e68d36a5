#include "playback/loudness.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <vector>

#include "playback/envelope.h"

namespace zt {
namespace {

// A tone in some channels of an interleaved sound: `dbfs` is its peak against full scale.
struct Tone {
    double seconds;
    double dbfs;  // -inf: silence
    double hz = 1000;
};

std::vector<float> sound(unsigned rate, unsigned channels, const std::vector<unsigned>& playing,
                         std::initializer_list<Tone> parts) {
    std::vector<bool> sounding(channels);
    for (const unsigned c : playing) sounding[c] = true;
    std::vector<float> out;
    std::size_t n = 0;
    for (const Tone& t : parts) {
        const double amplitude = std::pow(10.0, t.dbfs / 20.0);
        const auto frames = static_cast<std::size_t>(std::lround(t.seconds * rate));
        for (std::size_t f = 0; f < frames; ++f, ++n) {
            const auto x = static_cast<float>(amplitude * std::sin(2 * std::numbers::pi * t.hz * static_cast<double>(n) / rate));
            for (unsigned c = 0; c < channels; ++c) out.push_back(sounding[c] ? x : 0.0f);
        }
    }
    return out;
}

std::optional<Loudness> measured(const std::vector<float>& samples, unsigned rate, unsigned channels,
                                 std::uint32_t mask = 0) {
    LoudnessMeter meter(channels, rate, mask);
    // In uneven pieces, as a decoder hands them out.
    std::size_t at = 0;
    for (std::size_t piece = 1000; at < samples.size() / channels; piece = piece * 7 % 4093 + 1) {
        const std::size_t frames = std::min(piece, samples.size() / channels - at);
        meter.add(samples.data() + at * channels, frames);
        at += frames;
    }
    return meter.result();
}

constexpr double kSilence = -INFINITY;

TEST(Loudness, MeasuresAsTheRecommendationDoes) {
    const struct {
        const char* what;
        unsigned rate;
        unsigned channels;
        std::vector<unsigned> playing;
        std::initializer_list<Tone> parts;
        std::uint32_t mask;
        double lufs;
        double within;
    } cases[] = {
        // EBU Tech 3341's first two: a stereo 1 kHz sine in both channels.
        {"-23 dBFS", 48000, 2, {0, 1}, {{5, -23}}, 0, -23.0, 0.1},
        {"-33 dBFS", 48000, 2, {0, 1}, {{5, -33}}, 0, -33.0, 0.1},
        {"-23 dBFS at 44.1 kHz", 44100, 2, {0, 1}, {{5, -23}}, 0, -23.0, 0.1},
        {"-23 dBFS at 22.05 kHz", 22050, 2, {0, 1}, {{5, -23}}, 0, -23.0, 0.1},
        {"-23 dBFS at 11.025 kHz", 11025, 2, {0, 1}, {{5, -23}}, 0, -23.0, 0.15},
        // The relative gate leaves out what is more than 10 LU below the rest (Tech 3341 case
        // 3, shortened: the six blocks that straddle a change count, and take 0.2 LU off;
        // ungated it would be -25), and what is near is counted.
        {"quiet ends gated out", 48000, 2, {0, 1}, {{2, -36}, {6, -23}, {2, -36}}, 0, -23.2, 0.1},
        {"near ends counted", 48000, 2, {0, 1}, {{5, -26}, {5, -20}}, 0, -22.2, 0.2},
        // The absolute gate leaves out the silence, but not the blocks that straddle it.
        {"silence gated out", 48000, 2, {0, 1}, {{3, kSilence}, {3, -23}, {3, kSilence}}, 0, -23.4, 0.1},
        {"quiet but above -70", 48000, 2, {0, 1}, {{5, -65}}, 0, -65.0, 0.1},
        // Shorter than a block: the whole of it, ungated.
        {"a 200 ms clip", 48000, 2, {0, 1}, {{0.2, -23}}, 0, -23.0, 0.2},
        {"a 200 ms clip half silent", 48000, 2, {0, 1}, {{0.1, -23}, {0.1, kSilence}}, 0, -26.0, 0.2},
        // One channel of two is 3 dB less; the K-weighting at 100 Hz and 3 kHz.
        {"one channel", 48000, 2, {0}, {{5, -23}}, 0, -26.0, 0.1},
        {"mono", 48000, 1, {0}, {{5, -23}}, 0, -26.0, 0.1},
        {"100 Hz", 48000, 1, {0}, {{5, -23, 100}}, 0, -27.8, 0.1},
        {"3 kHz", 48000, 1, {0}, {{5, -23, 3000}}, 0, -22.9, 0.1},
        // 5.1 (FL FR FC LFE BL BR): a surround weighs 1.41, the LFE nothing.
        {"centre", 48000, 6, {2}, {{5, -23}}, 0x3F, -26.0, 0.1},
        {"back left", 48000, 6, {4}, {{5, -23}}, 0x3F, -24.5, 0.1},
        {"side left", 48000, 6, {4}, {{5, -23}}, 0x60F, -24.5, 0.1},
    };
    for (const auto& c : cases) {
        const auto result = measured(sound(c.rate, c.channels, c.playing, c.parts), c.rate, c.channels, c.mask);
        ASSERT_TRUE(result) << c.what;
        EXPECT_NEAR(result->lufs, c.lufs, c.within) << c.what;
    }
}

TEST(Loudness, NothingToMeasure) {
    EXPECT_FALSE(measured({}, 48000, 2));
    EXPECT_FALSE(measured(sound(48000, 2, {0, 1}, {{2, kSilence}}), 48000, 2)) << "silence";
    EXPECT_FALSE(measured(sound(48000, 2, {0, 1}, {{0.1, kSilence}}), 48000, 2)) << "a short silence";
    EXPECT_FALSE(measured(sound(48000, 2, {0, 1}, {{3, -80}}), 48000, 2)) << "all below the absolute gate";
    EXPECT_FALSE(measured(sound(48000, 6, {3}, {{3, -23}}), 48000, 6, 0x3F)) << "the LFE alone";
}

TEST(Loudness, SamplePeak) {
    auto samples = sound(48000, 2, {0, 1}, {{1, -12}});
    samples[777] = -0.9f;
    EXPECT_NEAR(measured(samples, 48000, 2)->peak, 0.9, 1e-6);
    EXPECT_NEAR(measured(sound(48000, 2, {0, 1}, {{1, -6}}), 48000, 2)->peak, 0.501, 0.001);
}

TEST(Loudness, CoefficientsAt48kHzAreTheListedOnes) {
    const Biquad shelf = kWeightingShelf(48000);
    EXPECT_NEAR(shelf.b0, 1.53512485958697, 1e-9);
    EXPECT_NEAR(shelf.b1, -2.69169618940638, 1e-9);
    EXPECT_NEAR(shelf.b2, 1.19839281085285, 1e-9);
    EXPECT_NEAR(shelf.a1, -1.69065929318241, 1e-9);
    EXPECT_NEAR(shelf.a2, 0.73248077421585, 1e-9);
    const Biquad pass = kWeightingHighPass(48000);
    EXPECT_NEAR(pass.a1, -1.99004745483398, 1e-9);
    EXPECT_NEAR(pass.a2, 0.99007225036621, 1e-9);
}

TEST(Loudness, LevelGain) {
    const struct {
        double lufs;
        double peakDb;
        double gainDb;
    } cases[] = {
        {-23, -20, 5},            // to -18
        {-8, -1, -10},            // down to -18
        {-35, -6, 5},             // raised only until its peak reaches -1 dBFS
        {-35, -30, 17},           // raised all the way
        {-60, -50, 20},           // at most +20 dB
        {30, 40, -40},            // at least -40 dB, even above full scale
        {-18, 0, -1},             // at the target, but its peak at full scale
    };
    for (const auto& c : cases)
        EXPECT_NEAR(levelGainDb({c.lufs, std::pow(10.0, c.peakDb / 20)}), c.gainDb, 1e-9) << c.lufs << " " << c.peakDb;
}

TEST(LoudnessCache, KeptByPathSizeAndLastWrite) {
    LoudnessCache cache;
    const FileStamp bell{L"C:\\s\\bell.wav", 1000, 42};
    EXPECT_FALSE(cache.find(bell));
    cache.keep(bell, Loudness{-20, 0.5});
    ASSERT_TRUE(cache.find(bell));
    EXPECT_EQ((*cache.find(bell))->lufs, -20);
    EXPECT_FALSE(cache.find({bell.path, 1001, 42})) << "another size";
    EXPECT_FALSE(cache.find({bell.path, 1000, 43})) << "written since";
    EXPECT_FALSE(cache.find({L"C:\\s\\gong.wav", 1000, 42})) << "another file";
    // Unmeasurable is kept too, and a changed file takes its old entry's place.
    cache.keep({bell.path, 1001, 43}, std::nullopt);
    const auto kept = cache.find({bell.path, 1001, 43});
    ASSERT_TRUE(kept);
    EXPECT_FALSE(*kept);
    EXPECT_EQ(cache.size(), 1u);
}

// The envelope's gain at each frame of a mono sound of ones.
std::vector<float> envelope(SoundEnvelope& e, std::size_t frames) {
    std::vector<float> ones(frames, 1.0f);
    e.apply(ones.data(), frames, 1);
    return ones;
}

TEST(SoundEnvelope, SoftStartRisesFromMinus20dBOverOneSecond) {
    SoundEnvelope e(1000, true);
    const auto gain = envelope(e, 1500);
    EXPECT_NEAR(gain[0], 0.1, 1e-6);
    EXPECT_NEAR(gain[500], std::pow(10.0, -0.5), 1e-4);  // -10 dB half way
    EXPECT_NEAR(gain[999], 1.0, 0.01);
    for (std::size_t i = 1; i < 1000; ++i) ASSERT_GT(gain[i], gain[i - 1]) << i;
    for (std::size_t i = 1000; i < 1500; ++i) ASSERT_EQ(gain[i], 1.0f) << i;
    SoundEnvelope off(1000, false);
    EXPECT_EQ(envelope(off, 10), std::vector<float>(10, 1.0f));
}

TEST(SoundEnvelope, FadeFallsSmoothlyToSilenceAndStays) {
    SoundEnvelope e(48000, false);
    envelope(e, 100);
    EXPECT_FALSE(e.fading());
    e.fadeOut();
    EXPECT_EQ(e.fadeLeft(), 960u);  // 20 ms
    const auto gain = envelope(e, 1200);
    EXPECT_EQ(gain[0], 1.0f);
    for (std::size_t i = 1; i < 960; ++i) {
        ASSERT_LT(gain[i], gain[i - 1]) << i;
        ASSERT_LT(gain[i - 1] - gain[i], 0.002) << "no step at " << i;
    }
    for (std::size_t i = 960; i < 1200; ++i) ASSERT_EQ(gain[i], 0.0f) << i;
    EXPECT_EQ(e.fadeLeft(), 0u);
    e.fadeOut();  // a second stop changes nothing
    EXPECT_EQ(e.fadeLeft(), 0u);
}

}  // namespace
}  // namespace zt
