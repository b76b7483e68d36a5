#include "core/run_driver.h"

namespace zt {

bool RunDriver::request() {
    ++requested_;
    if (driving_ || announced_) return false;
    announced_ = true;
    return true;
}

void RunDriver::drive(const std::function<void()>& body) {
    if (driving_) return;
    announced_ = false;
    driving_ = true;
    // Cleared however the body leaves, so that a later request posts a message again.
    struct Reset {
        bool& flag;
        ~Reset() { flag = false; }
    } reset{driving_};
    while (started_ != requested_) {
        started_ = requested_;
        body();
    }
}

}  // namespace zt
