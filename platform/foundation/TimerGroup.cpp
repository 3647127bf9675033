#include "platform/foundation/TimerGroup.h"

#include <algorithm>
#include <utility>

namespace platform {

TimerGroup::TimerGroup(Scheduler& scheduler) : scheduler_(scheduler) {}

TimerGroup::~TimerGroup() {
    cancelAll();
}

TimerHandle TimerGroup::after(TimeInterval delay, std::function<void()> work) {
    return keep(scheduler_.after(delay, std::move(work)));
}

TimerHandle TimerGroup::every(TimeInterval interval, std::function<void()> work) {
    return keep(scheduler_.every(interval, std::move(work)));
}

TimerHandle TimerGroup::keep(TimerHandle handle) {
    // Work that has run or was cancelled leaves the list, so a busy owner's list stays short.
    // Swept when the list has doubled since the last sweep: an owner that schedules hundreds of
    // pieces of work in one turn pays once per doubling, not once per piece.
    if (timers_.size() >= sweepAt_) {
        std::erase_if(timers_, [](const TimerHandle& timer) { return !timer.isValid(); });
        sweepAt_ = std::max(kFirstSweep, 2 * timers_.size());
    }
    timers_.push_back(handle);
    return handle;
}

void TimerGroup::cancelAll() {
    // Taken out first: dropped work may destroy what holds this group, or schedule more in it.
    std::vector<TimerHandle> timers = std::exchange(timers_, {});
    sweepAt_ = kFirstSweep;
    for (TimerHandle& timer : timers) {
        timer.cancel();
    }
}

std::size_t TimerGroup::pendingCount() const {
    return static_cast<std::size_t>(
        std::ranges::count_if(timers_, [](const TimerHandle& timer) { return timer.isValid(); }));
}

}  // namespace platform
