#include "playback/sample_gain.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <type_traits>

namespace zt {

namespace {

constexpr std::int32_t kSilent = -10000;

// value * gain rounded to the nearest integer within lowest..highest.
std::int32_t saturated(double value, double gain, double lowest, double highest) {
    return static_cast<std::int32_t>(std::clamp(std::round(value * gain), lowest, highest));
}

template <typename T>
void scaleEach(std::uint8_t* data, std::size_t samples, double gain) {
    for (std::size_t i = 0; i < samples; ++i, data += sizeof(T)) {
        T value;
        std::memcpy(&value, data, sizeof value);
        if constexpr (std::is_floating_point_v<T>) {
            // Full scale is 1: the device would clip beyond it anyway.
            value = std::clamp(static_cast<T>(value * gain), T{-1}, T{1});
        } else {
            using Limits = std::numeric_limits<T>;
            value = static_cast<T>(saturated(value, gain, Limits::min(), Limits::max()));
        }
        std::memcpy(data, &value, sizeof value);
    }
}

}  // namespace

std::optional<SampleFormat> sampleFormatOf(unsigned containerBits, bool isFloat) {
    if (isFloat) return containerBits == 32 ? std::optional(SampleFormat::f32) : std::nullopt;
    switch (containerBits) {
        case 8: return SampleFormat::u8;
        case 16: return SampleFormat::s16;
        case 24: return SampleFormat::s24;
        case 32: return SampleFormat::s32;
        default: return std::nullopt;
    }
}

float gainOf(std::int32_t hundredthsDb) {
    const std::int32_t db = std::clamp(hundredthsDb, kSilent, 0);
    if (db == kSilent) return 0.0f;
    return static_cast<float>(std::pow(10.0, db / 2000.0));
}

void applyGain(std::uint8_t* data, std::size_t samples, SampleFormat format, float gain) {
    if (gain == 1.0f) return;
    const double g = std::max(gain, 0.0f);
    switch (format) {
        case SampleFormat::u8:
            // Unsigned: silence is 128.
            for (std::size_t i = 0; i < samples; ++i)
                data[i] = static_cast<std::uint8_t>(128 + saturated(data[i] - 128, g, -128, 127));
            break;
        case SampleFormat::s16: scaleEach<std::int16_t>(data, samples, g); break;
        case SampleFormat::s32: scaleEach<std::int32_t>(data, samples, g); break;
        case SampleFormat::f32: scaleEach<float>(data, samples, g); break;
        case SampleFormat::s24:
            for (std::size_t i = 0; i < samples; ++i, data += 3) {
                // Little-endian, sign taken from the top byte.
                std::int32_t value = data[0] | (data[1] << 8) | (static_cast<std::int8_t>(data[2]) * 65536);
                value = saturated(value, g, -8388608, 8388607);
                data[0] = static_cast<std::uint8_t>(value & 0xFF);
                data[1] = static_cast<std::uint8_t>((value >> 8) & 0xFF);
                data[2] = static_cast<std::uint8_t>((value >> 16) & 0xFF);
            }
            break;
    }
}

}  // namespace zt
