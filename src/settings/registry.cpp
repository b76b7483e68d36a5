#include "settings/registry.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <vector>

#include "common/scoped.h"

namespace zt {

namespace {

// Far above anything the program stores; a damaged value cannot ask for an absurd buffer.
constexpr DWORD kMaxValueBytes = 1u << 20;
// A value rewritten by someone else between the size query and the read gets this many
// tries before it reads as empty.
constexpr int kReadAttempts = 4;

}  // namespace

std::optional<RegValue> readRegValue(HKEY root, const std::wstring& subKey, const std::wstring& valueName) {
    ScopedKey key;
    if (RegOpenKeyExW(root, subKey.c_str(), 0, KEY_QUERY_VALUE, key.put()) != ERROR_SUCCESS) return std::nullopt;
    RegValue value;
    DWORD size = 0;
    if (RegQueryValueExW(key.get(), valueName.c_str(), nullptr, &value.type, nullptr, &size) != ERROR_SUCCESS)
        return std::nullopt;
    for (int attempt = 0; attempt < kReadAttempts && size <= kMaxValueBytes; ++attempt) {
        value.bytes.assign(size, 0);
        DWORD got = size;
        const LSTATUS status = RegQueryValueExW(key.get(), valueName.c_str(), nullptr, &value.type,
                                                value.bytes.data(), &got);
        if (status == ERROR_MORE_DATA) {  // it grew since the size was asked
            size = got;
            continue;
        }
        if (status != ERROR_SUCCESS) return std::nullopt;
        value.bytes.resize(std::min(got, size));
        return value;
    }
    return std::nullopt;
}

std::wstring regText(const std::vector<BYTE>& bytes) {
    std::wstring text(bytes.size() / sizeof(wchar_t), L'\0');
    if (!text.empty()) std::memcpy(text.data(), bytes.data(), text.size() * sizeof(wchar_t));
    text.resize(std::min(text.find(L'\0'), text.size()));
    return text;
}

std::wstring getRegString(HKEY root, const std::wstring& subKey, const std::wstring& valueName) {
    const auto value = readRegValue(root, subKey, valueName);
    if (!value || value->type != REG_SZ) return {};
    return regText(value->bytes);
}

void setRegString(HKEY root, const std::wstring& subKey, const std::wstring& valueName,
                  const std::wstring& text) {
    if (text.size() >= std::numeric_limits<DWORD>::max() / sizeof(wchar_t)) return;
    ScopedKey key;
    if (RegCreateKeyExW(root, subKey.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, key.put(),
                        nullptr) != ERROR_SUCCESS)
        return;
    // The registry counts a NUL in by itself when one follows the data; a non-NUL guard
    // after the text keeps the stored bytes to exactly the text's characters.
    std::vector<wchar_t> data(text.begin(), text.end());
    data.push_back(L'\x1');
    RegSetValueExW(key.get(), valueName.c_str(), 0, REG_SZ,
                   reinterpret_cast<const BYTE*>(data.data()),
                   static_cast<DWORD>(text.size() * sizeof(wchar_t)));
}

void deleteRegValue(HKEY root, const std::wstring& subKey, const std::wstring& valueName) {
    ScopedKey key;
    if (RegOpenKeyExW(root, subKey.c_str(), 0, KEY_SET_VALUE, key.put()) != ERROR_SUCCESS) return;
    RegDeleteValueW(key.get(), valueName.c_str());
}

}  // namespace zt
