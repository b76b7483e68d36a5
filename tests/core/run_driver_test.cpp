#include "core/run_driver.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <stdexcept>

namespace zt {
namespace {

TEST(RunDriver, OnlyTheFirstRequestOfABurstAsksForAMessage) {
    RunDriver driver;
    EXPECT_FALSE(driver.abandoned());
    EXPECT_TRUE(driver.request());
    EXPECT_FALSE(driver.request());  // already announced
    EXPECT_TRUE(driver.announced());
    int runs = 0;
    driver.drive([&] {
        EXPECT_FALSE(driver.announced());  // the message has arrived
        ++runs;
        driver.drive([&] { ++runs; });  // never nested: returns at once
        EXPECT_FALSE(driver.abandoned());
    });
    EXPECT_EQ(runs, 1);
    EXPECT_TRUE(driver.request());  // idle again: a new message is needed
}

TEST(RunDriver, ARequestInsideABodyReplacesItAfterItReturns) {
    RunDriver driver;
    ASSERT_TRUE(driver.request());
    int runs = 0, depth = 0, maxDepth = 0;
    driver.drive([&] {
        maxDepth = std::max(maxDepth, ++depth);
        if (++runs < 3) {
            EXPECT_FALSE(driver.request());  // a run is in progress: no message
            EXPECT_TRUE(driver.abandoned());
            driver.request();  // a second one before unwinding gives no extra run
        }
        --depth;
    });
    EXPECT_EQ(runs, 3);
    EXPECT_EQ(maxDepth, 1);
    EXPECT_FALSE(driver.abandoned());
}

TEST(RunDriver, DriveNeverNestsAndNeedsARequest) {
    RunDriver driver;
    int runs = 0;
    driver.drive([&] { ++runs; });
    EXPECT_EQ(runs, 0);

    driver.request();
    driver.drive([&] {
        ++runs;
        driver.drive([&] { ADD_FAILURE() << "nested run"; });
    });
    EXPECT_EQ(runs, 1);
}

TEST(RunDriver, StaysUsableWhenABodyThrows) {
    RunDriver driver;
    driver.request();
    EXPECT_THROW(driver.drive([] { throw std::runtime_error("boom"); }), std::runtime_error);
    EXPECT_TRUE(driver.request());
    int runs = 0;
    driver.drive([&] { ++runs; });
    EXPECT_EQ(runs, 1);
}

}  // namespace
}  // namespace zt
