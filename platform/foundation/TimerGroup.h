#pragma once

#include "platform/foundation/Scheduler.h"

#include <cstddef>
#include <functional>
#include <vector>

namespace platform {

// Owns any number of pieces of scheduled work, each cancelled with the group. An object that
// schedules work capturing itself keeps a group as a member: the work ends with the object, and
// cancelling the group reaches only the work scheduled through it, never another object's work
// that happens to have been scheduled from the same address. Main thread only.
class TimerGroup {
public:
    explicit TimerGroup(Scheduler& scheduler = Scheduler::main());
    ~TimerGroup();
    TimerGroup(const TimerGroup&) = delete;
    TimerGroup& operator=(const TimerGroup&) = delete;

    // As Scheduler::after() and every(), owned by the group.
    TimerHandle after(TimeInterval delay, std::function<void()> work);
    TimerHandle every(TimeInterval interval, std::function<void()> work);

    // Cancels every piece of the group's work that is still to run.
    void cancelAll();
    // Pieces of the group's work still to run.
    std::size_t pendingCount() const;

private:
    TimerHandle keep(TimerHandle handle);

    static constexpr std::size_t kFirstSweep = 16;

    Scheduler& scheduler_;
    std::vector<TimerHandle> timers_;
    // The list's length at which keep() next drops the work that has ended.
    std::size_t sweepAt_ = kFirstSweep;
};

}  // namespace platform
