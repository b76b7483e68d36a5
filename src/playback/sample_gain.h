#pragma once
// The gain applied to decoded samples: hundredths of a decibel as a linear gain, and that
// gain applied in place to interleaved PCM of the layouts the decoders hand out.
// No window code.
#include <cstddef>
#include <cstdint>
#include <optional>

namespace zt {

// The sample layouts played: unsigned 8-bit, signed 16/24/32-bit little-endian integers,
// and 32-bit float.
enum class SampleFormat { u8, s16, s24, s32, f32 };

// The layout of one sample from its container size in bits and whether it is float;
// nothing for a layout that is not played.
std::optional<SampleFormat> sampleFormatOf(unsigned containerBits, bool isFloat);

// 10^(dB/20) for an attenuation in hundredths of a dB, clamped to -10000..0; -10000 (the
// bottom of the range) is silence.
float gainOf(std::int32_t hundredthsDb);

// Multiplies `samples` samples (all channels counted) at `data` by gain (0 or more), rounding
// integers to the nearest value; a result beyond the layout's range stays at its end (floats
// at -1 and 1) instead of wrapping. A gain of 1 leaves the bytes as they are.
void applyGain(std::uint8_t* data, std::size_t samples, SampleFormat format, float gain);

}  // namespace zt
