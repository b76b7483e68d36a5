#pragma once
// Portable stand-ins for the tests: an in-memory string store and a number format with a
// decimal comma.
#include <cwchar>
#include <optional>
#include <map>
#include <set>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "common/numbers.h"
#include "settings/settings.h"
#include "settings/string_store.h"

namespace zt::test {

class FakeStore : public StringStore {
public:
    using Key = std::pair<std::wstring, std::wstring>;

    std::wstring get(const std::wstring& subKey, const std::wstring& valueName) override {
        const auto it = values.find({subKey, valueName});
        return it == values.end() ? std::wstring() : it->second;
    }
    void set(const std::wstring& subKey, const std::wstring& valueName,
             const std::wstring& text) override {
        writes.push_back(subKey + L"|" + valueName + L"=" + text);
        values[{subKey, valueName}] = text;
    }
    void remove(const std::wstring& subKey, const std::wstring& valueName) override {
        writes.push_back(subKey + L"|" + valueName + L" deleted");
        values.erase({subKey, valueName});
    }

    void setSetting(std::wstring_view name, const std::wstring& text) {
        values[{settingKey(name), L"String"}] = text;
    }

    std::map<Key, std::wstring> values;
    std::vector<std::wstring> writes;  // in call order
};

// A number format with a decimal comma, so that a hard-coded "0.1" shows up.
class CommaNumberFormat : public NumberFormat {
public:
    std::optional<double> read(const std::wstring& text) const override {
        std::wstring t = text;
        if (t.find(L'.') != std::wstring::npos) return std::nullopt;
        for (auto& c : t)
            if (c == L',') c = L'.';
        return plainNumber(t);
    }
    std::wstring write(double value) const override {
        wchar_t buffer[64];
        std::swprintf(buffer, 64, L"%g", value);
        std::wstring text = buffer;
        for (auto& c : text)
            if (c == L'.') c = L',';
        return text;
    }
    wchar_t decimalSeparator() const override { return L','; }
};

}  // namespace zt::test
