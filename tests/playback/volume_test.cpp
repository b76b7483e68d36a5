#include "playback/volume.h"

#include <gtest/gtest.h>

namespace zt {
namespace {

// The curve as lower bound, value there minus one step, and change per slider step: whole
// slider values land on whole numbers, so integer arithmetic is the exact truth.
struct Line {
    int lower;
    int upper;
    int start;
    int step;
};
constexpr Line kLines[] = {
    {0, 10, -9640, 764}, {11, 20, -2000, 56}, {21, 30, -1440, 37}, {31, 40, -1070, 26},
    {41, 50, -810, 20},  {51, 60, -610, 16},  {61, 70, -450, 13},  {71, 80, -320, 12},
    {81, 90, -200, 10},  {91, 100, -100, 10},
};

TEST(DbVol, EveryWholeSliderValueLiesOnItsBand) {
    int checked = 0;
    for (const Line& line : kLines) {
        const int base = line.lower == 0 ? 0 : line.lower - 1;
        for (int v = line.lower; v <= line.upper; ++v, ++checked)
            EXPECT_EQ(dbVol(v), line.start + line.step * (v - base)) << "slider " << v;
    }
    EXPECT_EQ(checked, 101);
}

TEST(DbVol, KnownPoints) {
    const struct {
        double slider;
        int attenuation;
    } cases[] = {{0, -9640}, {3, -7348}, {10, -2000}, {11, -1944}, {25, -1255}, {50, -610},
                 {51, -594}, {75, -260}, {90, -100},  {91, -90},   {99, -10},   {100, 0}};
    for (const auto& c : cases) EXPECT_EQ(dbVol(c.slider), c.attenuation) << c.slider;
}

TEST(DbVol, ValuesInNoBandGiveZero) {
    for (double v : {-1.0, -0.001, 100.5, 101.0, 10.5, 20.2, 50.5, 60.5, 90.9, 1e300})
        EXPECT_EQ(dbVol(v), 0) << v;
}

TEST(DbVol, FractionsInsideABandRoundHalfToEven) {
    EXPECT_EQ(dbVol(0.05), -9602);  // -9601.8
    EXPECT_EQ(dbVol(61.5), -430);   // -430.5: the even neighbour is nearer zero
    EXPECT_EQ(dbVol(62.5), -418);   // -417.5: here it is farther from zero
    EXPECT_EQ(dbVol(25.5), -1236);  // -1236.5
}

}  // namespace
}  // namespace zt
