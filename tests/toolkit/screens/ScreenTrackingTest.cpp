#include "ZelvoKit/support/tracking/ZVEventTracker.h"
#include "tests/Analytics/Library/AnalyticsFixture.h"
#include "tests/toolkit/screens/ScreenStage.h"

using ScreenTracking = AnalyticsTest;

// A screen reports its page as it appears and its user's actions after them; a screen without a
// category reports neither, which shows once a reporting screen's hits are all that arrived.
TEST_F(ScreenTracking, OnlyScreensWithACategoryReport) {
    ZVEventTracker::reset();
    ScreenStage stage;
    auto silent = stage.show(std::make_shared<TestScreen>());
    silent->reportAction("Conversation", "archive");

    auto reporting = std::make_shared<TestScreen>();
    reporting->setTrackingCategory(4);
    stage.show(reporting);
    reporting->reportAction("Conversation", "archive");
    advance(1.0);
    ASSERT_TRUE(waitFor([&] { return collector_.hits().size() >= 2; }));
    advance(1.0);
    settle();
    const auto hits = collector_.hits();
    ASSERT_EQ(hits.size(), 2);
    EXPECT_EQ(hits[0].value("t"), "screenview");
    EXPECT_EQ(hits[0].value("cd"), "Conversation list screen");
    EXPECT_EQ(hits[1].value("t"), "event");
    EXPECT_EQ(hits[1].value("ea"), "Conversation");
    EXPECT_EQ(hits[1].value("el"), "archive");
    ZVEventTracker::reset();
}
