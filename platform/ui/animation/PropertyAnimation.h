#pragma once

#include "platform/ui/animation/Animation.h"

#include <QtCore/QEasingCurve>

#include <limits>

namespace platform {

// The pace of a timed animation. The numbers are the ones screens pass in option masks.
enum class AnimationCurve { EaseInOut = 0, EaseIn = 1, EaseOut = 2, Linear = 3 };

// Shows a property moving from one value to another over a duration, possibly repeating and
// reversing. It only changes what is shown: the layer's own value is whatever it was set to.
class PropertyAnimation : public Animation {
public:
    static constexpr qreal kRepeatForever = std::numeric_limits<qreal>::infinity();

    struct Timing {
        TimeInterval beginTime = 0;
        TimeInterval duration = 0;
        AnimationCurve curve = AnimationCurve::EaseInOut;
        // Number of runs (fractions allowed); 0 runs once.
        qreal repeatCount = 0;
        bool autoreverses = false;
    };

    PropertyAnimation(AnimatableValue from, AnimatableValue to, Timing timing);

    std::optional<AnimatableValue> presentationAt(TimeInterval now) const override;
    bool step(TimeInterval now) override;
    TimeInterval endTime() const override;

    const AnimatableValue& from() const { return from_; }
    const AnimatableValue& to() const { return to_; }
    const Timing& timing() const { return timing_; }

private:
    AnimatableValue from_;
    AnimatableValue to_;
    Timing timing_;
    QEasingCurve easing_;
};

}  // namespace platform
