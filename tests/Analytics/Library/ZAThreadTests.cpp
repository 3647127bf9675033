#include "tests/Analytics/Library/AnalyticsFixture.h"

using SdkThread = AnalyticsTest;

TEST_F(SdkThread, WaitingHopRunsInPlaceOnTheThreadItself) {
    auto& thread = ZAThread::shared();
    bool ranOnThread = false;
    bool nestedInPlace = false;
    thread.performAndWait([&] {
        ranOnThread = ZAThread::isCurrent();
        bool inner = false;
        thread.performAndWait([&] { inner = true; });
        nestedInPlace = inner;
    });
    EXPECT_TRUE(ranOnThread);
    EXPECT_TRUE(nestedInPlace);
    EXPECT_FALSE(ZAThread::isCurrent());
    EXPECT_EQ(thread.objectName(), QStringLiteral("ZAThread"));
}

TEST_F(SdkThread, DelayedCallsAndTimersFollowTheVirtualClock) {
    auto& thread = ZAThread::shared();
    std::atomic<int> once{0};
    std::atomic<int> repeated{0};
    std::atomic<int> cancelled{0};
    thread.after(1.0, [&] { ++once; });
    auto timer = thread.every(10.0, [&] { ++repeated; });
    auto dropped = thread.after(0.5, [&] { ++cancelled; });
    dropped.cancel();
    advance(0.9);
    EXPECT_EQ(once.load(), 0);
    advance(0.2);
    EXPECT_EQ(once.load(), 1);
    advance(30.0);
    EXPECT_EQ(repeated.load(), 3);
    timer.cancel();
    advance(30.0);
    EXPECT_EQ(repeated.load(), 3);
    EXPECT_EQ(cancelled.load(), 0);
    EXPECT_FALSE(timer.isValid());
}

TEST(ZAThreadShutdown, RunsWhatWasQueuedThenEndsAndDropsLaterWork) {
    ZAThread thread;
    thread.start();
    std::atomic<int> ran{0};
    thread.performAndWait([] {});
    for (int i = 0; i < 3; ++i) {
        EXPECT_TRUE(thread.post([&] { ++ran; }));
    }
    thread.shutdown();
    EXPECT_TRUE(thread.isFinished());
    EXPECT_EQ(ran.load(), 3);
    EXPECT_FALSE(thread.post([&] { ++ran; }));
    // A waiting hop to an ended thread returns instead of waiting for ever.
    thread.performAndWait([&] { ++ran; });
    EXPECT_EQ(ran.load(), 3);
}
