#include "core/run_driver.h"

#include <exception>

namespace zt {

bool RunDriver::request() {
    ++requested_;
    if (driving_ || announced_) return false;
    announced_ = true;
    return true;
}

void RunDriver::drive(const std::function<void()>& body, const std::function<void(const std::string&)>& failed) {
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
        try {
            body();
        } catch (const std::exception& e) {
            if (failed) failed(e.what());
        } catch (...) {
            if (failed) failed("an unknown fault");
        }
    }
}

}  // namespace zt
