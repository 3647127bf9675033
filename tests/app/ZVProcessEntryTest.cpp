#include "app/shell/ZVProcessEntry.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <thread>

namespace {

TEST(ZVProcessEntryDeathTest, AnUncaughtExceptionIsLoggedAndTheProcessFails) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    // Out of the loop: logged, flushed, and the status says it failed.
    EXPECT_EXIT(
        {
            const int status =
                ZVProcessEntry::run([]() -> int { throw std::runtime_error("out of the loop"); });
            std::exit(status);
        },
        testing::ExitedWithCode(ZVProcessEntry::kUncaughtExceptionStatus),
        "Exception: out of the loop(.|\n)*Backtrace: ");
    // Past every handler, through std::terminate (here from another thread).
    EXPECT_EXIT(
        {
            ZVProcessEntry::installUncaughtExceptionHandler();
            std::thread([] { throw std::logic_error("nobody caught this"); }).join();
        },
        testing::ExitedWithCode(ZVProcessEntry::kUncaughtExceptionStatus),
        "Exception: nobody caught this(.|\n)*Backtrace: ");
}

TEST(ZVProcessEntry, ALoopThatEndsNormallyGivesItsOwnStatus) {
    EXPECT_EQ(ZVProcessEntry::run([] { return 3; }), 3);
}

}  // namespace
