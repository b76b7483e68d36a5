#include "tray/tray_images.h"

#include "common/icons.h"
#include "resource.h"

namespace zt {

TrayImages::TrayImages(HINSTANCE instance) {
    constexpr std::array<int, 3> kIds = {IDI_APP, IDI_MUTED, IDI_QUIET};  // by IconState
    for (std::size_t i = 0; i < kIds.size(); ++i) icons_.at(i).reset(loadIconMetric(instance, kIds.at(i), false));
}

}  // namespace zt
