#include "platform/ui/animation/Animation.h"

namespace platform {

namespace {
std::uint64_t nextSequence = 0;
}

Animation::Animation() : sequence_(++nextSequence) {}

std::optional<AnimatableValue> Animation::presentationAt(TimeInterval) const {
    return std::nullopt;
}

void Animation::setCompletion(std::function<void(bool finished)> completion) {
    completion_ = std::move(completion);
}

void Animation::attach(Layer* layer, const QString& key) {
    layer_ = layer;
    key_ = key;
}

void Animation::finish(bool finished) {
    if (done_) {
        return;
    }
    done_ = true;
    layer_ = nullptr;
    if (auto completion = std::move(completion_)) {
        completion(finished);
    }
}

}  // namespace platform
