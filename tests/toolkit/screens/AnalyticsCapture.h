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
    // The dispatcher's own period, and a second more.
    static constexpr double kDispatchInterval = 121;

    AnalyticsCapture() {
        ZAReachabilityApi::setDefaultApi(reachability_);
        // Earlier screens of this program made an analytics instance whose timers are gone.
        ZA::resetSharedInstance();
        ZVEventTracker::reset();
        started_ = collector_.start();
        ZABatchingDispatcher::setEndpointUrls(collector_.collectUrl(), collector_.collectUrl());
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

    // The event hits as "category / action / label", once the next dispatch has sent at least
    // `count` of them; what arrived by then otherwise.
    QStringList events(int count) {
        settle();
        platform::Scheduler::main().advance(kDispatchInterval);
        platform::Scheduler::main().runUntil([&] {
            ZAThread::shared().waitUntilIdle();
            return eventsNow().size() >= count;
        });
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
