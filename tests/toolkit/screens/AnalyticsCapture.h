#pragma once

#include "ZelvoKit/support/tracking/ZVEventTracker.h"
#include "tests/Analytics/Library/AnalyticsFixture.h"

#include <QtCore/QList>
#include <QtCore/QMap>
#include <QtCore/QString>
#include <QtCore/QStringList>

#include <memory>

// The screens' usage reports as the collection service on loopback receives them, for a test
// whose fixture is another's (a signed-in account, the shell). Lives within one test.
class AnalyticsCapture {
public:
    // Each dispatch sends a batch of at most 20 hits.
    static constexpr int kMaxRounds = 10;

    AnalyticsCapture() {
        ZAReachabilityApi::setDefaultApi(reachability_);
        // Earlier screens of this program made an analytics instance whose timers are gone.
        ZA::resetSharedInstance();
        ZVEventTracker::reset();
        started_ = collector_.start();
        ZABatchingDispatcher::setEndpointUrls(collector_.collectUrl(), collector_.collectUrl());
        // No timed dispatch: one whose answer is late would time out as the test moves the clock,
        // and its hits would go again. events() dispatches with the clock standing.
        ZA::sharedInstance().setDispatchInterval(0);
    }
    ~AnalyticsCapture() {
        ZVEventTracker::reset();
        ZA::resetSharedInstance();
        ZAReachabilityApi::setDefaultApi(nullptr);
        ZABatchingDispatcher::setEndpointUrls(defaultHttps_, defaultHttp_);
    }
    AnalyticsCapture(const AnalyticsCapture&) = delete;
    AnalyticsCapture& operator=(const AnalyticsCapture&) = delete;

    bool started() const { return started_; }

    // The event hits as "category / action / label", once dispatches have sent at least `count`
    // of them; what arrived by then otherwise.
    QStringList events(int count) {
        for (int round = 0; round < kMaxRounds && eventsNow().size() < count; ++round) {
            settle();
            auto done = std::make_shared<bool>(false);
            ZA::sharedInstance().dispatchWithCompletionHandler([done](int) { *done = true; });
            platform::Scheduler::main().runUntil([&] { return *done; });
        }
        settle();
        return eventsNow();
    }

private:
    static void settle() {
        for (int round = 0; round < 3; ++round) {
            ZAThread::shared().waitUntilIdle();
            platform::Scheduler::main().runPending();
        }
    }
    QStringList eventsNow() const {
        QStringList events;
        for (const auto& hit : collector_.hits()) {
            if (hit.value(QStringLiteral("t")) == QStringLiteral("event")) {
                events << hit.value(QStringLiteral("ec")) + QStringLiteral(" / ") +
                              hit.value(QStringLiteral("ea")) + QStringLiteral(" / ") +
                              hit.value(QStringLiteral("el"));
            }
        }
        return events;
    }

    std::shared_ptr<FakeReachability> reachability_ = std::make_shared<FakeReachability>();
    AnalyticsCollector collector_;
    bool started_ = false;
    const QString defaultHttps_ = ZABatchingDispatcher::defaultHttpsUrl();
    const QString defaultHttp_ = ZABatchingDispatcher::defaultHttpUrl();
};
