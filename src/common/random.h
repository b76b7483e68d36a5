#pragma once
// The program's one source of random numbers. Seeded from the clock when the main window
// loads; tests seed fixed values so that a run can be repeated exactly.
#include <cstdint>

namespace zt {

class Random {
public:
    explicit Random(std::uint64_t seedValue = 0) { seed(seedValue); }

    // Starts the sequence over; the same value always gives the same sequence.
    void seed(std::uint64_t value) { state_ = value; }

    // Uniform in [0, 1) in single precision: 24 random bits scaled by 2^-24, so every value
    // is exact and the largest is 1 - 2^-24, never 1.0.
    float next();

private:
    std::uint64_t nextBits();
    std::uint64_t state_ = 0;
};

// The generator shared by the whole program.
Random& programRandom();

}  // namespace zt
