#pragma once
// A store of named texts under the current user's settings root. The settings layout talks
// to this instead of the registry, so it runs and is tested without Windows.
#include <string>

namespace zt {

class StringStore {
public:
    virtual ~StringStore() = default;
    // The text of the value, or "" when it is missing or cannot be read as text.
    virtual std::wstring get(const std::wstring& subKey, const std::wstring& valueName) = 0;
    // Writes the value, creating the key first when needed. Failures are not reported.
    virtual void set(const std::wstring& subKey, const std::wstring& valueName,
                     const std::wstring& text) = 0;
    // Removes the value; the key stays. Failures are not reported.
    virtual void remove(const std::wstring& subKey, const std::wstring& valueName) = 0;
};

}  // namespace zt
