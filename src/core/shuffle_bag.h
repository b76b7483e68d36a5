#pragma once
// "Avoid repeats": the pick as a shuffle bag. Every file of the folder is drawn once, in
// random order, before any is drawn again. Window-free.
#include "common/random.h"

#include <string>
#include <string_view>
#include <vector>

namespace zt {

class ShuffleBag {
public:
    // The index in files (the folder as listed now, not empty) of the file to play next.
    // The bag is filled again when it is empty or files is not what it was filled from; the
    // first draw of a new bag is never justPlayed (unless it is the only file).
    int draw(const std::vector<std::wstring>& files, Random& random, std::wstring_view justPlayed);

    // The files still to come before the bag is filled again.
    std::size_t left() const { return left_.size(); }

private:
    std::vector<std::wstring> filledFrom_;
    std::vector<std::wstring> left_;
};

}  // namespace zt
