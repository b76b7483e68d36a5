#pragma once
// UTF-8 <-> the platform's wide text (UTF-16 on Windows, UTF-32 elsewhere), for test names
// and files the tests read. Malformed input becomes U+FFFD rather than failing.
#include <string>
#include <string_view>

namespace zt::test {

std::wstring utf8ToWide(std::string_view utf8);
std::string wideToUtf8(std::wstring_view wide);

}  // namespace zt::test
