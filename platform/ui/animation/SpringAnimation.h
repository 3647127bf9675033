#pragma once

#include "platform/ui/animation/Animation.h"

#include <functional>
#include <vector>

namespace platform {

class View;

// The properties a spring can move.
enum class SpringProperty {
    LayerPosition,
    ViewFrame,
    ViewCenter,
    LayerScaleXY,
    LayerTranslationXY,
    LayerRotationX,
};

// Moves a property towards a target like a damped spring, writing the property itself on every
// frame. Giving it a new target mid-flight keeps its speed, so the motion bends rather than jumps.
// Bounciness (0 to 20) and speed (0 to 20) follow the scale the screens use.
class SpringAnimation : public Animation {
public:
    static constexpr qreal kDefaultBounciness = 4;
    static constexpr qreal kDefaultSpeed = 12;

    // A spring on `view`'s `property`; attach it to the view's layer to start it.
    static std::shared_ptr<SpringAnimation> make(View& view, SpringProperty property,
                                                 const AnimatableValue& target,
                                                 qreal bounciness = kDefaultBounciness,
                                                 qreal speed = kDefaultSpeed);

    void setTarget(const AnimatableValue& target);
    const AnimatableValue& target() const { return target_; }
    SpringProperty property() const { return property_; }

    bool step(TimeInterval now) override;
    TimeInterval endTime() const override { return lastTime_; }

private:
    SpringAnimation(View& view, SpringProperty property, AnimatableValue target, qreal bounciness,
                    qreal speed);
    AnimatableValue read() const;
    void write(const AnimatableValue& value) const;

    View& view_;
    SpringProperty property_;
    AnimatableValue target_;
    std::vector<qreal> velocity_;
    qreal angularFrequency_;
    qreal dampingRatio_;
    TimeInterval lastTime_ = -1;
};

}  // namespace platform
