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
constexpr DWORD kMaxKeyName = 256;  // a key name has at most 255 characters

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

std::optional<std::uint64_t> getRegQword(HKEY root, const std::wstring& subKey, const std::wstring& valueName) {
    const auto value = readRegValue(root, subKey, valueName);
    std::uint64_t number = 0;
    if (!value || value->type != REG_QWORD || value->bytes.size() != sizeof number) return std::nullopt;
    std::memcpy(&number, value->bytes.data(), sizeof number);
    return number;
}

std::vector<std::wstring> regSubKeyNames(HKEY root, const std::wstring& subKey) {
    std::vector<std::wstring> names;
    ScopedKey key;
    if (RegOpenKeyExW(root, subKey.c_str(), 0, KEY_ENUMERATE_SUB_KEYS, key.put()) != ERROR_SUCCESS) return names;
    for (DWORD index = 0;; ++index) {
        wchar_t name[kMaxKeyName];
        DWORD length = kMaxKeyName;
        const LSTATUS status = RegEnumKeyExW(key.get(), index, name, &length, nullptr, nullptr, nullptr, nullptr);
        if (status == ERROR_MORE_DATA) continue;  // longer than a key name can be: not one to open
        if (status != ERROR_SUCCESS) return names;
        names.emplace_back(name, length);
    }
}

void setRegString(HKEY root, const std::wstring& subKey, const std::wstring& valueName,
                  const std::wstring& text) {
    if (text.size() >= std::numeric_limits<DWORD>::max() / sizeof(wchar_t)) return;
    ScopedKey key;
    if (RegCreateKeyExW(root, subKey.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, key.put(),
                        nullptr) != ERROR_SUCCESS)
        return;
    // Readers that trust the size (reg query among them) show whatever follows data stored
    // without its NUL.
    RegSetValueExW(key.get(), valueName.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                   static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
}

void deleteRegValue(HKEY root, const std::wstring& subKey, const std::wstring& valueName) {
    ScopedKey key;
    if (RegOpenKeyExW(root, subKey.c_str(), 0, KEY_SET_VALUE, key.put()) != ERROR_SUCCESS) return;
    RegDeleteValueW(key.get(), valueName.c_str());
}

}  // namespace zt
