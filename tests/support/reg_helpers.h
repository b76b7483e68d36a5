#pragma once
// Raw registry access for checking what the code under test stored, byte for byte.
#include <windows.h>

#include <optional>
#include <string>
#include <vector>

#include "common/scoped.h"

namespace zt::test {

struct RawValue {
    DWORD type = REG_NONE;
    std::vector<BYTE> bytes;
    bool operator==(const RawValue&) const = default;
};

inline std::optional<RawValue> readRaw(const std::wstring& subKey, const std::wstring& name) {
    ScopedKey key;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, subKey.c_str(), 0, KEY_QUERY_VALUE, key.put()) != ERROR_SUCCESS)
        return std::nullopt;
    RawValue value;
    DWORD size = 0;
    if (RegQueryValueExW(key.get(), name.c_str(), nullptr, &value.type, nullptr, &size) != ERROR_SUCCESS)
        return std::nullopt;
    value.bytes.resize(size);
    if (RegQueryValueExW(key.get(), name.c_str(), nullptr, &value.type, value.bytes.data(), &size) !=
        ERROR_SUCCESS)
        return std::nullopt;
    value.bytes.resize(size);
    return value;
}

// Stores exactly these bytes. The registry appends a NUL to string data when one follows
// the count, so the data is copied in front of a non-NUL guard.
inline void writeRaw(const std::wstring& subKey, const std::wstring& name, DWORD type,
                     const std::vector<BYTE>& bytes) {
    ScopedKey key;
    RegCreateKeyExW(HKEY_CURRENT_USER, subKey.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr,
                    key.put(), nullptr);
    std::vector<BYTE> data(bytes);
    data.insert(data.end(), {0x41, 0x00, 0x41, 0x00});
    RegSetValueExW(key.get(), name.c_str(), 0, type, data.data(), static_cast<DWORD>(bytes.size()));
}

inline std::vector<BYTE> bytesOf(const std::wstring& text) {
    const auto* p = reinterpret_cast<const BYTE*>(text.data());
    return std::vector<BYTE>(p, p + text.size() * sizeof(wchar_t));
}

inline void writeRaw(const RawValue& value, const std::wstring& subKey, const std::wstring& name) {
    writeRaw(subKey, name, value.type, value.bytes);
}

inline void deleteRaw(const std::wstring& subKey, const std::wstring& name) {
    ScopedKey key;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, subKey.c_str(), 0, KEY_SET_VALUE, key.put()) == ERROR_SUCCESS)
        RegDeleteValueW(key.get(), name.c_str());
}

inline bool keyExists(const std::wstring& subKey) {
    ScopedKey key;
    return RegOpenKeyExW(HKEY_CURRENT_USER, subKey.c_str(), 0, KEY_READ, key.put()) == ERROR_SUCCESS;
}

}  // namespace zt::test
