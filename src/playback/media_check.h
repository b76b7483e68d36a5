#pragma once
// The media runtime check: playback stands on Media Foundation, so its platform file in
// the system folder stands for the runtime. A missing file or a major version below 6
// ends the program; otherwise the version text is kept for the About dialog.
#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>

namespace zt {

// The file whose version stands for the media runtime, in the system folder: missing
// where Windows comes without its media features.
inline constexpr wchar_t kMediaFileName[] = L"mfplat.dll";
// What the file must offer to count when it carries no version information (as Wine's
// own build of it does): the entry point that starts Media Foundation.
inline constexpr char kMediaEntryPoint[] = "MFStartup";

// The lowest major version accepted.
inline constexpr std::uint16_t kMinMediaMajor = 6;

// The file version of a file, four 16-bit parts, major first.
struct FileVersion {
    std::uint16_t major = 0, minor = 0, third = 0, fourth = 0;
};

// The fixed file version from the file's version information; nothing when the file is
// missing or has none. When the information is there but its root block cannot be read
// (or is shorter than VS_FIXEDFILEINFO) the version is 0.0.0.0.
std::optional<FileVersion> readFileVersion(const std::wstring& path);

// "major.minor.third.fourth", plain unsigned decimals.
std::wstring versionText(const FileVersion& version);

// The system folder without a trailing backslash, or "" when Windows cannot give it.
std::wstring getWinSysDir();

// addSlash(getWinSysDir()) + kMediaFileName.
std::wstring defaultMediaFilePath();
// The file the program checks: defaultMediaFilePath(). Alone in media_check_path.cpp, so
// that a test build of the program can link another answer in its place and the program
// itself has no switch for it.
std::wstring mediaFilePath();

struct MediaCheckResult {
    bool passed = false;
    std::wstring mpVersion;  // the version text; empty when the file was not found
    std::wstring message;    // what to tell the user when not passed, else empty
    std::wstring title;
};

// The version of the system itself (RtlGetVersion), build number third.
FileVersion systemVersion();

// Checks the file at this path (no message shown). Its version is its file version; a file
// without version information that loads and offers kMediaEntryPoint came with the system
// and counts as the system's version; anything else counts as not found.
MediaCheckResult checkMediaFile(const std::wstring& path);
// checkMediaFile(mediaFilePath()).
MediaCheckResult checkMediaRuntime();

// Shows the failure message of a result that did not pass (OK button, stop icon) and
// returns when the user has closed it. Does nothing for a result that passed.
void showMediaCheckFailure(HWND owner, const MediaCheckResult& result);

}  // namespace zt
