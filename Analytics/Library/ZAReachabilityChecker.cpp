#include "Analytics/Library/ZAReachabilityChecker.h"

#include "Analytics/Library/ZALog.h"

using namespace za::reachability;

std::unique_ptr<ZAReachabilityChecker> ZAReachabilityChecker::create(
    ZAReachabilityDelegate* delegate, const QString& host) {
    if (host.isEmpty()) {
        ZA_LOG(Error, u"Invalid host specified.");
        return nullptr;
    }
    return std::unique_ptr<ZAReachabilityChecker>(new ZAReachabilityChecker(delegate, host));
}

ZAReachabilityChecker::ZAReachabilityChecker(ZAReachabilityDelegate* delegate, QString host)
    : api_(ZAReachabilityApi::defaultApi()), host_(std::move(host)), delegate_(delegate) {}

ZAReachabilityChecker::~ZAReachabilityChecker() {
    stop();
}

bool ZAReachabilityChecker::isActive() const {
    std::lock_guard guard(lock_);
    return reachability_ != nullptr;
}

bool ZAReachabilityChecker::start() {
    std::unique_ptr<ZAReachabilityMonitor> monitor;
    {
        std::lock_guard guard(lock_);
        if (reachability_) {
            return true;
        }
        monitor = api_ ? api_->createWithName(host_) : nullptr;
        if (!monitor) {
            return false;
        }
        if (!monitor->setCallback(
                [this](std::uint32_t flags) { reachabilityFlagsChanged(flags); })) {
            return false;
        }
    }
    // Scheduling may deliver the first flags at once; the lock is not held then.
    if (!monitor->schedule()) {
        monitor->unschedule();
        return false;
    }
    std::lock_guard guard(lock_);
    reachability_ = std::move(monitor);
    return true;
}

void ZAReachabilityChecker::stop() {
    std::unique_ptr<ZAReachabilityMonitor> monitor;
    {
        std::lock_guard guard(lock_);
        monitor = std::move(reachability_);
    }
    if (!monitor) {
        return;
    }
    monitor->unschedule();
    status_.store(Unknown);
}

void ZAReachabilityChecker::setDelegate(ZAReachabilityDelegate* delegate) {
    delegate_.store(delegate);
}

void ZAReachabilityChecker::setReachabilityApi(std::shared_ptr<ZAReachabilityApi> api) {
    std::lock_guard guard(lock_);
    if (reachability_) {
        ZA_LOG(Error,
               u"Cannot change reachability API while reachability running; call stop first.");
        return;
    }
    api_ = std::move(api);
}

void ZAReachabilityChecker::reachabilityFlagsChanged(std::uint32_t flags) {
    ZA_LOG(Info, u"Reachability flags update: %#08X", flags);
    const int status = statusForFlags(flags);
    if (status_.exchange(status) == status) {
        return;
    }
    if (ZAReachabilityDelegate* delegate = delegate_.load()) {
        delegate->reachabilityStatusChanged(*this, status);
    }
}

int ZAReachabilityChecker::statusForFlags(std::uint32_t flags) {
    if ((flags & kReachable) == 0) {
        return NotReachable;
    }
    const int candidate = (flags & kIsWWAN) != 0 ? ReachableViaWWAN : Reachable;
    if ((flags & kConnectionRequired) == 0) {
        return candidate;
    }
    const bool automatic = (flags & (kConnectionOnTraffic | kConnectionOnDemand)) != 0;
    const bool intervention = (flags & kInterventionRequired) != 0;
    return automatic && !intervention ? candidate : NotReachable;
}
