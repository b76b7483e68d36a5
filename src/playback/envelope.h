#pragma once
// How a sound's level moves over its life, on top of its steady gain: the soft start (from
// -20 dB to full over its first second, evenly in dB) and the fade to silence that ends a
// sound cut short, so that neither its start nor a stop clicks. No window code.
#include <cstddef>
#include <cstdint>

namespace zt {

class SoundEnvelope {
public:
    static constexpr double kSoftStartDb = -20.0;
    static constexpr double kSoftStartSeconds = 1.0;
    static constexpr double kFadeSeconds = 0.02;

    SoundEnvelope(std::uint32_t sampleRate, bool softStart);

    // Multiplies `frames` interleaved frames by the envelope and moves it on. Past the end of
    // a fade the frames are silent.
    void apply(float* samples, std::size_t frames, unsigned channels);

    // From the next frame on, falls to silence over kFadeSeconds (a half cosine: no corner
    // at either end). Once is enough; later calls change nothing.
    void fadeOut();
    bool fading() const { return fadeFrames_ != 0; }
    // The frames the fade still needs; 0 when not fading or once silent.
    std::size_t fadeLeft() const { return fading() ? fadeFrames_ - fadeDone_ : 0; }

private:
    std::uint64_t softFrames_;  // 0: no soft start
    double softStep_ = 1;       // the gain's factor from one frame to the next
    double softGain_ = 1;
    std::uint64_t frame_ = 0;
    std::size_t fadeLength_;
    std::size_t fadeFrames_ = 0;
    std::size_t fadeDone_ = 0;
};

}  // namespace zt
