#pragma once
// An in-memory string store and a recording stand-in for the main window's controls.
#include <cwchar>
#include <map>
#include <set>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "settings/settings.h"
#include "settings/string_store.h"

namespace zt::testing {

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

// Every setter is logged as "Control=value"; getters read the plain fields.
class FakeControls : public SettingsControls {
public:
    bool folderExists(const std::wstring& path) override { return folders.count(path) != 0; }
    void setDrive1(const std::wstring& folderPath) override { log.push_back(L"Drive1=" + folderPath); }
    void setFile1Path(const std::wstring& path) override {
        file1 = path;
        log.push_back(L"File1=" + path);
    }
    void setDir1Path(const std::wstring& path) override { log.push_back(L"Dir1=" + path); }
    std::wstring file1Path() override { return file1; }

    std::int32_t slider1Value() override { return slider; }
    void setSlider1Value(std::int32_t value) override {
        slider = value;
        log.push_back(L"Slider1=" + std::to_wstring(value));
    }
    std::int16_t chkMuteValue() override { return mute; }
    void setChkMuteValue(std::int16_t value) override {
        mute = value;
        log.push_back(L"chkMute=" + std::to_wstring(value));
    }
    std::wstring txtDelayText() override { return delay; }
    void setTxtDelayText(const std::wstring& text) override {
        delay = text;
        log.push_back(L"txtDelay=" + text);
    }

    // A locale with a decimal comma, so a hard-coded "0.1" shows up.
    std::wstring formatNumber(double value) override {
        wchar_t buffer[64];
        std::swprintf(buffer, 64, L"%g", value);
        std::wstring text = buffer;
        for (auto& c : text)
            if (c == L'.') c = L',';
        return text;
    }

    wchar_t decimalSeparator() override { return L','; }

    bool menuChecked(MenuItem item) override { return checks[item]; }
    void setMenuChecked(MenuItem item, bool checked) override {
        checks[item] = checked;
        log.push_back(menuName(item) + (checked ? L"=1" : L"=0"));
    }

    static std::wstring menuName(MenuItem item) {
        switch (item) {
        case MenuItem::mnuAbVol: return L"mnuAbVol";
        case MenuItem::mnuSystray: return L"mnuSystray";
        case MenuItem::mnuSystray2: return L"mnuSystray2";
        case MenuItem::mnuStartup: return L"mnuStartup";
        case MenuItem::mnuStartup2: return L"mnuStartup2";
        }
        return L"?";
    }

    std::set<std::wstring> folders;  // the folders that "exist"
    std::wstring file1 = L"C:\\start";
    std::int32_t slider = 50;
    std::int16_t mute = 0;
    std::wstring delay = L"5";
    std::map<MenuItem, bool> checks;
    std::vector<std::wstring> log;
};

}  // namespace zt::testing
