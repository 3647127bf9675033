#include "Analytics/Library/ZA.h"

#include "Analytics/Library/ZAConstants.h"
#include "Analytics/Library/ZADataStore.h"
#include "Analytics/Library/ZAExceptionParser.h"
#include "Analytics/Library/ZAHitUtil.h"
#include "Analytics/Library/ZALog.h"
#include "Analytics/Library/ZAStringUtil.h"
#include "Analytics/Library/ZAThread.h"
#include "Analytics/Library/ZATrackerImpl.h"
#include "Analytics/Library/ZAURLConnection.h"
#include "Analytics/Library/ZAUsageTracker.h"

#include <QtCore/QFile>

namespace {

std::recursive_mutex& classLock() {
    static std::recursive_mutex lock;
    return lock;
}

std::unique_ptr<ZA>& instanceSlot() {
    static std::unique_ptr<ZA> instance;
    return instance;
}

// A dispatch interval that stops the timer.
constexpr double kStoppedDispatchInterval = -1;

}  // namespace

ZA& ZA::sharedInstance() {
    std::lock_guard guard(classLock());
    if (!instanceSlot()) {
        instanceSlot().reset(new ZA);
        // Made after the instance is in place: the dispatcher reads its opt-out.
        instanceSlot()->dispatcher();
    }
    return *instanceSlot();
}

void ZA::resetSharedInstance() {
    std::unique_ptr<ZA> instance;
    {
        std::lock_guard guard(classLock());
        instance = std::move(instanceSlot());
    }
    instance.reset();
    ZAThread::shared().waitUntilIdle();
}

std::shared_ptr<ZALogger> ZA::sharedLogger() {
    return za::sharedLogger();
}

ZAThread& ZA::thread() {
    return ZAThread::shared();
}

void ZA::shutdown() {
    ZAThread* thread = ZAThread::existing();
    if (thread == nullptr) {
        return;
    }
    std::shared_ptr<ZABatchingDispatcher> dispatcher;
    {
        std::lock_guard guard(classLock());
        if (instanceSlot()) {
            std::lock_guard instanceGuard(instanceSlot()->lock_);
            dispatcher = instanceSlot()->dispatcher_;
        }
    }
    if (dispatcher) {
        dispatcher->setDispatchInterval(kStoppedDispatchInterval);
        auto store = dispatcher->dataStore();
        thread->performAndWait([store] { store->save(nullptr); });
    }
    thread->shutdown();
}

ZA::ZA() {
    ZAHitUtil::captureDeviceInfo();
}

ZA::~ZA() = default;

bool ZA::createDispatcher() {
    if (dispatcher_) {
        return true;
    }
    dispatcher_ = ZABatchingDispatcher::dispatcher(optOut_);
    return dispatcher_ != nullptr;
}

std::shared_ptr<ZABatchingDispatcher> ZA::dispatcher() {
    std::lock_guard guard(lock_);
    if (!createDispatcher()) {
        ZA_LOG(Error, u"Cannot initiate dispatcher: %@", nullptr);
        return nullptr;
    }
    return dispatcher_;
}

std::shared_ptr<ZATracker> ZA::trackerWithName(const QString& name, const QString& trackingId) {
    const QString trimmed = ZAStringUtil::trim(name);
    if (trimmed.isEmpty()) {
        ZA_LOG(Error, u"Nil or empty name supplied. Cannot create tracker.");
        return nullptr;
    }
    std::lock_guard guard(lock_);
    ZAUsageTracker::trackAction("trackerWithName:trackingId:");
    if (auto existing = trackers_.value(trimmed)) {
        return existing;
    }
    auto dispatcherNow = dispatcher();
    auto tracker = ZATrackerImpl::trackerWithDispatcher(
        dispatcherNow, dispatcherNow ? dispatcherNow->dataStore() : nullptr, trimmed);
    if (!tracker) {
        return nullptr;
    }
    tracker->za_set(za::kZATrackingId(), trackingId);
    trackers_.insert(trimmed, tracker);
    if (defaultTracker_.expired()) {
        defaultTracker_ = tracker;
    }
    return tracker;
}

std::shared_ptr<ZATracker> ZA::trackerWithTrackingId(const QString& trackingId) {
    return trackerWithName(trackingId, trackingId);
}

void ZA::removeTrackerByName(const QString& name) {
    std::lock_guard guard(lock_);
    ZAUsageTracker::trackAction("removeTrackerByName:");
    const auto tracker = trackers_.value(name);
    if (!tracker) {
        return;
    }
    trackers_.remove(tracker->name());
    if (defaultTracker_.lock() == tracker) {
        defaultTracker_.reset();
    }
}

std::shared_ptr<ZATracker> ZA::defaultTracker() {
    std::lock_guard guard(lock_);
    ZAUsageTracker::trackAction("defaultTracker");
    return defaultTracker_.lock();
}

std::shared_ptr<ZATracker> ZA::za_defaultTracker() {
    std::lock_guard guard(lock_);
    return defaultTracker_.lock();
}

void ZA::setDefaultTracker(const std::shared_ptr<ZATracker>& tracker) {
    std::lock_guard guard(lock_);
    ZAUsageTracker::trackAction("setDefaultTracker:");
    defaultTracker_ = tracker;
}

QMap<QString, std::shared_ptr<ZATracker>> ZA::trackers() {
    std::lock_guard guard(lock_);
    return trackers_;
}

QString ZA::clientId() {
    // The store may wait for the SDK thread: the lock is not held then.
    const auto current = dispatcher();
    return current ? current->clientId() : QString();
}

double ZA::dispatchInterval() {
    const auto current = dispatcher();
    return current ? current->dispatchInterval() : 0;
}

void ZA::setDispatchInterval(double interval) {
    std::lock_guard guard(lock_);
    ZAUsageTracker::trackAction("setDispatchInterval:");
    if (auto current = dispatcher()) {
        current->setDispatchInterval(interval);
    }
}

void ZA::dispatch() {
    {
        std::lock_guard guard(lock_);
        ZAUsageTracker::trackAction("dispatch");
    }
    za_dispatchWithCompletionHandler(nullptr);
}

void ZA::dispatchWithCompletionHandler(ZABatchingDispatcher::CompletionHandler handler) {
    za_dispatchWithCompletionHandler(std::move(handler));
}

void ZA::za_dispatchWithCompletionHandler(ZABatchingDispatcher::CompletionHandler handler) {
    if (auto current = dispatcher()) {
        current->dispatchWithCompletionHandler(std::move(handler));
    } else if (handler) {
        handler(ZABatchingDispatcher::NoData);
    }
}

bool ZA::optOut() {
    std::lock_guard guard(lock_);
    ZAUsageTracker::trackAction("optOut");
    return optOut_;
}

void ZA::setOptOut(bool optOut) {
    std::lock_guard guard(lock_);
    ZAUsageTracker::trackAction("setOptOut:");
    optOut_ = optOut;
    if (dispatcher_) {
        dispatcher_->setOptOut(optOut);
    }
}

bool ZA::dryRun() {
    std::lock_guard guard(lock_);
    ZAUsageTracker::trackAction("dryRun");
    return dryRun_;
}

void ZA::setDryRun(bool dryRun) {
    std::lock_guard guard(lock_);
    ZAUsageTracker::trackAction("setDryRun:");
    dryRun_ = dryRun;
    ZAURLConnection::setDryRun(dryRun);
}

bool ZA::trackUncaughtExceptions() {
    std::lock_guard guard(lock_);
    ZAUsageTracker::trackAction("trackUncaughtExceptions");
    return trackUncaughtExceptions_;
}

void ZA::setTrackUncaughtExceptions(bool track) {
    std::lock_guard guard(lock_);
    ZAUsageTracker::trackAction("setTrackUncaughtExceptions:");
    if (track) {
        ZAInstallUncaughtExceptionHandler();
    } else {
        ZAUninstallUncaughtExceptionHandler();
    }
    trackUncaughtExceptions_ = track;
}

std::shared_ptr<ZALogger> ZA::logger() {
    return za::sharedLogger();
}

void ZA::setLogger(std::shared_ptr<ZALogger> logger) {
    std::lock_guard guard(lock_);
    if (logger == za::sharedLogger()) {
        return;
    }
    ZAUsageTracker::trackAction("setLogger:");
    za::setSharedLogger(std::move(logger));
}

void ZA::reset() {
    std::shared_ptr<ZABatchingDispatcher> released;
    {
        std::lock_guard guard(lock_);
        if (auto current = dispatcher()) {
            current->setDispatchInterval(kStoppedDispatchInterval);
        }
        trackers_.clear();
        defaultTracker_.reset();
        released = std::move(dispatcher_);
    }
    // Outside the lock: everything queued on the SDK thread before finishes, and the store closes
    // its files before they go.
    released.reset();
    ZAThread::shared().waitUntilIdle();
    QFile::remove(ZADataStore::databaseFullPath(ZADataStore::olderStoreName()));
    QFile::remove(ZADataStore::databaseFullPath(ZADataStore::currentStoreName()));
    for (const char* suffix : {"-wal", "-shm"}) {
        QFile::remove(ZADataStore::databaseFullPath(ZADataStore::olderStoreName()) +
                      QLatin1String(suffix));
        QFile::remove(ZADataStore::databaseFullPath(ZADataStore::currentStoreName()) +
                      QLatin1String(suffix));
    }
}
