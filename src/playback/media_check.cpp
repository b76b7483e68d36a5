#include "playback/media_check.h"

#include <cstring>
#include <vector>

#include "common/text.h"
#include "common/winutil.h"

namespace zt {

std::optional<FileVersion> readFileVersion(const std::wstring& path) {
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeW(path.c_str(), &ignored);
    if (size == 0) return std::nullopt;

    // An unreadable root block leaves the record at zero, which the check refuses.
    VS_FIXEDFILEINFO info{};
    std::vector<BYTE> block(size);
    if (GetFileVersionInfoW(path.c_str(), 0, size, block.data())) {
        void* root = nullptr;
        UINT length = 0;
        if (VerQueryValueW(block.data(), L"\\", &root, &length) && root && length >= sizeof info) {
            // Only trust a root block that lies wholly inside our buffer.
            const auto* begin = block.data();
            const auto* at = static_cast<const BYTE*>(root);
            if (at >= begin && static_cast<std::size_t>(at - begin) + sizeof info <= block.size())
                std::memcpy(&info, at, sizeof info);
        }
    }
    return FileVersion{HIWORD(info.dwFileVersionMS), LOWORD(info.dwFileVersionMS),
                       HIWORD(info.dwFileVersionLS), LOWORD(info.dwFileVersionLS)};
}

std::wstring versionText(const FileVersion& v) {
    return std::to_wstring(v.major) + L'.' + std::to_wstring(v.minor) + L'.' + std::to_wstring(v.third) +
           L'.' + std::to_wstring(v.fourth);
}

std::wstring getWinSysDir() {
    std::wstring dir(MAX_PATH, L'\0');
    for (;;) {
        const UINT n = GetSystemDirectoryW(dir.data(), static_cast<UINT>(dir.size()));
        if (n == 0) return {};
        if (n < dir.size()) {
            dir.resize(n);
            return dir;
        }
        dir.resize(n);  // n is the size needed, NUL included
    }
}

std::wstring defaultMediaFilePath() { return addSlash(getWinSysDir()) + kMediaFileName; }

FileVersion systemVersion() {
    // GetVersionExW answers what the manifest allows; the kernel's own answer is the truth.
    using RtlGetVersionFn = LONG(WINAPI*)(OSVERSIONINFOW*);
    OSVERSIONINFOW info{};
    info.dwOSVersionInfoSize = sizeof info;
    const auto rtlGetVersion = reinterpret_cast<RtlGetVersionFn>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "RtlGetVersion")));
    if (!rtlGetVersion || rtlGetVersion(&info) != 0) return {};
    return FileVersion{static_cast<std::uint16_t>(info.dwMajorVersion), static_cast<std::uint16_t>(info.dwMinorVersion),
                       static_cast<std::uint16_t>(info.dwBuildNumber), 0};
}

namespace {

// Whether the file loads as a DLL and offers the entry point. Only its export table is
// read: the library's start-up code and its own dependencies are left for the first play
// (loading them here held the first countdown value by some 15-40 ms).
bool offersEntryPoint(const std::wstring& path) {
    const HMODULE module =
        LoadLibraryExW(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH | DONT_RESOLVE_DLL_REFERENCES);
    if (!module) return false;
    const bool found = GetProcAddress(module, kMediaEntryPoint) != nullptr;
    FreeLibrary(module);
    return found;
}

}  // namespace

MediaCheckResult checkMediaFile(const std::wstring& path) {
    MediaCheckResult result;
    auto version = readFileVersion(path);
    if (!version && FileExists(path) && offersEntryPoint(path)) version = systemVersion();
    if (!version) {
        result.message = L"Media Player 6.x not found!";
        result.title = L"Media Player 6.x Required";
        return result;
    }
    result.mpVersion = versionText(*version);
    if (version->major < kMinMediaMajor) {
        result.message = L"You are using Media Player " + result.mpVersion + L". Version 6.x required. See documentation.";
        result.title = L"Media Player 6 Required";
        return result;
    }
    result.passed = true;
    return result;
}

MediaCheckResult checkMediaRuntime() { return checkMediaFile(mediaFilePath()); }

void showMediaCheckFailure(HWND owner, const MediaCheckResult& result) {
    if (result.passed) return;
    MessageBoxW(owner, result.message.c_str(), result.title.c_str(), MB_OK | MB_ICONSTOP);
}

}  // namespace zt
