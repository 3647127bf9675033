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
    std::erase_if(timers_, [](const TimerHandle& timer) { return !timer.isValid(); });
    timers_.push_back(handle);
    return handle;
}

void TimerGroup::cancelAll() {
    // Taken out first: dropped work may destroy what holds this group, or schedule more in it.
    std::vector<TimerHandle> timers = std::exchange(timers_, {});
    for (TimerHandle& timer : timers) {
        timer.cancel();
    }
}

std::size_t TimerGroup::pendingCount() const {
    return static_cast<std::size_t>(
        std::ranges::count_if(timers_, [](const TimerHandle& timer) { return timer.isValid(); }));
}

}  // namespace platform
