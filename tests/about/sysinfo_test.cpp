#include <gtest/gtest.h>

#include <chrono>
#include <optional>
#include <thread>
#include <vector>

#include "about/frmabout.h"
#include "message_box_probe.h"
#include "common/scoped.h"
#include "common/text.h"
#include "common/winutil.h"
#include "test_support.h"

namespace zt {
namespace {

// A value under HKLM that a test changes; its old state comes back when the test ends.
class SavedValue {
public:
    SavedValue(std::wstring key, std::wstring name) : key_(std::move(key)), name_(std::move(name)) {
        ScopedKey k;
        if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, key_.c_str(), 0, KEY_READ, k.put()) != ERROR_SUCCESS) return;
        keyExisted_ = true;
        DWORD size = 0;
        if (RegQueryValueExW(k.get(), name_.c_str(), nullptr, &type_, nullptr, &size) != ERROR_SUCCESS) return;
        data_.resize(size);
        valueExisted_ =
            RegQueryValueExW(k.get(), name_.c_str(), nullptr, &type_, data_.data(), &size) == ERROR_SUCCESS;
    }
    ~SavedValue() {
        if (valueExisted_) {
            set(type_, data_.data(), static_cast<DWORD>(data_.size()));
        } else {
            remove();
            if (!keyExisted_) RegDeleteKeyW(HKEY_LOCAL_MACHINE, key_.c_str());
        }
    }
    SavedValue(const SavedValue&) = delete;
    SavedValue& operator=(const SavedValue&) = delete;

    void set(DWORD type, const void* data, DWORD size) const {
        ScopedKey k;
        ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, key_.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, k.put(),
                                  nullptr),
                  ERROR_SUCCESS);
        ASSERT_EQ(RegSetValueExW(k.get(), name_.c_str(), 0, type, static_cast<const BYTE*>(data), size),
                  ERROR_SUCCESS);
    }
    void setText(const std::wstring& text) const {
        set(REG_SZ, text.c_str(), static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
    }
    void remove() const {
        ScopedKey k;
        if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, key_.c_str(), 0, KEY_SET_VALUE, k.put()) == ERROR_SUCCESS)
            RegDeleteValueW(k.get(), name_.c_str());
    }

private:
    std::wstring key_, name_;
    bool keyExisted_ = false, valueExisted_ = false;
    DWORD type_ = 0;
    std::vector<BYTE> data_;
};

std::wstring tempFolder() {
    wchar_t buffer[MAX_PATH];
    GetTempPathW(MAX_PATH, buffer);
    return buffer;
}

bool copyStub(const std::wstring& to) {
    const std::wstring stub = addSlash(programFolder()) + L"about_sysinfo_stub.exe";
    return CopyFileW(stub.c_str(), to.c_str(), FALSE) != 0;
}

// What the stub at this path wrote when it ran, waiting a while for it; nothing if it did not.
std::optional<std::wstring> ranWith(const std::wstring& exe, int waitMs = 10000) {
    const std::wstring marker = exe + L".ran";
    for (int waited = 0;; waited += 50) {
        ScopedFile file(CreateFileW(marker.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
        if (file) {
            std::wstring text(4096, L'\0');
            DWORD read = 0;
            ReadFile(file.get(), text.data(), static_cast<DWORD>(text.size() * sizeof(wchar_t)), &read, nullptr);
            text.resize(read / sizeof(wchar_t));
            if (!text.empty()) return text;
        }
        if (waited >= waitMs) return std::nullopt;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
}

// Runs StartSysInfo, answering the message box if one comes.
std::pair<SysInfoResult, test::SeenMessageBox> startSysInfo(frmAbout& about) {
    test::MessageBoxProbe probe;
    const SysInfoResult result = about.StartSysInfo();
    return {result, probe.seen()};
}

// One test for all the launcher's cases: they share the HKLM values.
TEST(StartSysInfo, StartsTheToolOrSaysItIsUnavailable) {
    SavedValue path(L"SOFTWARE\\Microsoft\\Shared Tools\\MSINFO", L"PATH");
    SavedValue location(L"SOFTWARE\\Microsoft\\Shared Tools Location", L"MSINFO");
    const std::wstring root = tempFolder() + L"zt sysinfo test";
    const std::wstring toolFolder = root + L"\\tool dir";
    const std::wstring msinfoFolder = root + L"\\msinfo dir";
    CreateDirectoryW(root.c_str(), nullptr);
    CreateDirectoryW(toolFolder.c_str(), nullptr);
    CreateDirectoryW(msinfoFolder.c_str(), nullptr);
    const std::wstring tool = toolFolder + L"\\info tool.exe";
    // What an unquoted command line would start instead.
    const std::wstring decoy = toolFolder + L"\\info.exe";
    const std::wstring msinfo = msinfoFolder + L"\\MSINFO32.EXE";
    ASSERT_TRUE(copyStub(tool));
    ASSERT_TRUE(copyStub(decoy));
    ASSERT_TRUE(copyStub(msinfo));
    for (const auto& exe : {tool, decoy, msinfo}) DeleteFileW((exe + L".ran").c_str());

    frmAbout about;
    ASSERT_TRUE(about.load());
    const std::wstring unavailable = L"System Information Is Unavailable At This Time";
    auto expectMessage = [&](const std::pair<SysInfoResult, test::SeenMessageBox>& outcome) {
        EXPECT_EQ(outcome.first, SysInfoResult::Unavailable);
        EXPECT_TRUE(outcome.second.found);
        EXPECT_EQ(outcome.second.text, unavailable);
        EXPECT_EQ(outcome.second.title, L"zirrotone");
        EXPECT_EQ(outcome.second.icon, nullptr);
        EXPECT_EQ(outcome.second.buttons, 1);
        EXPECT_TRUE(about.hwnd() != nullptr);
    };

    {
        SCOPED_TRACE("PATH names the tool");
        path.setText(tool);
        location.setText(msinfoFolder);
        const auto outcome = startSysInfo(about);
        EXPECT_EQ(outcome.first, SysInfoResult::Started);
        EXPECT_FALSE(outcome.second.found);
        EXPECT_EQ(ranWith(tool), L"\"" + tool + L"\"");
        EXPECT_TRUE(about.hwnd() != nullptr);
    }
    {
        SCOPED_TRACE("MSINFO names its folder");
        path.remove();
        const auto outcome = startSysInfo(about);
        EXPECT_EQ(outcome.first, SysInfoResult::Started);
        EXPECT_EQ(ranWith(msinfo), L"\"" + msinfo + L"\"");
    }
    {
        SCOPED_TRACE("an empty PATH does not fall back to MSINFO");
        path.set(REG_SZ, L"", 0);
        expectMessage(startSysInfo(about));
    }
    {
        SCOPED_TRACE("a PATH of another type starts nothing");
        const BYTE bytes[] = {1, 2, 3, 4};
        path.set(REG_BINARY, bytes, sizeof bytes);
        expectMessage(startSysInfo(about));
    }
    {
        SCOPED_TRACE("no MSINFO32.EXE in the MSINFO folder");
        path.remove();
        location.setText(toolFolder);
        expectMessage(startSysInfo(about));
    }
    {
        SCOPED_TRACE("neither value");
        location.remove();
        expectMessage(startSysInfo(about));
    }
    // The blank in the path never split it.
    EXPECT_FALSE(ranWith(decoy, 0));

    // Relative values would start a planted copy from the current folder or drive root.
    wchar_t savedFolder[MAX_PATH];
    GetCurrentDirectoryW(MAX_PATH, savedFolder);
    ASSERT_TRUE(SetCurrentDirectoryW(toolFolder.c_str()));
    wchar_t rootTool[MAX_PATH];
    GetFullPathNameW(L"\\MSINFO32.EXE", MAX_PATH, rootTool, nullptr);
    const std::wstring planted[] = {decoy, rootTool};
    ASSERT_TRUE(copyStub(rootTool));
    for (const auto& exe : planted) DeleteFileW((exe + L".ran").c_str());
    {
        SCOPED_TRACE("a relative PATH");
        path.setText(L"info.exe");
        expectMessage(startSysInfo(about));
        path.remove();
    }
    {
        SCOPED_TRACE("an empty MSINFO folder");
        location.setText(L"");
        expectMessage(startSysInfo(about));
        location.remove();
    }
    SetCurrentDirectoryW(savedFolder);
    for (const auto& exe : planted) EXPECT_FALSE(ranWith(exe, 1000)) << exe;
    DeleteFileW((std::wstring(rootTool) + L".ran").c_str());
    DeleteFileW(rootTool);

    for (const auto& exe : {tool, decoy, msinfo}) {
        DeleteFileW((exe + L".ran").c_str());
        DeleteFileW(exe.c_str());
    }
    RemoveDirectoryW(toolFolder.c_str());
    RemoveDirectoryW(msinfoFolder.c_str());
    RemoveDirectoryW(root.c_str());
}

}  // namespace
}  // namespace zt
