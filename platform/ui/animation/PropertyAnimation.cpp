#include "platform/ui/animation/PropertyAnimation.h"

#include <cmath>

namespace platform {

namespace {

QEasingCurve easingFor(AnimationCurve curve) {
    // The control points of the platform's standard timing functions.
    QEasingCurve easing(QEasingCurve::BezierSpline);
    switch (curve) {
        case AnimationCurve::EaseInOut:
            easing.addCubicBezierSegment({0.42, 0}, {0.58, 1}, {1, 1});
            break;
        case AnimationCurve::EaseIn:
            easing.addCubicBezierSegment({0.42, 0}, {1, 1}, {1, 1});
            break;
        case AnimationCurve::EaseOut:
            easing.addCubicBezierSegment({0, 0}, {0.58, 1}, {1, 1});
            break;
        case AnimationCurve::Linear:
            return QEasingCurve(QEasingCurve::Linear);
    }
    return easing;
}

}  // namespace

PropertyAnimation::PropertyAnimation(AnimatableValue from, AnimatableValue to, Timing timing)
    : from_(std::move(from)),
      to_(std::move(to)),
      timing_(timing),
      easing_(easingFor(timing.curve)) {}

TimeInterval PropertyAnimation::endTime() const {
    const qreal runs = timing_.repeatCount > 0 ? timing_.repeatCount : 1;
    return timing_.beginTime + timing_.duration * runs * (timing_.autoreverses ? 2 : 1);
}

std::optional<AnimatableValue> PropertyAnimation::presentationAt(TimeInterval now) const {
    if (now >= endTime()) {
        return std::nullopt;
    }
    if (now <= timing_.beginTime || timing_.duration <= 0) {
        return from_;
    }
    const qreal cycle = timing_.duration * (timing_.autoreverses ? 2 : 1);
    qreal within = std::fmod(now - timing_.beginTime, cycle) / timing_.duration;
    if (within > 1) {
        within = 2 - within;
    }
    return interpolate(from_, to_, easing_.valueForProgress(within));
}

bool PropertyAnimation::step(TimeInterval now) {
    return now >= endTime();
}

}  // namespace platform
