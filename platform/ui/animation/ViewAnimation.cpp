#include "platform/ui/animation/ViewAnimation.h"

#include "platform/foundation/SharedState.h"
#include "platform/ui/animation/PropertyAnimation.h"
#include "platform/ui/animation/TransitionAnimation.h"
#include "platform/ui/view/Layer.h"
#include "platform/ui/view/View.h"

#include <vector>

namespace platform {

namespace {

// The completion of one block, run once its last animation has ended.
struct Group {
    ViewAnimation::Completion completion;
    int pending = 0;
    bool finished = true;
    bool sealed = false;

    void memberEnded(bool memberFinished) {
        finished = finished && memberFinished;
        --pending;
        runIfDone();
    }
    void runIfDone() {
        if (sealed && pending == 0 && completion) {
            auto run = std::move(completion);
            completion = nullptr;
            run(finished);
        }
    }
};

struct Context {
    bool animated = false;
    TimeInterval duration = 0;
    TimeInterval delay = 0;
    unsigned options = 0;
    std::shared_ptr<Group> group;
};

std::vector<Context>& contexts() {
    static std::vector<Context> stack;
    return stack;
}

bool& instantMode() {
    static bool instant = [] {
        onResetSharedState([] { instantMode() = false; });
        return false;
    }();
    return instant;
}

AnimationCurve curveOf(unsigned options) {
    return static_cast<AnimationCurve>((options & ViewAnimation::kCurveMask) >> 16);
}

void postCompletion(ViewAnimation::Completion completion, bool finished) {
    if (completion) {
        Scheduler::main().after(
            0, [completion = std::move(completion), finished] { completion(finished); });
    }
}

}  // namespace

void ViewAnimation::animate(TimeInterval duration, TimeInterval delay, unsigned options,
                            const std::function<void()>& animations, Completion completion) {
    if (isInstant() || (duration <= 0 && delay <= 0)) {
        performWithoutAnimation(animations);
        postCompletion(std::move(completion), true);
        return;
    }
    auto group = std::make_shared<Group>();
    group->completion = std::move(completion);
    contexts().push_back({true, duration, delay, options, group});
    if (animations) {
        animations();
    }
    contexts().pop_back();
    group->sealed = true;
    if (group->pending == 0) {
        // Nothing changed: the completion still comes, on the next turn of the run loop.
        postCompletion(std::move(group->completion), true);
        group->completion = nullptr;
    }
}

void ViewAnimation::animate(TimeInterval duration, const std::function<void()>& animations,
                            Completion completion) {
    animate(duration, 0, 0, animations, std::move(completion));
}

void ViewAnimation::performWithoutAnimation(const std::function<void()>& changes) {
    contexts().push_back({});
    if (changes) {
        changes();
    }
    contexts().pop_back();
}

void ViewAnimation::transition(View& view, TimeInterval duration, unsigned options,
                               const std::function<void()>& animations, Completion completion) {
    const unsigned kind = options & kTransitionMask;
    if (isInstant() || duration <= 0 || kind == 0) {
        animate(duration, 0, options, animations, std::move(completion));
        return;
    }
    auto transition = TransitionAnimation::make(view, kind, duration, curveOf(options));
    performWithoutAnimation(animations);
    transition->setBlocksInteraction((options & AllowUserInteraction) == 0);
    transition->setCompletion(std::move(completion));
    view.layer().addAnimation(transition, TransitionAnimation::kKey);
}

void ViewAnimation::setInstant(bool instant) {
    instantMode() = instant;
}

bool ViewAnimation::isInstant() {
    return instantMode();
}

void ViewAnimation::recordChange(Layer& layer, const QString& key, const AnimatableValue& from,
                                 const AnimatableValue& to) {
    if (contexts().empty() || !contexts().back().animated) {
        return;
    }
    const Context& context = contexts().back();
    PropertyAnimation::Timing timing;
    timing.beginTime = Scheduler::main().now() + context.delay;
    timing.duration = context.duration;
    timing.curve = curveOf(context.options);
    timing.repeatCount = (context.options & Repeat) != 0 ? PropertyAnimation::kRepeatForever : 0;
    timing.autoreverses = (context.options & Autoreverse) != 0;
    const AnimatableValue start =
        (context.options & BeginFromCurrentState) != 0 ? layer.presentationValueForKey(key) : from;
    auto animation = std::make_shared<PropertyAnimation>(start, to, timing);
    animation->setBlocksInteraction((context.options & AllowUserInteraction) == 0);
    const auto group = context.group;
    ++group->pending;
    animation->setCompletion([group](bool finished) { group->memberEnded(finished); });
    layer.addAnimation(animation, key);
}

}  // namespace platform
