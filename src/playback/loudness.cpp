#include "playback/loudness.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "playback/downmix.h"

namespace zt {

namespace {

// The speakers that weigh other than 1.
constexpr std::uint32_t kLowFrequency = 0x8;
constexpr std::uint32_t kSurrounds = 0x10 | 0x20 | 0x200 | 0x400;  // back and side, left and right
constexpr double kSurroundWeight = 1.41;

constexpr double kBlockOffset = -0.691;
constexpr double kAbsoluteGate = -70.0;
constexpr double kRelativeGate = -10.0;

double lufsOf(double power) { return kBlockOffset + 10.0 * std::log10(power); }
double powerOf(double lufs) { return std::pow(10.0, (lufs - kBlockOffset) / 10.0); }

}  // namespace

Biquad kWeightingShelf(double sampleRate) {
    constexpr double f0 = 1681.974450955533;
    constexpr double gainDb = 3.999843853973347;
    constexpr double q = 0.7071752369554196;
    const double k = std::tan(std::numbers::pi * f0 / sampleRate);
    const double vh = std::pow(10.0, gainDb / 20.0);
    const double vb = std::pow(vh, 0.4996667741545416);
    const double a0 = 1.0 + k / q + k * k;
    Biquad f;
    f.b0 = (vh + vb * k / q + k * k) / a0;
    f.b1 = 2.0 * (k * k - vh) / a0;
    f.b2 = (vh - vb * k / q + k * k) / a0;
    f.a1 = 2.0 * (k * k - 1.0) / a0;
    f.a2 = (1.0 - k / q + k * k) / a0;
    return f;
}

Biquad kWeightingHighPass(double sampleRate) {
    constexpr double f0 = 38.13547087602444;
    constexpr double q = 0.5003270373238773;
    const double k = std::tan(std::numbers::pi * f0 / sampleRate);
    const double a0 = 1.0 + k / q + k * k;
    Biquad f;
    f.b0 = 1.0;
    f.b1 = -2.0;
    f.b2 = 1.0;
    f.a1 = 2.0 * (k * k - 1.0) / a0;
    f.a2 = (1.0 - k / q + k * k) / a0;
    return f;
}

LoudnessMeter::LoudnessMeter(unsigned channels, std::uint32_t sampleRate, std::uint32_t mask)
    : channels_(channels), rate_(sampleRate), weights_(channels, 1.0), stepSum_(channels), total_(channels) {
    if (mask == 0) mask = defaultChannelMask(channels);
    for (unsigned c = 0; c < channels && mask != 0; ++c) {
        const std::uint32_t speaker = mask & (~mask + 1);  // the lowest bit left
        mask &= mask - 1;
        if (speaker == kLowFrequency) weights_[c] = 0.0;
        if ((speaker & kSurrounds) != 0) weights_[c] = kSurroundWeight;
    }
    for (unsigned c = 0; c < channels; ++c) {
        filters_.push_back(kWeightingShelf(sampleRate));
        filters_.push_back(kWeightingHighPass(sampleRate));
    }
    stepEnd_ = std::max<std::uint64_t>(1, rate_ / 10);
}

void LoudnessMeter::add(const float* samples, std::size_t frames) {
    if (channels_ == 0 || rate_ == 0) return;
    while (frames > 0) {
        // Up to the end of the step under way, one channel at a time: the filters' state
        // stays in registers.
        const auto run = static_cast<std::size_t>(std::min<std::uint64_t>(frames, stepEnd_ - frames_));
        float peak = 0;
        unsigned c = 0;
        for (; c + 1 < channels_; c += 2) filterChannels<2>(samples, run, c, peak);
        if (c < channels_) filterChannels<1>(samples, run, c, peak);
        peak_ = std::max(peak_, static_cast<double>(peak));
        samples += run * channels_;
        frames -= run;
        frames_ += run;
        if (frames_ == stepEnd_) endStep();
    }
}

// N channels from `first` on at once, so that their filters' recursions overlap; the state
// stays in registers for the run.
template <unsigned N>
void LoudnessMeter::filterChannels(const float* samples, std::size_t frames, unsigned first, float& peak) {
    Biquad shelf[N], pass[N];
    double sum[N] = {};
    for (std::size_t i = 0; i < N; ++i) {
        shelf[i] = filters_[2 * (first + i)];
        pass[i] = filters_[2 * (first + i) + 1];
    }
    const float* x = samples + first;
    for (std::size_t f = 0; f < frames; ++f, x += channels_) {
        for (unsigned i = 0; i < N; ++i) {
            peak = std::max(peak, std::abs(x[i]));
            const double y = pass[i].run(shelf[i].run(x[i]));
            sum[i] += y * y;
        }
    }
    for (std::size_t i = 0; i < N; ++i) {
        filters_[2 * (first + i)] = shelf[i];
        filters_[2 * (first + i) + 1] = pass[i];
        stepSum_[first + i] += sum[i];
    }
}

// Steps end on the frames nearest each tenth of a second, so that rates that do not divide
// by ten still make 400 ms blocks on average.
void LoudnessMeter::endStep() {
    double power = 0;
    for (unsigned c = 0; c < channels_; ++c) {
        power += weights_[c] * stepSum_[c];
        total_[c] += stepSum_[c];
        stepSum_[c] = 0;
    }
    const std::size_t slot = step_ % 4;
    stepPower_[slot] = power;
    stepFrames_[slot] = frames_ - stepStart_;
    stepStart_ = frames_;
    ++step_;
    stepEnd_ = std::max(frames_ + 1, (step_ + 1) * rate_ / 10);
    if (step_ >= 4) {
        double sum = 0;
        std::uint64_t n = 0;
        for (int i = 0; i < 4; ++i) {
            sum += stepPower_[i];
            n += stepFrames_[i];
        }
        blocks_.push_back(sum / static_cast<double>(n));
    }
}

std::optional<Loudness> LoudnessMeter::result() const {
    double power = 0;
    if (blocks_.empty()) {
        // Shorter than a block: everything, ungated.
        if (frames_ == 0) return std::nullopt;
        for (unsigned c = 0; c < channels_; ++c) power += weights_[c] * (total_[c] + stepSum_[c]);
        power /= static_cast<double>(frames_);
    } else {
        const auto gatedMean = [&](double gate) {
            double sum = 0;
            std::size_t n = 0;
            for (const double block : blocks_)
                if (block > gate) {
                    sum += block;
                    ++n;
                }
            return n == 0 ? 0.0 : sum / static_cast<double>(n);
        };
        const double absolute = powerOf(kAbsoluteGate);
        const double ungated = gatedMean(absolute);
        if (ungated <= 0) return std::nullopt;
        power = gatedMean(std::max(absolute, powerOf(lufsOf(ungated) + kRelativeGate)));
    }
    if (!(power > 0)) return std::nullopt;
    return Loudness{lufsOf(power), peak_};
}

double levelGainDb(const Loudness& loudness) {
    double gain = kTargetLufs - loudness.lufs;
    if (loudness.peak > 0) gain = std::min(gain, kPeakCeilingDb - 20.0 * std::log10(loudness.peak));
    return std::clamp(gain, kMinGainDb, kMaxGainDb);
}

std::optional<std::optional<Loudness>> LoudnessCache::find(const FileStamp& file) const {
    const std::lock_guard lock(mutex_);
    const auto it = entries_.find(file.path);
    if (it == entries_.end() || it->second.size != file.size || it->second.written != file.written)
        return std::nullopt;
    return it->second.loudness;
}

void LoudnessCache::keep(const FileStamp& file, const std::optional<Loudness>& loudness) {
    const std::lock_guard lock(mutex_);
    entries_.insert_or_assign(file.path, Entry{file.size, file.written, loudness});
}

std::size_t LoudnessCache::size() const {
    const std::lock_guard lock(mutex_);
    return entries_.size();
}

}  // namespace zt
