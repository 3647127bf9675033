#include "ZelvoKit/ZelvoApi/api/ZVApiStats.h"

#include "platform/foundation/Scheduler.h"
#include "platform/foundation/UserDefaults.h"

#include <gtest/gtest.h>

#include <limits>

namespace {

using namespace Qt::Literals::StringLiterals;

TEST(ZVApiStatsTest, TrafficAddsUpAndOnlyAnswersWithABodyMoveTheResponseTime) {
    ZVApiStats stats;
    EXPECT_FALSE(stats.lastResponseTime().isValid());
    stats.reportTrafficSent(120, 0);
    EXPECT_FALSE(stats.lastResponseTime().isValid());
    stats.reportTrafficSent(30, 900);
    const QDateTime answered = platform::Scheduler::main().currentDate();
    platform::Scheduler::main().advance(60);
    stats.reportTrafficSent(10, 0);
    stats.reportSentMessage();
    stats.reportReceivedMessage();
    stats.reportReceivedMessage();

    EXPECT_EQ(stats.bytesSent(), 160);
    EXPECT_EQ(stats.bytesReceived(), 900);
    EXPECT_EQ(stats.messagesSent(), 1);
    EXPECT_EQ(stats.messagesReceived(), 2);
    EXPECT_EQ(stats.lastResponseTime(), answered);
    EXPECT_EQ(stats.description(),
              u"Bytes sent: 160\nBytes received: 900\nMessages received: 2\nMessages sent: 1\n"
              u"Last response: "_s +
                  answered.toUTC().toString(u"yyyy-MM-dd HH:mm:ss"_s) + u" +0000"_s);
}

TEST(ZVApiStatsTest, SavedCountersAndTheTimeComeBackExactly) {
    ZVApiStats saved;
    saved.reportTrafficSent(1234, 56789);
    saved.reportSentMessage();
    saved.reportReceivedMessage();
    saved.save();

    ZVApiStats loaded;
    loaded.load();
    EXPECT_EQ(loaded.bytesSent(), 1234);
    EXPECT_EQ(loaded.bytesReceived(), 56789);
    EXPECT_EQ(loaded.messagesSent(), 1);
    EXPECT_EQ(loaded.messagesReceived(), 1);
    ASSERT_TRUE(loaded.lastResponseTime().isValid());
    EXPECT_EQ(loaded.lastResponseTime(), saved.lastResponseTime());

    ZVApiStats never;
    platform::UserDefaults::standard()->removeObjectForKey(ZVApiStats::LastResponseTimeKey);
    never.save();
    ZVApiStats empty;
    empty.load();
    EXPECT_FALSE(empty.lastResponseTime().isValid());
    EXPECT_EQ(empty.bytesSent(), 0);
}

TEST(ZVApiStatsTest, CountersStopAtTheirLimitInsteadOfTurningNegative) {
    ZVApiStats stats;
    const std::int64_t gibibyte = 1LL << 30;
    stats.reportTrafficSent(gibibyte, gibibyte);
    stats.reportTrafficSent(gibibyte, gibibyte);
    stats.reportTrafficSent(gibibyte, 1);
    EXPECT_EQ(stats.bytesSent(), std::numeric_limits<std::int32_t>::max());
    EXPECT_EQ(stats.bytesReceived(), std::numeric_limits<std::int32_t>::max());
}

}  // namespace
