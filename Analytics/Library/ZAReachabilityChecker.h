#pragma once

#include "Analytics/Library/ZAReachabilityApi.h"

#include <QtCore/QString>

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>

class ZAReachabilityChecker;

class ZAReachabilityDelegate {
public:
    virtual ~ZAReachabilityDelegate() = default;
    // On the main thread.
    virtual void reachabilityStatusChanged(ZAReachabilityChecker& checker, int status) = 0;
};

// Watches whether one host can be reached and tells its delegate when the status changes.
class ZAReachabilityChecker {
public:
    enum Status : int { Unknown = 0, NotReachable = 1, Reachable = 2, ReachableViaWWAN = 3 };

    // None for an empty host.
    static std::unique_ptr<ZAReachabilityChecker> create(ZAReachabilityDelegate* delegate,
                                                         const QString& host);
    ~ZAReachabilityChecker();

    // True at once when running.
    bool start();
    void stop();
    bool isActive() const;

    int reachabilityStatus() const { return status_.load(); }
    const QString& host() const { return host_; }
    void setDelegate(ZAReachabilityDelegate* delegate);
    std::shared_ptr<ZAReachabilityApi> reachabilityApi() const { return api_; }
    // Refused while running.
    void setReachabilityApi(std::shared_ptr<ZAReachabilityApi> api);

    void reachabilityFlagsChanged(std::uint32_t flags);
    static int statusForFlags(std::uint32_t flags);

private:
    ZAReachabilityChecker(ZAReachabilityDelegate* delegate, QString host);

    std::shared_ptr<ZAReachabilityApi> api_;
    mutable std::mutex lock_;
    std::unique_ptr<ZAReachabilityMonitor> reachability_;
    std::atomic<int> status_{Unknown};
    const QString host_;
    std::atomic<ZAReachabilityDelegate*> delegate_{nullptr};
};
