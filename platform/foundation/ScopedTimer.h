#pragma once

#include "platform/foundation/Scheduler.h"

#include <QtCore/QDateTime>

namespace platform {

// Owns one piece of scheduled work: destroying the timer, or giving it other work, cancels the
// work it held. Work that captures its owner is kept as a member of that owner, so it can never
// run once the owner is gone, whatever object later lives at the same address. Move-only; a
// default-constructed timer holds no work.
class ScopedTimer {
public:
    ScopedTimer() = default;
    // Implicit, so that `timer = scheduler.after(...)` takes the work over.
    ScopedTimer(TimerHandle handle) noexcept;  // NOLINT(google-explicit-constructor)
    ~ScopedTimer();
    ScopedTimer(ScopedTimer&& other) noexcept;
    ScopedTimer& operator=(ScopedTimer&& other) noexcept;
    ScopedTimer(const ScopedTimer&) = delete;
    ScopedTimer& operator=(const ScopedTimer&) = delete;

    // Stops the work from running (again) and forgets it.
    void cancel();
    bool isValid() const { return handle_.isValid(); }
    QDateTime fireDate() const { return handle_.fireDate(); }

private:
    TimerHandle handle_;
};

}  // namespace platform
