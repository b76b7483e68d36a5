#pragma once
// Text values in the registry, REG_SZ only, through the wide functions. None of these
// report a failure: a value that cannot be read reads as "", a failed write or delete
// leaves the registry as it was.
#include <windows.h>

#include <string>

#include "settings/string_store.h"

namespace zt {

// The value's text up to its first NUL; "" when the key or the value is missing, the value
// is not REG_SZ (REG_EXPAND_SZ included) or cannot be read.
std::wstring getRegString(HKEY root, const std::wstring& subKey, const std::wstring& valueName);
// Writes a REG_SZ value of exactly the text's characters (no terminating NUL stored),
// creating the key and any missing keys above it.
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
