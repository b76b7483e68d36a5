#include "common/random.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <vector>

namespace zt {
namespace {

TEST(Random, DrawsLieInUnitIntervalOnA24BitGrid) {
    Random random(1);
    constexpr int kDraws = 1'000'000;
    std::array<int, 16> buckets{};
    float highest = 0.0f;
    for (int i = 0; i < kDraws; ++i) {
        const float r = random.next();
        ASSERT_GE(r, 0.0f);
        ASSERT_LT(r, 1.0f);
        const float scaled = r * 16777216.0f;
        ASSERT_EQ(scaled, std::floor(scaled)) << r;
        highest = std::max(highest, r);
        ++buckets[static_cast<std::size_t>(r * 16.0f)];
    }
    EXPECT_GT(highest, 0.9999f);
    const double expected = kDraws / 16.0;
    for (int count : buckets) EXPECT_NEAR(count, expected, expected * 0.02);
}

TEST(Random, SameSeedGivesTheSameSequence) {
    Random a(42), b(42), c(43);
    std::vector<float> first, third;
    for (int i = 0; i < 100; ++i) {
        first.push_back(a.next());
        EXPECT_EQ(first.back(), b.next());
        third.push_back(c.next());
    }
    EXPECT_NE(first, third);
    a.seed(42);
    for (float value : first) EXPECT_EQ(a.next(), value);
}

TEST(Random, TheProgramSharesOneGenerator) {
    EXPECT_EQ(&programRandom(), &programRandom());
    programRandom().seed(7);
    const float value = programRandom().next();
    Random same(7);
    EXPECT_EQ(value, same.next());
}

}  // namespace
}  // namespace zt
