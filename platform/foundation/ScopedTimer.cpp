#include "platform/foundation/ScopedTimer.h"

#include <utility>

namespace platform {

ScopedTimer::ScopedTimer(TimerHandle handle) noexcept : handle_(std::move(handle)) {}

ScopedTimer::~ScopedTimer() {
    handle_.cancel();
}

ScopedTimer::ScopedTimer(ScopedTimer&& other) noexcept
    : handle_(std::exchange(other.handle_, TimerHandle())) {}

ScopedTimer& ScopedTimer::operator=(ScopedTimer&& other) noexcept {
    if (this != &other) {
        // Taken out first: dropping the old work may run destructors that look at this timer.
        TimerHandle old = std::exchange(handle_, std::exchange(other.handle_, TimerHandle()));
        old.cancel();
    }
    return *this;
}

void ScopedTimer::cancel() {
    std::exchange(handle_, TimerHandle()).cancel();
}

}  // namespace platform
