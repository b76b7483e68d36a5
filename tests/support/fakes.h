#pragma once
// Portable stand-ins for the tests: an in-memory string store, a number format with a
// decimal comma, and a recording settings view.
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

// The main window as the settings see it. Every setter is logged as "part=value"; getters
// read the plain fields. Only the folders listed in `folders` can be opened.
class FakeSettingsView : public SettingsView {
public:
    std::wstring soundFolder() override { return folder; }
    void openSoundFolder(const std::wstring& path) override {
        log.push_back(L"open=" + path);
        if (folders.count(path)) folder = path;
    }
    std::int32_t volume() override { return slider; }
    void setVolume(std::int32_t value) override {
        slider = value;
        log.push_back(L"volume=" + std::to_wstring(value));
    }
    std::int16_t muteValue() override { return mute; }
    void setMuteValue(std::int16_t value) override {
        mute = value;
        log.push_back(L"mute=" + std::to_wstring(value));
    }
    std::wstring delayText() override { return delay; }
    void setDelayText(const std::wstring& text) override {
        delay = text;
        log.push_back(L"delay=" + text);
    }
    bool option(Option option) override { return options[option]; }
    void setOption(Option option, bool on) override {
        options[option] = on;
        log.push_back(optionName(option) + (on ? L"=1" : L"=0"));
    }

    static std::wstring optionName(Option option) {
        switch (option) {
        case Option::absoluteVolume: return L"absoluteVolume";
        case Option::startInTray: return L"startInTray";
        case Option::runAtStartup: return L"runAtStartup";
        }
        return L"?";
    }

    std::set<std::wstring> folders;  // the folders that "exist"
    std::wstring folder = L"C:\\start";
    std::int32_t slider = 50;
    std::int16_t mute = 0;
    std::wstring delay = L"5";
    std::map<Option, bool> options;
    std::vector<std::wstring> log;
};

}  // namespace zt::test
