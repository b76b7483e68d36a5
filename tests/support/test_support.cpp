#include "test_support.h"

#include <shellapi.h>

#include <cmath>
#include <cstdint>
#include <vector>

#include "common/scoped.h"
#include "common/text.h"

namespace zt::test {

TempFolder::TempFolder(const std::wstring& name) {
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    path_ = addSlash(temp) + name;
    removeTree(path_);
    CreateDirectoryW(path_.c_str(), nullptr);
}

TempFolder::~TempFolder() { removeTree(path_); }

void removeTree(const std::wstring& folder) {
    WIN32_FIND_DATAW found;
    ScopedFind find(FindFirstFileW((folder + L"\\*").c_str(), &found));
    if (find) {
        do {
            const std::wstring name = found.cFileName;
            if (name == L"." || name == L"..") continue;
            const std::wstring path = folder + L"\\" + name;
            SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                removeTree(path);
            else
                DeleteFileW(path.c_str());
        } while (FindNextFileW(find.get(), &found));
    }
    RemoveDirectoryW(folder.c_str());
}

void writeTone(const std::wstring& path, double seconds, double hz) {
    constexpr std::uint32_t rate = 22050;
    const auto samples = static_cast<std::uint32_t>(seconds * rate);
    std::vector<std::int16_t> pcm(samples);
    for (std::uint32_t i = 0; i < samples; ++i)
        pcm[i] = static_cast<std::int16_t>(8000 * std::sin(2 * 3.14159265358979 * hz * i / rate));
    const std::uint32_t dataBytes = samples * 2;
    struct {
        char riff[4] = {'R', 'I', 'F', 'F'};
        std::uint32_t size;
        char wave[4] = {'W', 'A', 'V', 'E'};
        char fmt[4] = {'f', 'm', 't', ' '};
        std::uint32_t fmtSize = 16;
        std::uint16_t format = 1, channels = 1;
        std::uint32_t rate, byteRate;
        std::uint16_t align = 2, bits = 16;
        char data[4] = {'d', 'a', 't', 'a'};
        std::uint32_t dataSize;
    } header;
    header.size = 36 + dataBytes;
    header.rate = rate;
    header.byteRate = rate * 2;
    header.dataSize = dataBytes;
    ScopedFile file(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    DWORD written;
    WriteFile(file.get(), &header, sizeof header, &written, nullptr);
    WriteFile(file.get(), pcm.data(), dataBytes, &written, nullptr);
}

bool waitFor(const std::function<bool()>& condition, std::chrono::milliseconds timeout) {
    const auto end = std::chrono::steady_clock::now() + timeout;
    while (!condition()) {
        if (std::chrono::steady_clock::now() > end) return false;
        Sleep(50);
    }
    return true;
}

void makeFile(const std::wstring& path, DWORD attributes) {
    ScopedFile f(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, attributes, nullptr));
}

namespace {
NOTIFYICONDATAW iconData(HWND hwnd) {
    NOTIFYICONDATAW nid{};
    nid.cbSize = sizeof nid;
    nid.hWnd = hwnd;
    nid.uID = 1;
    return nid;
}
}  // namespace

bool trayIconPresent(HWND hwnd) {
    NOTIFYICONDATAW nid = iconData(hwnd);
    return Shell_NotifyIconW(NIM_MODIFY, &nid);
}

void dropTrayIcon(HWND hwnd) {
    NOTIFYICONDATAW nid = iconData(hwnd);
    Shell_NotifyIconW(NIM_DELETE, &nid);
}

std::wstring clipboardText() {
    std::wstring text;
    if (!OpenClipboard(nullptr)) return text;
    if (HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
        if (const auto* chars = static_cast<const wchar_t*>(GlobalLock(data))) {
            text = chars;
            GlobalUnlock(data);
        }
    }
    CloseClipboard();
    return text;
}

}  // namespace zt::test
