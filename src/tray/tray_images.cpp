#include "tray/tray_images.h"

#include "common/icons.h"
#include "resource.h"

namespace zt {

TrayImages::TrayImages(HINSTANCE instance) {
    const int ids[] = {IDI_APP, IDI_MUTED, IDI_QUIET};  // by IconState
    for (int i = 0; i < 3; ++i) icons_[i].reset(loadIconMetric(instance, ids[i], false));
}

}  // namespace zt
