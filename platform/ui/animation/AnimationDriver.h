#pragma once

#include "platform/foundation/ScopedTimer.h"

#include <memory>
#include <vector>

namespace platform {

class Animation;

// Steps every running animation at the display's frame rate on the main scheduler, so that tests
// move animations by advancing the virtual clock. Runs only while something animates.
class AnimationDriver {
public:
    static constexpr TimeInterval kFrameInterval = 1.0 / 60.0;

    static AnimationDriver& shared();

    void start(const std::shared_ptr<Animation>& animation);
    // Ends `animation` at once, unfinished, and drops it.
    void stop(const std::shared_ptr<Animation>& animation);
    // Steps everything to the scheduler's now; completions run in the order the animations end.
    void tick();
    std::size_t activeCount() const { return active_.size(); }
    void reset();

private:
    std::vector<std::shared_ptr<Animation>> active_;
    ScopedTimer timer_;
};

}  // namespace platform
