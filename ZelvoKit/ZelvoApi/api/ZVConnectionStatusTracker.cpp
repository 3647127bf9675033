#include "ZelvoKit/ZelvoApi/api/ZVConnectionStatusTracker.h"

#include "ZelvoKit/ZelvoApi/api/ZVApiDispatcher.h"
#include "platform/foundation/ReferenceDate.h"
#include "platform/foundation/UserDefaults.h"

#include <cmath>
#include <cstdint>

ZVConnectionStatusTracker::ZVConnectionStatusTracker(const platform::Observable& publisher,
                                                     Keys keys, const ZVApiDispatcher& dispatcher,
                                                     std::function<void()> becameAvailable)
    : publisher_(publisher),
      keys_(std::move(keys)),
      dispatcher_(dispatcher),
      becameAvailable_(std::move(becameAvailable)) {}

void ZVConnectionStatusTracker::setConnectionAvailable(bool available) {
    if (available == connectionAvailable_) {
        return;
    }
    publisher_.changeValueForKey(keys_.connectionAvailable,
                                 [&] { connectionAvailable_ = available; });
    if (available && becameAvailable_) {
        becameAvailable_();
    }
}

void ZVConnectionStatusTracker::clearNetworkFailure() {
    if (ZVApiDispatcher::isNetworkFailure(lastError_.get())) {
        lastError_ = nullptr;
    }
}

void ZVConnectionStatusTracker::scheduleUpdate() {
    timers_.after(kUpdateDelay, [this] { update(); });
}

void ZVConnectionStatusTracker::update() {
    int status = Offline;
    if (lastError_) {
        if (ZVApiDispatcher::isNetworkFailure(lastError_.get())) {
            setConnectionAvailable(false);
            status = Offline;
        } else {
            status = Error;
        }
    } else if (!dispatcher_.pendingRequests().empty()) {
        bool anyWaitingPoll = false;
        bool anyOther = false;
        for (const auto& request : dispatcher_.pendingRequests()) {
            (request->tag() == ZVApiRequest::TagLongPoll ? anyWaitingPoll : anyOther) = true;
        }
        if (!anyWaitingPoll) {
            status = Connecting;
        } else if (anyOther) {
            status = Activity;
        } else {
            status = Online;
        }
    }
    if (status != status_) {
        publisher_.changeValueForKey(keys_.connectionStatus, [&] { status_ = status; });
    }
    if (status == Online) {
        lastSyncTime_ = platform::Scheduler::main().currentDate();
        const double seconds = platform::timeIntervalSinceReferenceDate(lastSyncTime_);
        platform::UserDefaults::standard()->setInteger(
            static_cast<std::int64_t>(std::floor(seconds)), keys_.lastSyncTimeDefaults);
    }
}
