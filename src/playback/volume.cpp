#include "playback/volume.h"

#include "common/numbers.h"

namespace zt {

namespace {

struct Band {
    double lower;
    double upper;
    double base;
    double multiplier;
    double offset;
};

// Each band's offset is where the previous band ends, so the lines join.
constexpr Band kBands[] = {
    {0, 10, 0, 7640, -9640},  {11, 20, 10, 560, -2000}, {21, 30, 20, 370, -1440},
    {31, 40, 30, 260, -1070}, {41, 50, 40, 200, -810},  {51, 60, 50, 160, -610},
    {61, 70, 60, 130, -450},  {71, 80, 70, 120, -320},  {81, 90, 80, 100, -200},
    {91, 100, 90, 100, -100},
};

}  // namespace

std::int16_t dbVol(double sliderVal) {
    for (const Band& band : kBands) {
        if (sliderVal <= band.upper && sliderVal >= band.lower) {
            // Keep this order of operations: it makes every whole slider value exact.
            const double value = band.offset + band.multiplier * ((sliderVal - band.base) / 10);
            return toInt16(value).value_or(0);
        }
    }
    return 0;
}

}  // namespace zt
