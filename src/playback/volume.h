#pragma once
// The volume slider's 0..100 as an attenuation for the media back end. No window code.
#include <cstdint>

namespace zt {

// Attenuation in hundredths of a decibel: -9640 at 0, 0 at 100, along ten straight bands
// that join into one curve. A value in no band (below 0, above 100, or a fraction between
// two bands) gives 0.
std::int16_t dbVol(double sliderVal);

}  // namespace zt
