#include "core/run_driver.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

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

TEST(RunDriver, AFaultEndsOnlyItsRunAndIsToldSoTheNextCanBeAsked) {
    struct Case {
        const char* name;
        std::function<void()> fault;
        std::string heard;
    };
    const Case cases[] = {
        {"a standard exception", [] { throw std::runtime_error("the device vanished"); }, "the device vanished"},
        {"anything else", [] { throw 42; }, "an unknown fault"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        RunDriver driver;
        std::vector<std::string> faults;
        int runs = 0;
        const auto body = [&] {
            if (++runs == 1) c.fault();
        };
        ASSERT_TRUE(driver.request());
        // The fault's handler asks for the next run, as the program does a moment later.
        bool again = false;
        driver.drive(body, [&](const std::string& why) {
            faults.push_back(why);
            again = driver.request();
        });
        EXPECT_EQ(faults, std::vector<std::string>{c.heard});
        EXPECT_FALSE(again);  // asked from inside: the driver runs it without a message
        EXPECT_EQ(runs, 2);

        // Idle again, and a fault left nothing behind: the next request needs a message.
        EXPECT_TRUE(driver.request());
        driver.drive(body);
        EXPECT_EQ(runs, 3);
    }
}

TEST(RunDriver, AFaultWithNobodyToTellIsStillCaught) {
    RunDriver driver;
    driver.request();
    EXPECT_NO_THROW(driver.drive([] { throw std::runtime_error("boom"); }));
    EXPECT_TRUE(driver.request());
}

}  // namespace
}  // namespace zt
