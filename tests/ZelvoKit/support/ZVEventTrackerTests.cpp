#include "ZelvoKit/support/tracking/ZVEventTracker.h"

#include "tests/Analytics/Library/AnalyticsFixture.h"

using EventTracker = AnalyticsTest;

TEST_F(EventTracker, PageThenEventGiveTheTwoHits) {
    auto& tracker = ZVEventTracker::tracker();
    tracker.reportPage(5);
    tracker.reportEventWithCategory(5, QStringLiteral("Send"), QString());
    advance(1.0);
    ASSERT_TRUE(waitFor([&] { return collector_.requestCount() == 2; }));
    const auto hits = collector_.hits();
    const QString clientId = ZA::sharedInstance().clientId();

    auto expectCommon = [&](const QMap<QString, QString>& hit) {
        EXPECT_EQ(hit.value(QStringLiteral("tid")), QStringLiteral("ZA-24681357-1"));
        EXPECT_EQ(hit.value(QStringLiteral("cid")), clientId);
        EXPECT_EQ(hit.value(QStringLiteral("v")), QStringLiteral("1"));
        EXPECT_EQ(hit.value(QStringLiteral("_v")), QStringLiteral("mi3.0.9"));
        EXPECT_EQ(hit.value(QStringLiteral("_crc")), QStringLiteral("0"));
        // The screen name stays with the tracker: the event carries it too.
        EXPECT_EQ(hit.value(QStringLiteral("cd")), QStringLiteral("Conversation screen"));
        for (const char* key : {"ul", "sr", "a", "ht", "z"}) {
            EXPECT_FALSE(hit.value(QString::fromLatin1(key)).isEmpty()) << key;
        }
        EXPECT_EQ(hit.lastKey(), QStringLiteral("z"));
    };
    ASSERT_EQ(hits.size(), 2);
    expectCommon(hits[0]);
    EXPECT_EQ(hits[0].value(QStringLiteral("t")), QStringLiteral("screenview"));
    EXPECT_EQ(hits[0].value(QStringLiteral("_u")), QStringLiteral(".nK9L"));
    EXPECT_FALSE(hits[0].contains(QStringLiteral("ec")));

    expectCommon(hits[1]);
    EXPECT_EQ(hits[1].value(QStringLiteral("t")), QStringLiteral("event"));
    EXPECT_EQ(hits[1].value(QStringLiteral("ec")), QStringLiteral("Conversation screen"));
    EXPECT_EQ(hits[1].value(QStringLiteral("ea")), QStringLiteral("Send"));
    EXPECT_EQ(hits[1].value(QStringLiteral("_u")), QStringLiteral(".yL"));
    // No label and no value: the fields are left out, not sent empty.
    EXPECT_FALSE(hits[1].contains(QStringLiteral("el")));
    EXPECT_FALSE(hits[1].contains(QStringLiteral("ev")));
    // Only a screen view moves the screen-view counter.
    EXPECT_EQ(hits[0].value(QStringLiteral("a")), hits[1].value(QStringLiteral("a")));
}

TEST_F(EventTracker, UnknownCategories) {
    EXPECT_EQ(ZVEventTracker::valueForCategory(14), QStringLiteral("subscriptions"));
    EXPECT_TRUE(ZVEventTracker::valueForCategory(0).isNull());
    auto& tracker = ZVEventTracker::tracker();
    tracker.reportEventWithCategory(0, QStringLiteral("Tap"), QStringLiteral("x"));
    tracker.reportEventWithCategory(15, QStringLiteral("Tap"), QStringLiteral("x"));
    tracker.reportPage(99);
    advance(1.0);
    ASSERT_TRUE(waitFor([&] { return collector_.requestCount() == 1; }));
    advance(1.0);
    const auto hits = collector_.hits();
    ASSERT_EQ(hits.size(), 1);
    EXPECT_EQ(hits[0].value(QStringLiteral("t")), QStringLiteral("screenview"));
    EXPECT_FALSE(hits[0].contains(QStringLiteral("cd")));
}

TEST_F(EventTracker, QueuedWhileTheCollectorIsDownDeliveredAfterRestart) {
    const QString collector = collector_.collectUrl();
    zvtest::RefusingPort refusing;
    pointAt(refusing.baseUrl() + QStringLiteral("collect"));
    ZVEventTracker::tracker().reportPage(4);
    advance(1.0);
    ASSERT_TRUE(waitFor([&] { return logger_->contains(QStringLiteral("Dispatch error")); }));

    // A new process: the stored hit goes out to the collector, now reachable.
    ZVEventTracker::reset();
    ZA::resetSharedInstance();
    pointAt(collector);
    ZVEventTracker::tracker();
    advance(1.0);
    ASSERT_TRUE(waitFor([&] { return collector_.requestCount() == 1; }));
    EXPECT_EQ(collector_.hits()[0].value(QStringLiteral("cd")),
              QStringLiteral("Conversation list screen"));
}
