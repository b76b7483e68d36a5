#include "core/shuffle_bag.h"

#include "common/random.h"

#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>
#include <vector>

namespace zt {
namespace {

std::vector<std::wstring> files(int count) {
    std::vector<std::wstring> names;
    for (int i = 0; i < count; ++i) names.push_back(L"f" + std::to_wstring(i) + L".wav");
    return names;
}

// Draws n names, each the one the previous draw named as just played.
std::vector<std::wstring> drawNames(ShuffleBag& bag, const std::vector<std::wstring>& folder, Random& random, int n,
                                    std::wstring& last) {
    std::vector<std::wstring> drawn;
    for (int i = 0; i < n; ++i) {
        const int index = bag.draw(folder, random, last);
        EXPECT_GE(index, 0);
        EXPECT_LT(index, static_cast<int>(folder.size()));
        last = folder[static_cast<std::size_t>(index)];
        drawn.push_back(last);
    }
    return drawn;
}

TEST(ShuffleBag, EachFileOncePerBagAndNeverTwiceInARowOverTenThousandDraws) {
    for (const int count : {1, 2, 3, 7, 50}) {
        SCOPED_TRACE(count);
        const auto folder = files(count);
        ShuffleBag bag;
        Random random(77);
        std::wstring last;
        const auto drawn = drawNames(bag, folder, random, 10'000, last);
        // An unchanged folder: the bags are the consecutive runs of count draws.
        for (std::size_t start = 0; start + static_cast<std::size_t>(count) <= drawn.size(); start += static_cast<std::size_t>(count)) {
            const std::set<std::wstring> bagged(drawn.begin() + static_cast<std::ptrdiff_t>(start),
                                                drawn.begin() + static_cast<std::ptrdiff_t>(start + static_cast<std::size_t>(count)));
            ASSERT_EQ(bagged.size(), static_cast<std::size_t>(count)) << "the bag from draw " << start;
        }
        for (std::size_t i = 1; count > 1 && i < drawn.size(); ++i) {
            ASSERT_NE(drawn[i], drawn[i - 1]) << "draw " << i;
        }
    }
}

TEST(ShuffleBag, OrdersVaryFromBagToBag) {
    // Any fixed order would pass the rules above: every file must turn up in every place of
    // a bag, the first place included (where the file just played is barred).
    const auto folder = files(5);
    ShuffleBag bag;
    Random random(2026);
    std::wstring last;
    const auto drawn = drawNames(bag, folder, random, 10'000, last);
    std::map<std::pair<std::size_t, std::wstring>, int> seen;  // (place in the bag, file)
    for (std::size_t i = 0; i < drawn.size(); ++i) ++seen[{i % folder.size(), drawn[i]}];
    for (std::size_t place = 0; place < folder.size(); ++place)
        for (const auto& name : folder) {
            const int times = seen[{place, name}];
            // 2000 bags: 400 expected per place and file.
            EXPECT_GT(times, 250) << place << " " << std::string(name.begin(), name.end());
            EXPECT_LT(times, 650) << place << " " << std::string(name.begin(), name.end());
        }
}

TEST(ShuffleBag, AChangedFolderRefillsTheBag) {
    const auto five = files(5);
    auto added = five;
    added.push_back(L"new.wav");
    auto removed = five;
    removed.erase(removed.begin() + 1);
    auto renamed = five;
    renamed[3] = L"other.wav";
    struct Case {
        const char* name;
        std::vector<std::wstring> folder;
    } const cases[] = {{"added", added}, {"removed", removed}, {"renamed", renamed}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        for (std::uint64_t seed = 0; seed < 200; ++seed) {
            ShuffleBag bag;
            Random random(seed);
            std::wstring last;
            drawNames(bag, five, random, 3, last);  // two left in the old bag
            const std::wstring before = last;
            const auto drawn = drawNames(bag, c.folder, random, static_cast<int>(c.folder.size()), last);
            // A whole new bag: every file of the folder as it is now, once, none of the old.
            EXPECT_EQ(std::set<std::wstring>(drawn.begin(), drawn.end()),
                      std::set<std::wstring>(c.folder.begin(), c.folder.end()));
            EXPECT_NE(drawn.front(), before);
            EXPECT_EQ(bag.left(), 0u);
        }
    }
}

TEST(ShuffleBag, TheFirstDrawOfABagIsNeverTheFileJustPlayed) {
    const auto folder = files(3);
    for (const auto& justPlayed : folder) {
        std::set<std::wstring> firsts;
        for (std::uint64_t seed = 0; seed < 300; ++seed) {
            ShuffleBag bag;
            Random random(seed);
            const int first = bag.draw(folder, random, justPlayed);
            firsts.insert(folder[static_cast<std::size_t>(first)]);
        }
        EXPECT_EQ(firsts.size(), 2u);  // both others, never it
        EXPECT_EQ(firsts.count(justPlayed), 0u);
    }
    // Alone in its folder it plays again: there is nothing else.
    ShuffleBag bag;
    Random random(1);
    EXPECT_EQ(bag.draw({L"only.wav"}, random, L"only.wav"), 0);
}

}  // namespace
}  // namespace zt
