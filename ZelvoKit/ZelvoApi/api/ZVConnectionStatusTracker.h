#pragma once

#include "ZelvoKit/support/base/ZVError.h"
#include "platform/foundation/Observable.h"
#include "platform/foundation/Scheduler.h"
#include "platform/foundation/TimerGroup.h"

#include <QtCore/QDateTime>
#include <QtCore/QString>

#include <functional>

class ZVApiDispatcher;

// The API client's connection status, as the screens show it: offline, connecting, online (only
// the accounts' waiting polls run), activity (other requests run beside them) or error, from the
// last failure and the dispatcher's pending requests. It also keeps whether the connection is
// available and when the client was last seen online. Main thread only.
class ZVConnectionStatusTracker {
public:
    // Values as the client publishes them.
    enum Status : int {
        Offline = 0,
        Connecting = 1,
        Online = 2,
        Activity = 3,
        Error = 4,
    };

    // The status is recomputed this long after a change, so that a burst of changes settles.
    static constexpr platform::TimeInterval kUpdateDelay = 0.25;

    struct Keys {
        QString connectionStatus;
        QString connectionAvailable;
        // User-defaults key of the last time online, in whole seconds since the reference date.
        QString lastSyncTimeDefaults;
    };

    // `becameAvailable` runs when the connection turns available.
    ZVConnectionStatusTracker(const platform::Observable& publisher, Keys keys,
                              const ZVApiDispatcher& dispatcher,
                              std::function<void()> becameAvailable);
    ZVConnectionStatusTracker(const ZVConnectionStatusTracker&) = delete;
    ZVConnectionStatusTracker& operator=(const ZVConnectionStatusTracker&) = delete;

    int status() const { return status_; }
    bool connectionAvailable() const { return connectionAvailable_; }
    void setConnectionAvailable(bool available);
    // Invalid until the status was first computed as online.
    const QDateTime& lastSyncTime() const { return lastSyncTime_; }
    // The failure the status shows; none after a success or a failure of the service's own.
    const ZVErrorPtr& lastError() const { return lastError_; }
    void setLastError(ZVErrorPtr error) { lastError_ = std::move(error); }
    // Forgets the last error when it was a failure of the transport.
    void clearNetworkFailure();

    // Recomputes the status kUpdateDelay from now; every call computes once.
    void scheduleUpdate();
    void update();

private:
    const platform::Observable& publisher_;
    const Keys keys_;
    const ZVApiDispatcher& dispatcher_;
    const std::function<void()> becameAvailable_;
    int status_ = Offline;
    bool connectionAvailable_ = false;
    QDateTime lastSyncTime_;
    ZVErrorPtr lastError_;
    // The work that captures this tracker; declared last, so that it goes first.
    platform::TimerGroup timers_;
};
