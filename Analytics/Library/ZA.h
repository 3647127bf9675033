#pragma once

#include "Analytics/Library/ZABatchingDispatcher.h"
#include "Analytics/Library/ZALogger.h"
#include "Analytics/Library/ZATracker.h"

#include <QtCore/QMap>
#include <QtCore/QString>

#include <functional>
#include <memory>
#include <mutex>

class ZAThread;

// The analytics SDK's entry point: makes trackers and keeps them by name, owns the dispatcher and
// the settings that hold for all trackers, and can reset the SDK to an empty state. Its public
// operations lock it; none waits on the SDK thread while holding the lock.
class ZA {
public:
    static ZA& sharedInstance();
    // Drops the shared instance after the SDK thread has finished its queued work (tests).
    static void resetSharedInstance();
    static std::shared_ptr<ZALogger> sharedLogger();
    static ZAThread& thread();
    // At exit: stops dispatching, saves the store and ends the SDK thread.
    static void shutdown();

    ~ZA();
    ZA(const ZA&) = delete;
    ZA& operator=(const ZA&) = delete;

    // None for a blank name, or when no dispatcher can be made.
    std::shared_ptr<ZATracker> trackerWithName(const QString& name, const QString& trackingId);
    std::shared_ptr<ZATracker> trackerWithTrackingId(const QString& trackingId);
    void removeTrackerByName(const QString& name);
    std::shared_ptr<ZATracker> defaultTracker();
    void setDefaultTracker(const std::shared_ptr<ZATracker>& tracker);
    QMap<QString, std::shared_ptr<ZATracker>> trackers();

    QString clientId();
    double dispatchInterval();
    void setDispatchInterval(double interval);
    void dispatch();
    // The handler gets the dispatch's result on the main thread.
    void dispatchWithCompletionHandler(ZABatchingDispatcher::CompletionHandler handler);
    bool optOut();
    void setOptOut(bool optOut);
    bool dryRun();
    void setDryRun(bool dryRun);
    bool trackUncaughtExceptions();
    void setTrackUncaughtExceptions(bool track);
    std::shared_ptr<ZALogger> logger();
    void setLogger(std::shared_ptr<ZALogger> logger);
    void reset();

    // The dispatcher, made now when there is none; none when that fails.
    std::shared_ptr<ZABatchingDispatcher> dispatcher();

    // Without a usage record (the uncaught-exception handler).
    std::shared_ptr<ZATracker> za_defaultTracker();
    void za_dispatchWithCompletionHandler(ZABatchingDispatcher::CompletionHandler handler);

private:
    ZA();
    bool createDispatcher();

    std::recursive_mutex lock_;
    bool trackUncaughtExceptions_ = false;
    bool dryRun_ = false;
    bool optOut_ = false;
    std::shared_ptr<ZABatchingDispatcher> dispatcher_;
    QMap<QString, std::shared_ptr<ZATracker>> trackers_;
    std::weak_ptr<ZATracker> defaultTracker_;
};
