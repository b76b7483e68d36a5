#include "core/shuffle_bag.h"

#include <algorithm>
#include <iterator>

namespace zt {

int ShuffleBag::draw(const std::vector<std::wstring>& files, Random& random, std::wstring_view justPlayed) {
    if (files.empty()) return 0;
    const bool refill = left_.empty() || files != filledFrom_;
    if (refill) {
        filledFrom_ = files;
        left_ = files;
    }
    // A new bag must not start with the file that ended the last one (or was just heard
    // before the folder changed): left out of the first draw only.
    auto barred = left_.end();
    if (refill && left_.size() > 1) barred = std::find(left_.begin(), left_.end(), justPlayed);
    const std::size_t choices = left_.size() - (barred == left_.end() ? 0 : 1);
    auto k = std::min(choices - 1, static_cast<std::size_t>(static_cast<double>(random.next()) * static_cast<double>(choices)));
    if (barred != left_.end() && k >= static_cast<std::size_t>(barred - left_.begin())) ++k;

    const auto chosen = left_.begin() + static_cast<std::ptrdiff_t>(k);
    const auto index = std::find(files.begin(), files.end(), *chosen) - files.begin();
    // The order of the rest does not matter: the next draw is random again.
    std::iter_swap(chosen, std::prev(left_.end()));
    left_.pop_back();
    return static_cast<int>(index);
}

}  // namespace zt
