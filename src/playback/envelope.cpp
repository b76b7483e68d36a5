#include "playback/envelope.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace zt {

SoundEnvelope::SoundEnvelope(std::uint32_t sampleRate, bool softStart)
    : softFrames_(softStart ? static_cast<std::uint64_t>(std::llround(sampleRate * kSoftStartSeconds)) : 0),
      fadeLength_(std::max<std::size_t>(1, static_cast<std::size_t>(std::llround(sampleRate * kFadeSeconds)))) {
    if (softFrames_ > 0) {
        softGain_ = std::pow(10.0, kSoftStartDb / 20.0);
        softStep_ = std::pow(10.0, -kSoftStartDb / 20.0 / static_cast<double>(softFrames_));
    }
}

void SoundEnvelope::fadeOut() {
    if (!fading()) fadeFrames_ = fadeLength_;
}

void SoundEnvelope::apply(float* samples, std::size_t frames, unsigned channels) {
    for (std::size_t f = 0; f < frames; ++f, samples += channels) {
        const bool rising = frame_ < softFrames_;
        if (!rising && !fading()) return;  // the steady part: nothing to do
        double gain = rising ? softGain_ : 1.0;
        if (fading()) {
            gain *= fadeDone_ < fadeFrames_
                        ? 0.5 * (1.0 + std::cos(std::numbers::pi * static_cast<double>(fadeDone_) /
                                                static_cast<double>(fadeFrames_)))
                        : 0.0;
            fadeDone_ = std::min(fadeDone_ + 1, fadeFrames_);
        }
        for (unsigned c = 0; c < channels; ++c) samples[c] = static_cast<float>(samples[c] * gain);
        if (rising) softGain_ *= softStep_;
        ++frame_;
    }
}

}  // namespace zt
