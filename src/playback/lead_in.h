#pragma once
// The silence a stream plays before its first sample, so that a device that wakes as the
// stream starts (Bluetooth headsets take a few hundred milliseconds) does not cut the start
// of the sound. Window-free.
#include <cstdint>
#include <optional>
#include <string_view>

namespace zt {

inline constexpr std::int32_t kBluetoothLeadInMs = 500;

// A device reached over Bluetooth: its enumerator ("BTHENUM", "BTHHFENUM", "BTHLEDevice")
// or, where that is not known, an id that names one.
bool isBluetoothDevice(std::wstring_view enumerator, std::wstring_view deviceId);

// The lead-in in milliseconds: the stored one for every device when there is one (clamped
// to 0..2000), else 500 on Bluetooth and nothing on the rest.
std::int32_t leadInMs(std::optional<std::int32_t> stored, bool bluetooth);

// The frames of `ms` at the stream's rate.
std::uint64_t leadInFrames(std::int32_t ms, std::uint32_t rate);

}  // namespace zt
