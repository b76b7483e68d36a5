#pragma once
// A sound's integrated loudness as ITU-R BS.1770-4 measures it (K-weighting, 400 ms blocks
// every 100 ms, an absolute gate at -70 LUFS and a relative one 10 LU below the mean) and its
// sample peak; the gain that evens it out; and the measurements kept for the life of the
// program. No window code.
#include <cstddef>
#include <cstdint>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace zt {

struct Loudness {
    double lufs = 0;  // integrated loudness
    double peak = 0;  // the largest sample, as an amplitude (1: full scale)
};

// One biquad section in transposed direct form II, run on doubles.
struct Biquad {
    double b0 = 1, b1 = 0, b2 = 0, a1 = 0, a2 = 0;
    double s1 = 0, s2 = 0;

    double run(double x) {
        const double y = b0 * x + s1;
        s1 = b1 * x - a1 * y + s2;
        s2 = b2 * x - a2 * y;
        return y;
    }
};

// The two stages of the K-weighting filter (the high shelf, then the high pass) for a
// sample rate, derived from their analogue prototypes: at 48 kHz they are the coefficients
// the recommendation lists.
Biquad kWeightingShelf(double sampleRate);
Biquad kWeightingHighPass(double sampleRate);

class LoudnessMeter {
public:
    // `mask`: the channels' speakers (WAVEFORMATEXTENSIBLE's bits, lowest first); 0 for the
    // usual layout of the count. Left, right and centre weigh 1, the surrounds 1.41, the
    // LFE nothing.
    LoudnessMeter(unsigned channels, std::uint32_t sampleRate, std::uint32_t mask = 0);

    // Adds `frames` interleaved frames.
    void add(const float* samples, std::size_t frames);

    // The loudness of everything added: gated over whole blocks, or, when there was less
    // than one block, the mean over all of it. Nothing for silence (or nothing added).
    std::optional<Loudness> result() const;

    const std::vector<double>& weights() const { return weights_; }

private:
    template <unsigned N>
    void filterChannels(const float* samples, std::size_t frames, unsigned first, float& peak);
    void endStep();

    unsigned channels_;
    std::uint32_t rate_;
    std::vector<double> weights_;
    std::vector<Biquad> filters_;  // two per channel
    std::vector<double> stepSum_;  // each channel's squares in the step under way
    std::uint64_t frames_ = 0;
    std::uint64_t stepEnd_;  // the frame at which the step under way ends
    std::uint64_t step_ = 0;
    // The weighted power and the frames of the last four steps: a block is four steps.
    double stepPower_[4] = {};
    std::uint64_t stepFrames_[4] = {};
    std::uint64_t stepStart_ = 0;
    std::vector<double> blocks_;  // each whole block's weighted mean square
    std::vector<double> total_;   // each channel's squares over everything, for a short sound
    double peak_ = 0;
};

// The gain, in dB, that plays a sound of this loudness at kTargetLufs, lowered so that its
// peak stays at or below kPeakCeilingDb, and within kMinGainDb..kMaxGainDb.
inline constexpr double kTargetLufs = -18.0;
inline constexpr double kPeakCeilingDb = -1.0;
inline constexpr double kMaxGainDb = 20.0;
inline constexpr double kMinGainDb = -40.0;
double levelGainDb(const Loudness& loudness);

// Where a file's measurement is kept: by path, and only while its size and last write stay.
struct FileStamp {
    std::wstring path;
    std::uint64_t size = 0;
    std::uint64_t written = 0;
};

// The measurements made since the program started, safe to use from any thread. A file that
// could not be measured is kept as such, and is not measured again either.
class LoudnessCache {
public:
    // Found: the measurement (nothing: it could not be measured). Not found: nothing.
    std::optional<std::optional<Loudness>> find(const FileStamp& file) const;
    // Keeps one measurement per path: a changed file's replaces the old one.
    void keep(const FileStamp& file, const std::optional<Loudness>& loudness);
    std::size_t size() const;

private:
    struct Entry {
        std::uint64_t size;
        std::uint64_t written;
        std::optional<Loudness> loudness;
    };
    mutable std::mutex mutex_;
    std::map<std::wstring, Entry> entries_;
};

}  // namespace zt
