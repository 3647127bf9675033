#pragma once

#include "Analytics/Library/ZA.h"
#include "Analytics/Library/ZABatchingDispatcher.h"
#include "Analytics/Library/ZADataStore.h"
#include "Analytics/Library/ZALog.h"
#include "Analytics/Library/ZAReachabilityApi.h"
#include "Analytics/Library/ZAThread.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/foundation/Scheduler.h"
#include "tests/emulator/AnalyticsCollector.h"
#include "tests/support/RefusingPort.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <mutex>

// Reachability the test sets by hand; every monitor follows it.
class FakeReachability : public ZAReachabilityApi {
public:
    class Monitor : public ZAReachabilityMonitor {
    public:
        explicit Monitor(FakeReachability& owner) : owner_(owner) {}
        ~Monitor() override { unschedule(); }
        bool setCallback(Callback callback) override {
            callback_ = std::move(callback);
            return true;
        }
        bool schedule() override {
            std::lock_guard guard(owner_.lock_);
            owner_.monitors_.push_back(this);
            return true;
        }
        void unschedule() override {
            std::lock_guard guard(owner_.lock_);
            std::erase(owner_.monitors_, this);
        }
        Callback callback_;

    private:
        FakeReachability& owner_;
    };

    std::unique_ptr<ZAReachabilityMonitor> createWithName(const QString& host) override {
        if (host.isEmpty()) {
            return nullptr;
        }
        return std::make_unique<Monitor>(*this);
    }
    // Main thread, as the desktop's callbacks arrive.
    void setFlags(std::uint32_t flags) {
        std::vector<Monitor*> monitors;
        {
            std::lock_guard guard(lock_);
            monitors = monitors_;
        }
        for (Monitor* monitor : monitors) {
            monitor->callback_(flags);
        }
    }

private:
    std::mutex lock_;
    std::vector<Monitor*> monitors_;
};

// Keeps every message at every level.
class RecordingLogger : public ZALogger {
public:
    unsigned logLevel() const override { return 4; }
    void setLogLevel(unsigned) override {}
    void verbose(const QString& message) override { add(QStringLiteral("VERBOSE: ") + message); }
    void info(const QString& message) override { add(QStringLiteral("INFO: ") + message); }
    void warning(const QString& message) override { add(QStringLiteral("WARNING: ") + message); }
    void error(const QString& message) override { add(QStringLiteral("ERROR: ") + message); }

    QStringList lines() const {
        std::lock_guard guard(lock_);
        return lines_;
    }
    bool contains(const QString& text) const {
        std::lock_guard guard(lock_);
        return std::any_of(lines_.cbegin(), lines_.cend(),
                           [&](const QString& line) { return line.contains(text); });
    }
    int count(const QString& text) const {
        std::lock_guard guard(lock_);
        return static_cast<int>(
            std::count_if(lines_.cbegin(), lines_.cend(),
                          [&](const QString& line) { return line.contains(text); }));
    }

private:
    void add(const QString& line) {
        std::lock_guard guard(lock_);
        lines_.append(line);
    }
    mutable std::mutex lock_;
    QStringList lines_;
};

class AnalyticsTest : public ::testing::Test {
protected:
    void SetUp() override {
        ZAReachabilityApi::setDefaultApi(reachability_);
        za::setSharedLogger(logger_);
        ASSERT_TRUE(collector_.start());
        pointAt(collector_.collectUrl());
        willDispatch_ = platform::NotificationCenter::defaultCenter().addObserverForName(
            ZABatchingDispatcher::willDispatchNotification(),
            [this](const platform::Notification&) { ++dispatches_; });
    }

    void TearDown() override {
        ZA::resetSharedInstance();
        ZAReachabilityApi::setDefaultApi(nullptr);
        za::setSharedLogger(nullptr);
        ZABatchingDispatcher::setEndpointUrls(defaultHttps_, defaultHttp_);
    }

    static void pointAt(const QString& url) { ZABatchingDispatcher::setEndpointUrls(url, url); }

    // Everything queued on the SDK thread has run and the main thread has taken its posts.
    static void settle() {
        for (int round = 0; round < 3; ++round) {
            ZAThread::shared().waitUntilIdle();
            platform::Scheduler::main().runPending();
        }
    }
    static bool waitFor(const std::function<bool()>& done) {
        return platform::Scheduler::main().runUntil([&] {
            ZAThread::shared().waitUntilIdle();
            return done();
        });
    }
    static void advance(double seconds) {
        settle();
        platform::Scheduler::main().advance(seconds);
        settle();
    }

    // Moves the clock a second at a time, each step once every dispatch begun so far has had its
    // answer: a request still on its way (in real time) when the clock passes its timeout fails,
    // and its hits wait for a dispatch that the test never reaches.
    void advanceAnsweringDispatches(double seconds) {
        for (double left = seconds; left > 0; left -= 1) {
            ASSERT_TRUE(waitFor([&] { return dispatchesAnswered() >= dispatches_.load(); }));
            advance(std::min(left, 1.0));
        }
    }
    int dispatchesAnswered() const {
        return logger_->count(QStringLiteral("hit(s) sent")) +
               logger_->count(QStringLiteral("Dispatch error")) +
               logger_->count(QStringLiteral("Failed to generate request"));
    }

    static void storeHits(int count, const QDateTime& timestamp = {}) {
        auto store = ZADataStore::dataStore();
        for (int i = 0; i < count; ++i) {
            ZAHitRecord hit;
            hit.parameters = {{QStringLiteral("&t"), QStringLiteral("event")},
                              {QStringLiteral("&ea"), QStringLiteral("stored %1").arg(i)}};
            hit.timestamp = timestamp;
            store->addHit(hit);
        }
        ASSERT_TRUE(store->save());
    }

    std::shared_ptr<RecordingLogger> logger_ = std::make_shared<RecordingLogger>();
    std::shared_ptr<FakeReachability> reachability_ = std::make_shared<FakeReachability>();
    AnalyticsCollector collector_;
    std::atomic<int> dispatches_{0};
    platform::Observation willDispatch_;
    const QString defaultHttps_ = ZABatchingDispatcher::defaultHttpsUrl();
    const QString defaultHttp_ = ZABatchingDispatcher::defaultHttpUrl();
};
