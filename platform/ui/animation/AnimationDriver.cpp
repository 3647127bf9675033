#include "platform/ui/animation/AnimationDriver.h"

#include "platform/foundation/SharedState.h"
#include "platform/ui/animation/Animation.h"
#include "platform/ui/view/Layer.h"

#include <algorithm>

namespace platform {

AnimationDriver& AnimationDriver::shared() {
    static AnimationDriver* driver = [] {
        auto* made = new AnimationDriver();
        onResetSharedState([made] { made->reset(); });
        return made;
    }();
    return *driver;
}

void AnimationDriver::start(const std::shared_ptr<Animation>& animation) {
    active_.push_back(animation);
    if (!timer_.isValid()) {
        timer_ = Scheduler::main().every(kFrameInterval, [this] { tick(); });
    }
}

void AnimationDriver::stop(const std::shared_ptr<Animation>& animation) {
    const auto it = std::find(active_.begin(), active_.end(), animation);
    if (it != active_.end()) {
        active_.erase(it);
    }
    animation->finish(false);
}

void AnimationDriver::tick() {
    const TimeInterval now = Scheduler::main().now();
    std::vector<std::shared_ptr<Animation>> ended;
    std::vector<std::shared_ptr<Animation>> lost;
    // Stepping may start or stop animations (a spring's setter lays out): step a copy.
    const auto stepping = active_;
    for (const auto& animation : stepping) {
        if (animation->isFinished()) {
            continue;
        }
        Layer* layer = animation->layer();
        if (layer == nullptr) {
            lost.push_back(animation);
            continue;
        }
        const bool over = animation->step(now);
        layer->animationStepped();
        if (over) {
            ended.push_back(animation);
        }
    }
    const auto isGone = [&](const std::shared_ptr<Animation>& a) {
        return a->isFinished() || std::find(ended.begin(), ended.end(), a) != ended.end() ||
               std::find(lost.begin(), lost.end(), a) != lost.end();
    };
    active_.erase(std::remove_if(active_.begin(), active_.end(), isGone), active_.end());
    if (active_.empty()) {
        timer_.cancel();
    }
    std::stable_sort(ended.begin(), ended.end(), [](const auto& a, const auto& b) {
        return a->endTime() != b->endTime() ? a->endTime() < b->endTime()
                                            : a->sequence() < b->sequence();
    });
    for (const auto& animation : lost) {
        animation->finish(false);
    }
    for (const auto& animation : ended) {
        if (Layer* layer = animation->layer()) {
            layer->animationEnded(animation);
        }
        animation->finish(true);
    }
}

void AnimationDriver::reset() {
    timer_.cancel();
    active_.clear();
}

}  // namespace platform
