#pragma once
// Values in the registry through the wide functions: one reader for every value the
// program reads (its settings, the About box's lookups, the busy probe's consent store),
// text values written and removed.
// None of these report a failure: a value that cannot be read reads as nothing, a failed
// write or delete leaves the registry as it was.
#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "settings/string_store.h"

namespace zt {

// A value as stored: its type and its bytes.
struct RegValue {
    DWORD type = REG_NONE;
    std::vector<BYTE> bytes;
};
// Reads the value whole, however long it is (up to 1 MiB) and even when it changes between
// the size query and the read; nothing when the key or the value cannot be read.
std::optional<RegValue> readRegValue(HKEY root, const std::wstring& subKey, const std::wstring& valueName);
// String data as text, up to its first NUL; a trailing odd byte is half a character and
// is dropped.
std::wstring regText(const std::vector<BYTE>& bytes);

// The value's text up to its first NUL; "" when the key or the value is missing, the value
// is not REG_SZ (REG_EXPAND_SZ included) or cannot be read.
std::wstring getRegString(HKEY root, const std::wstring& subKey, const std::wstring& valueName);
// A REG_QWORD value; nothing when the value is missing, of another type or not 8 bytes.
std::optional<std::uint64_t> getRegQword(HKEY root, const std::wstring& subKey, const std::wstring& valueName);
// The names of the key's subkeys, in the registry's order; none when the key cannot be read.
std::vector<std::wstring> regSubKeyNames(HKEY root, const std::wstring& subKey);

// Writes a REG_SZ value: the text's characters and the terminating NUL that string data
// carries (an empty text is one NUL), creating the key and any missing keys above it.
void setRegString(HKEY root, const std::wstring& subKey, const std::wstring& valueName,
                  const std::wstring& text);
// Removes the value; the key stays, even when left empty.
void deleteRegValue(HKEY root, const std::wstring& subKey, const std::wstring& valueName);

// The string store the program uses: HKEY_CURRENT_USER.
class RegistryStore final : public StringStore {
public:
    std::wstring get(const std::wstring& subKey, const std::wstring& valueName) override {
        return getRegString(HKEY_CURRENT_USER, subKey, valueName);
    }
    void set(const std::wstring& subKey, const std::wstring& valueName,
             const std::wstring& text) override {
        setRegString(HKEY_CURRENT_USER, subKey, valueName, text);
    }
    void remove(const std::wstring& subKey, const std::wstring& valueName) override {
        deleteRegValue(HKEY_CURRENT_USER, subKey, valueName);
    }
};

}  // namespace zt
