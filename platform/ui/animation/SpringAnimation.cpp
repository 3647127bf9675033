#include "platform/ui/animation/SpringAnimation.h"

#include "platform/ui/animation/ViewAnimation.h"
#include "platform/ui/view/View.h"

#include <algorithm>
#include <cmath>

namespace platform {

namespace {

// Integration step: small enough that the stiffest spring stays stable, fixed so that runs on
// the virtual clock repeat exactly.
constexpr TimeInterval kStep = 1.0 / 240.0;
// At rest: every component within this of its target and slower than the speed below.
constexpr qreal kRestDistance = 0.001;
constexpr qreal kRestSpeed = 0.01;
// The scales' mapping: speed 0..20 to a natural frequency, bounciness 0..20 to damping from
// critical (no overshoot) to light.
constexpr qreal kBaseFrequency = 4;
constexpr qreal kFrequencyPerSpeed = 0.65;
constexpr qreal kMaxBounciness = 20;
constexpr qreal kLightestDamping = 0.35;

}  // namespace

std::shared_ptr<SpringAnimation> SpringAnimation::make(View& view, SpringProperty property,
                                                       const AnimatableValue& target,
                                                       qreal bounciness, qreal speed) {
    return std::shared_ptr<SpringAnimation>(
        new SpringAnimation(view, property, target, bounciness, speed));
}

SpringAnimation::SpringAnimation(View& view, SpringProperty property, AnimatableValue target,
                                 qreal bounciness, qreal speed)
    : view_(view),
      property_(property),
      target_(std::move(target)),
      angularFrequency_(kBaseFrequency + kFrequencyPerSpeed * std::clamp<qreal>(speed, 0, 20)),
      dampingRatio_(1 - (1 - kLightestDamping) * std::clamp<qreal>(bounciness, 0, kMaxBounciness) /
                            kMaxBounciness) {
    velocity_.assign(toComponents(target_).size(), 0);
    setBlocksInteraction(false);
}

void SpringAnimation::setTarget(const AnimatableValue& target) {
    target_ = target;
}

AnimatableValue SpringAnimation::read() const {
    const Layer& layer = view_.layer();
    switch (property_) {
        case SpringProperty::LayerPosition:
            return layer.position();
        case SpringProperty::ViewFrame:
            return view_.frame();
        case SpringProperty::ViewCenter:
            return view_.center();
        case SpringProperty::LayerScaleXY:
            return layer.transform().scale;
        case SpringProperty::LayerTranslationXY:
            return layer.transform().translation;
        case SpringProperty::LayerRotationX:
            return layer.transform().rotationX;
    }
    return target_;
}

void SpringAnimation::write(const AnimatableValue& value) const {
    ViewAnimation::performWithoutAnimation([&] {
        Layer& layer = view_.layer();
        switch (property_) {
            case SpringProperty::LayerPosition:
                layer.setPosition(std::get<QPointF>(value));
                break;
            case SpringProperty::ViewFrame:
                view_.setFrame(std::get<QRectF>(value));
                break;
            case SpringProperty::ViewCenter:
                view_.setCenter(std::get<QPointF>(value));
                break;
            case SpringProperty::LayerScaleXY:
                layer.setValueForKey(QStringLiteral("transform.scale"), value);
                break;
            case SpringProperty::LayerTranslationXY:
                layer.setValueForKey(QStringLiteral("transform.translation"), value);
                break;
            case SpringProperty::LayerRotationX:
                layer.setValueForKey(QStringLiteral("transform.rotation.x"), value);
                break;
        }
    });
}

bool SpringAnimation::step(TimeInterval now) {
    if (lastTime_ < 0) {
        lastTime_ = now;
    }
    const AnimatableValue current = read();
    if (current.index() != target_.index()) {
        return true;
    }
    std::vector<qreal> x = toComponents(current);
    const std::vector<qreal> goal = toComponents(target_);
    velocity_.resize(x.size(), 0);
    const qreal stiffness = angularFrequency_ * angularFrequency_;
    const qreal damping = 2 * dampingRatio_ * angularFrequency_;
    for (; lastTime_ + kStep <= now; lastTime_ += kStep) {
        for (std::size_t i = 0; i < x.size(); ++i) {
            const qreal force = -stiffness * (x[i] - goal[i]) - damping * velocity_[i];
            velocity_[i] += force * kStep;
            x[i] += velocity_[i] * kStep;
        }
    }
    bool atRest = true;
    for (std::size_t i = 0; i < x.size(); ++i) {
        atRest = atRest && std::abs(x[i] - goal[i]) < kRestDistance &&
                 std::abs(velocity_[i]) < kRestSpeed;
    }
    write(atRest ? target_ : fromComponents(target_, x));
    return atRest;
}

}  // namespace platform
