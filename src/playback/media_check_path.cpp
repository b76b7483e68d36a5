#include "playback/media_check.h"

namespace zt {

std::wstring mediaFilePath() { return defaultMediaFilePath(); }

}  // namespace zt
