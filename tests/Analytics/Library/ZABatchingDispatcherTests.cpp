#include "tests/Analytics/Library/AnalyticsFixture.h"

#include "Analytics/Library/ZAClock.h"
#include "Analytics/Library/ZACompressionUtil.h"
#include "Analytics/Library/ZAHitUtil.h"
#include "tests/support/RefusingPort.h"

namespace {

std::uint32_t storedHits() {
    auto dispatcher = ZA::sharedInstance().dispatcher();
    return dispatcher->dataStore()->hitCount();
}

}  // namespace

using Dispatcher = AnalyticsTest;

TEST_F(Dispatcher, StoredHitsGoOutOneSecondAfterStartOnePerAnswer) {
    storeHits(3);
    ZA::sharedInstance();
    advance(0.9);
    EXPECT_EQ(collector_.requestCount(), 0u);

    platform::Scheduler::main().advance(0.2);
    ASSERT_TRUE(waitFor([&] { return collector_.requestCount() == 3; }));
    ASSERT_TRUE(waitFor([&] { return storedHits() == 0; }));
    const auto requests = collector_.requests();
    for (int i = 0; i < 3; ++i) {
        // One small hit each: a GET whose query is the hit.
        EXPECT_EQ(requests[i].method, "GET");
        ASSERT_EQ(requests[i].hits.size(), 1);
        EXPECT_EQ(requests[i].hits[0].value(QStringLiteral("ea")),
                  QStringLiteral("stored %1").arg(i));
        EXPECT_TRUE(requests[i].hits[0].contains(QStringLiteral("ht")));
        EXPECT_TRUE(requests[i].headers.value("user-agent").startsWith("ZelvoAnalytics/3.09 ("));
    }
    // With the store empty no timer runs: nothing more goes out, however long we wait.
    advance(600);
    EXPECT_EQ(collector_.requestCount(), 3u);
    EXPECT_EQ(dispatches_.load(), 3);
}

TEST_F(Dispatcher, AnyHttpAnswerDeletesTheHitButNoAnswerKeepsItForTheNextTurn) {
    collector_.setStatus(500);
    storeHits(1);
    ZA::sharedInstance();
    advance(1.0);
    ASSERT_TRUE(waitFor([&] { return collector_.requestCount() == 1 && storedHits() == 0; }));

    ZA::resetSharedInstance();
    zvtest::RefusingPort refusing;
    ASSERT_TRUE(refusing.isBound());
    pointAt(refusing.baseUrl() + QStringLiteral("collect"));
    storeHits(1);
    dispatches_ = 0;
    ZA::sharedInstance();
    advance(1.0);
    ASSERT_TRUE(waitFor([&] { return logger_->contains(QStringLiteral("Dispatch error")); }));
    settle();
    EXPECT_EQ(dispatches_.load(), 1);
    EXPECT_EQ(storedHits(), 1u);
    // The failed first send armed the timer: the hit is tried again at the next turn.
    advance(ZABatchingDispatcher::kDefaultDispatchInterval);
    ASSERT_TRUE(waitFor([&] { return dispatches_.load() == 2; }));
    EXPECT_EQ(storedHits(), 1u);
}

TEST_F(Dispatcher, CompletionHandlerTellsWhatHappened) {
    std::atomic<int> result{-1};
    auto& analytics = ZA::sharedInstance();
    settle();
    analytics.dispatchWithCompletionHandler([&](int r) { result = r; });
    ASSERT_TRUE(waitFor([&] { return result.load() == ZABatchingDispatcher::NoData; }));

    storeHits(1);
    ZA::resetSharedInstance();
    auto& restarted = ZA::sharedInstance();
    reachability_->setFlags(0);
    settle();
    result = -1;
    restarted.dispatchWithCompletionHandler([&](int r) { result = r; });
    ASSERT_TRUE(waitFor([&] { return result.load() == ZABatchingDispatcher::NoData; }));
    EXPECT_EQ(collector_.requestCount(), 0u);

    reachability_->setFlags(za::reachability::kReachable);
    result = -1;
    restarted.dispatchWithCompletionHandler([&](int r) { result = r; });
    ASSERT_TRUE(waitFor([&] { return result.load() == ZABatchingDispatcher::Good; }));
    EXPECT_EQ(collector_.requestCount(), 1u);
}

TEST_F(Dispatcher, NoAnswerIsAFailureAndKeepsTheHit) {
    zvtest::RefusingPort refusing;
    ASSERT_TRUE(refusing.isBound());
    pointAt(refusing.baseUrl() + QStringLiteral("collect"));
    auto& analytics = ZA::sharedInstance();
    analytics.setDispatchInterval(0);
    analytics.dispatcher()->queueDispatch({{QStringLiteral("&t"), QStringLiteral("event")}});
    settle();
    std::atomic<int> result{-1};
    analytics.dispatchWithCompletionHandler([&](int r) { result = r; });
    ASSERT_TRUE(waitFor([&] { return result.load() != -1; }));
    EXPECT_EQ(result.load(), ZABatchingDispatcher::Error);
    EXPECT_EQ(storedHits(), 1u);
}

TEST_F(Dispatcher, HitsPastTheAgeLimitAreDeletedUnsent) {
    const QDateTime now = za::currentDate();
    storeHits(1, now.addSecs(-30 * 24 * 3600));
    storeHits(1, now.addSecs(-10));
    ZA::sharedInstance();
    advance(1.0);
    ASSERT_TRUE(waitFor([&] { return collector_.requestCount() == 1 && storedHits() == 0; }));
    advance(1.0);
    EXPECT_EQ(collector_.requestCount(), 1u);
    // The fresh hit, which waited 10 s, says so.
    EXPECT_EQ(collector_.hits()[0].value(QStringLiteral("qt")).toLongLong(), 10000 + 1000);
}

TEST_F(Dispatcher, SamplingKeepsHitsByClientHash) {
    // clientHash("a") % 10000 is 9345.
    ASSERT_EQ(ZAHitUtil::clientHash(QStringLiteral("a")) % 10000, 9345u);
    struct Case {
        const char* rate;
        bool kept;
    };
    auto dispatcher = ZA::sharedInstance().dispatcher();
    dispatcher->setDispatchInterval(0);
    std::uint32_t expected = 0;
    for (const Case& c : {Case{"0", false}, Case{"50", false}, Case{"93.45", false},
                          Case{"93.46", true}, Case{"100", true}, Case{"often", true}}) {
        dispatcher->queueDispatch({{QStringLiteral("&t"), QStringLiteral("event")},
                                   {QStringLiteral("&cid"), QStringLiteral("a")},
                                   {QStringLiteral("&sf"), QString::fromLatin1(c.rate)}});
        settle();
        expected += c.kept ? 1 : 0;
        EXPECT_EQ(dispatcher->dataStore()->hitCount(), expected) << c.rate;
    }
}

TEST_F(Dispatcher, CompressedPostCarriesTheWholePayload) {
    for (unsigned compression :
         {ZARequestBuilder::CompressionGzip, ZARequestBuilder::CompressionDeflate}) {
        ZA::resetSharedInstance();
        storeHits(2);
        auto dispatcher = ZA::sharedInstance().dispatcher();
        dispatcher->setCompressionStrategy(compression);
        dispatcher->setBatchingStrategy(1);
        const std::size_t before = collector_.requestCount();
        advance(1.0);
        ASSERT_TRUE(waitFor([&] { return collector_.requestCount() == before + 1; }));
        const auto request = collector_.requests().last();
        EXPECT_EQ(request.method, "POST");
        EXPECT_EQ(request.headers.value("content-encoding"),
                  compression == ZARequestBuilder::CompressionGzip ? "gzip" : "deflate");
        // The length sent is the compressed one.
        const auto compressed = compression == ZARequestBuilder::CompressionGzip
                                    ? ZACompressionUtil::gzip(request.payload)
                                    : ZACompressionUtil::deflate(request.payload);
        ASSERT_TRUE(compressed.has_value());
        EXPECT_EQ(request.headers.value("content-length").toLongLong(), compressed->size());
        EXPECT_LT(compressed->size(), request.payload.size());
        ASSERT_EQ(request.hits.size(), 2);
        EXPECT_EQ(request.hits[1].value(QStringLiteral("ea")), QStringLiteral("stored 1"));
        ASSERT_TRUE(waitFor([&] { return dispatcher->dataStore()->hitCount() == 0; }));
    }
}

TEST_F(Dispatcher, OversizedHitIsDroppedWithoutAnEmptyRequest) {
    auto dispatcher = ZA::sharedInstance().dispatcher();
    dispatcher->setDispatchInterval(0);
    dispatcher->queueDispatch({{QStringLiteral("&t"), QStringLiteral("event")},
                               {QStringLiteral("&el"), QString(9000, QLatin1Char('x'))}});
    dispatcher->queueDispatch({{QStringLiteral("&t"), QStringLiteral("event")},
                               {QStringLiteral("&el"), QStringLiteral("small")}});
    settle();
    ASSERT_EQ(dispatcher->dataStore()->hitCount(), 2u);
    dispatcher->dispatch();
    ASSERT_TRUE(waitFor([&] {
        return collector_.requestCount() == 1 && dispatcher->dataStore()->hitCount() == 0;
    }));
    EXPECT_EQ(collector_.hits()[0].value(QStringLiteral("el")), QStringLiteral("small"));
}

TEST_F(Dispatcher, OptingOutDeletesStoredHitsAndQueuesNoMore) {
    storeHits(2);
    auto& analytics = ZA::sharedInstance();
    analytics.setOptOut(true);
    settle();
    EXPECT_EQ(storedHits(), 0u);
    analytics.dispatcher()->queueDispatch({{QStringLiteral("&t"), QStringLiteral("event")}});
    settle();
    EXPECT_EQ(storedHits(), 0u);

    // The choice outlives a reset and the new dispatcher it brings.
    analytics.reset();
    EXPECT_TRUE(analytics.optOut());
    analytics.dispatcher()->queueDispatch({{QStringLiteral("&t"), QStringLiteral("event")}});
    settle();
    EXPECT_EQ(storedHits(), 0u);
}

TEST_F(Dispatcher, IntervalZeroLeavesHitsForAnExplicitDispatch) {
    auto& analytics = ZA::sharedInstance();
    analytics.setDispatchInterval(0);
    advance(1.0);
    analytics.dispatcher()->queueDispatch({{QStringLiteral("&t"), QStringLiteral("event")}});
    advance(3600);
    EXPECT_EQ(collector_.requestCount(), 0u);
    analytics.dispatch();
    ASSERT_TRUE(waitFor([&] { return collector_.requestCount() == 1; }));
}

TEST_F(Dispatcher, BatchLengthByStrategy) {
    auto at = [](qint64 ms, const char* control = nullptr) {
        ZAHitRecord hit;
        hit.timestamp = QDateTime::fromMSecsSinceEpoch(ms, Qt::UTC);
        if (control) {
            hit.parameters.insert(QStringLiteral("&sc"), QString::fromLatin1(control));
        }
        return hit;
    };
    const std::vector<ZAHitRecord> gaps = {at(0), at(10), at(500), at(510), at(900)};
    EXPECT_EQ(ZABatchingDispatcher::batchByTimeGap(gaps, 5), 2u);
    EXPECT_EQ(ZABatchingDispatcher::batchByTimeGap(gaps, 1), 1u);
    EXPECT_EQ(ZABatchingDispatcher::batchByTimeGap(gaps, 0), 0u);
    // A tie goes to the later pair.
    EXPECT_EQ(ZABatchingDispatcher::batchByTimeGap({at(0), at(100), at(200)}, 3), 2u);
    EXPECT_EQ(ZABatchingDispatcher::batchBySessionSplit({at(0), at(1), at(2, "start"), at(3)}, 4),
              2u);
    EXPECT_EQ(ZABatchingDispatcher::batchBySessionSplit({at(0), at(1, "end"), at(2), at(3)}, 4),
              2u);
    EXPECT_EQ(ZABatchingDispatcher::batchBySessionSplit({at(0), at(1), at(2)}, 3), 3u);
}
