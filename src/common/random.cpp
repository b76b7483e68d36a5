#include "common/random.h"

namespace zt {

std::uint64_t Random::nextBits() {
    // SplitMix64: tiny, fast and statistically sound; any seed, including 0, is fine.
    std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ULL);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
    return z ^ (z >> 31);
}

float Random::next() {
    constexpr float kScale = 1.0f / 16777216.0f;  // 2^-24
    return static_cast<float>(nextBits() >> 40) * kScale;
}

Random& programRandom() {
    static Random random;
    return random;
}

}  // namespace zt
