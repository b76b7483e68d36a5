// Title bars in the app theme: the attribute each top-level window of ours is given, under
// a dark and a light setting, and again when the setting changes while it runs. The calls
// are recorded in place of DWM's (Wine has no dark title bars to look at).
#include "common/app_theme.h"

#include <gtest/gtest.h>

#include <optional>
#include <vector>

#include "common/window.h"

namespace zt {
namespace {

constexpr wchar_t kPersonalize[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Themes\\Personalize";

struct Call {
    HWND window;
    DWORD attribute;
    BOOL value;
};

class Plain final : public Window {
public:
    bool create() {
        WindowSpec spec{L"ZtThemeProbe"};
        spec.style = WS_OVERLAPPEDWINDOW;
        spec.clientWidthTwips = 2880;
        spec.clientHeightTwips = 1440;
        return createWindow(GetModuleHandleW(nullptr), spec);
    }

private:
    LRESULT onMessage(UINT msg, WPARAM wParam, LPARAM lParam) override { return defaultHandling(msg, wParam, lParam); }
    std::span<const Placement> placements() const override { return {}; }
};

class AppTheme : public ::testing::Test {
protected:
    void SetUp() override {
        stored_ = value();
        setWindowAttributeSetter([this](HWND window, DWORD attribute, const void* value, DWORD size) {
            EXPECT_EQ(size, sizeof(BOOL));
            calls_.push_back({window, attribute, *static_cast<const BOOL*>(value)});
            return attribute == refused_ ? E_INVALIDARG : S_OK;
        });
    }
    void TearDown() override {
        setWindowAttributeSetter({});
        set(stored_);
    }
    static std::optional<DWORD> value() {
        DWORD v = 0, size = sizeof v;
        if (RegGetValueW(HKEY_CURRENT_USER, kPersonalize, L"AppsUseLightTheme", RRF_RT_REG_DWORD, nullptr, &v, &size))
            return std::nullopt;
        return v;
    }
    static void set(std::optional<DWORD> light) {
        if (!light) {
            RegDeleteKeyValueW(HKEY_CURRENT_USER, kPersonalize, L"AppsUseLightTheme");
            return;
        }
        RegSetKeyValueW(HKEY_CURRENT_USER, kPersonalize, L"AppsUseLightTheme", REG_DWORD, &*light, sizeof *light);
    }

    std::optional<DWORD> stored_;
    std::vector<Call> calls_;
    DWORD refused_ = 0;  // an attribute the recorded DWM does not know
};

TEST_F(AppTheme, ANewWindowsTitleBarFollowsTheSetting) {
    const struct {
        std::optional<DWORD> light;
        BOOL dark;
    } cases[] = {{0, TRUE}, {1, FALSE}, {std::nullopt, FALSE}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.light ? static_cast<int>(*c.light) : -1);
        set(c.light);
        EXPECT_EQ(appsUseDarkTheme(), c.dark == TRUE);
        calls_.clear();
        Plain window;
        ASSERT_TRUE(window.create());
        // A new title bar is light: only a dark one is asked for.
        if (!c.dark) {
            EXPECT_TRUE(calls_.empty());
            continue;
        }
        ASSERT_EQ(calls_.size(), 1u);
        EXPECT_EQ(calls_[0].window, window.hwnd());
        EXPECT_EQ(calls_[0].attribute, 20u);  // DWMWA_USE_IMMERSIVE_DARK_MODE
        EXPECT_EQ(calls_[0].value, c.dark);
    }
}

TEST_F(AppTheme, OlderWindowsTenGetsTheAttributesEarlierNumber) {
    set(0);
    refused_ = 20;
    Plain window;
    ASSERT_TRUE(window.create());
    ASSERT_EQ(calls_.size(), 2u);
    EXPECT_EQ(calls_[1].attribute, 19u);
    EXPECT_EQ(calls_[1].value, TRUE);
}

TEST_F(AppTheme, AChangeWhileRunningIsFollowedAndOtherSettingsAreNot) {
    set(1);
    Plain window;
    ASSERT_TRUE(window.create());
    ShowWindow(window.hwnd(), SW_SHOWNOACTIVATE);
    calls_.clear();
    set(0);
    SendMessageW(window.hwnd(), WM_SETTINGCHANGE, 0, reinterpret_cast<LPARAM>(L"intl"));
    SendMessageW(window.hwnd(), WM_SETTINGCHANGE, SPI_SETWORKAREA, 0);
    EXPECT_TRUE(calls_.empty());
    SendMessageW(window.hwnd(), WM_SETTINGCHANGE, 0, reinterpret_cast<LPARAM>(L"ImmersiveColorSet"));
    ASSERT_EQ(calls_.size(), 1u);
    EXPECT_EQ(calls_[0].value, TRUE);
    set(1);
    SendMessageW(window.hwnd(), WM_SETTINGCHANGE, 0, reinterpret_cast<LPARAM>(L"ImmersiveColorSet"));
    ASSERT_EQ(calls_.size(), 2u);
    EXPECT_EQ(calls_[1].value, FALSE);
}

}  // namespace
}  // namespace zt
