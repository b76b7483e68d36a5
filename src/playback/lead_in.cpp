#include "playback/lead_in.h"

#include <algorithm>

#include "common/text.h"

namespace zt {

namespace {

// Every Bluetooth bus enumerator's name starts so; no other one does.
constexpr std::wstring_view kBluetoothPrefix = L"BTH";
// Where an id names its enumerator: at its start or after a separator ("BTHENUM\{...}",
// "SWD\MMDEVAPI\..." has none).
bool namesBluetooth(std::wstring_view id) {
    for (std::size_t at = 0; at + kBluetoothPrefix.size() <= id.size(); ++at) {
        if (at > 0 && id[at - 1] != L'\\' && id[at - 1] != L'#') continue;
        if (equalsNoCase(id.substr(at, kBluetoothPrefix.size()), kBluetoothPrefix)) return true;
    }
    return false;
}

}  // namespace

bool isBluetoothDevice(std::wstring_view enumerator, std::wstring_view deviceId) {
    if (!enumerator.empty())
        return enumerator.size() >= kBluetoothPrefix.size() &&
               equalsNoCase(enumerator.substr(0, kBluetoothPrefix.size()), kBluetoothPrefix);
    return namesBluetooth(deviceId);
}

std::int32_t leadInMs(std::optional<std::int32_t> stored, bool bluetooth) {
    if (stored) return std::clamp<std::int32_t>(*stored, 0, 2000);
    return bluetooth ? kBluetoothLeadInMs : 0;
}

std::uint64_t leadInFrames(std::int32_t ms, std::uint32_t rate) {
    return ms <= 0 ? 0 : std::uint64_t{static_cast<std::uint32_t>(ms)} * rate / 1000;
}

}  // namespace zt
