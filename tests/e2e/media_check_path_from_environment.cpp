// The test build of the program: the media check looks at the file ZT_TEST_MEDIA_FILE
// names, when it is set, so that the end-to-end tests can fail the check of the real
// program. Linked in place of the program's own mediaFilePath().
#include "playback/media_check.h"

namespace zt {

std::wstring mediaFilePath() {
    constexpr wchar_t kVariable[] = L"ZT_TEST_MEDIA_FILE";
    const DWORD needed = GetEnvironmentVariableW(kVariable, nullptr, 0);
    if (needed <= 1) return defaultMediaFilePath();
    std::wstring path(needed, L'\0');
    path.resize(GetEnvironmentVariableW(kVariable, path.data(), needed));
    return path;
}

}  // namespace zt
