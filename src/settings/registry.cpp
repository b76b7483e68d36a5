#include "settings/registry.h"

#include <algorithm>
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

std::wstring getRegString(HKEY root, const std::wstring& subKey, const std::wstring& valueName) {
    ScopedKey key;
    if (RegOpenKeyExW(root, subKey.c_str(), 0, KEY_QUERY_VALUE, key.put()) != ERROR_SUCCESS)
        return {};
    DWORD type = 0;
    DWORD size = 0;
    if (RegQueryValueExW(key.get(), valueName.c_str(), nullptr, &type, nullptr, &size) !=
        ERROR_SUCCESS)
        return {};
    for (int attempt = 0; attempt < kReadAttempts; ++attempt) {
        if (type != REG_SZ || size > kMaxValueBytes) return {};
        // One spare character, so an odd byte count still fits whole.
        std::vector<wchar_t> buffer(size / sizeof(wchar_t) + 1, L'\0');
        const auto capacity = static_cast<DWORD>(buffer.size() * sizeof(wchar_t));
        DWORD got = capacity;
        const LSTATUS status = RegQueryValueExW(key.get(), valueName.c_str(), nullptr, &type,
                                                reinterpret_cast<BYTE*>(buffer.data()), &got);
        if (status == ERROR_MORE_DATA) {  // it grew since the first query
            size = got;
            continue;
        }
        if (status != ERROR_SUCCESS || type != REG_SZ) return {};
        // A trailing odd byte is half a character and is dropped.
        const auto chars = static_cast<std::ptrdiff_t>(std::min(got, capacity) / sizeof(wchar_t));
        const auto end = std::find(buffer.begin(), buffer.begin() + chars, L'\0');
        return std::wstring(buffer.begin(), end);
    }
    return {};
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
