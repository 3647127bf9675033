#include "platform/ui/controllers/TransitionCoordinator.h"

namespace platform {

TransitionCoordinator::TransitionCoordinator(TimeInterval duration, bool animated, bool interactive)
    : duration_(duration), animated_(animated), interactive_(interactive) {}

void TransitionCoordinator::animateAlongsideTransition(Block animation, Block completion) {
    if (animation) {
        alongside_.push_back(std::move(animation));
    }
    if (completion) {
        completions_.push_back(std::move(completion));
    }
}

void TransitionCoordinator::notifyWhenInteractionEnds(Block handler) {
    if (handler) {
        interactionEnded_.push_back(std::move(handler));
    }
}

void TransitionCoordinator::runAlongsideAnimations() {
    // Blocks may add further blocks; those run too.
    for (std::size_t i = 0; i < alongside_.size(); ++i) {
        const Block block = alongside_[i];
        block(*this);
    }
}

void TransitionCoordinator::endInteraction(bool cancelled) {
    cancelled_ = cancelled;
    interactive_ = false;
    const auto handlers = std::move(interactionEnded_);
    interactionEnded_.clear();
    for (const auto& handler : handlers) {
        handler(*this);
    }
}

void TransitionCoordinator::complete(bool cancelled) {
    cancelled_ = cancelled;
    for (std::size_t i = 0; i < completions_.size(); ++i) {
        const Block block = completions_[i];
        block(*this);
    }
    completions_.clear();
    alongside_.clear();
}

}  // namespace platform
