#pragma once

#include "platform/foundation/Scheduler.h"

#include <functional>
#include <vector>

namespace platform {

// Describes a transition in progress (a push or pop, a presentation, a change of the window's
// size) to the controllers it touches: they can add their own changes to its animation and learn
// when it ends, and whether it was called off (an interactive pop let go too early).
class TransitionCoordinator {
public:
    using Block = std::function<void(const TransitionCoordinator&)>;

    TransitionCoordinator(TimeInterval duration, bool animated, bool interactive);

    TimeInterval transitionDuration() const { return duration_; }
    bool isAnimated() const { return animated_; }
    bool isInteractive() const { return interactive_; }
    bool isCancelled() const { return cancelled_; }

    // `animation` runs inside the transition's animation block; `completion` after it ends.
    void animateAlongsideTransition(Block animation, Block completion = {});
    // Told when the finger lets go of an interactive transition (cancelled or not).
    void notifyWhenInteractionEnds(Block handler);

    // --- for the controller that runs the transition ---
    void runAlongsideAnimations();
    void endInteraction(bool cancelled);
    void complete(bool cancelled);

private:
    TimeInterval duration_;
    bool animated_;
    bool interactive_;
    bool cancelled_ = false;
    std::vector<Block> alongside_;
    std::vector<Block> completions_;
    std::vector<Block> interactionEnded_;
};

}  // namespace platform
