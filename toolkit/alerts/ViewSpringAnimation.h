#pragma once

#include "platform/ui/animation/AnimatableValue.h"

#include <QtCore/QLatin1StringView>

#include <memory>

namespace platform {
class SpringAnimation;
class View;
}  // namespace platform

// The springs of the alert cards. A property whose name begins with "view" belongs to the view,
// any other to its layer; each runs under its own name as key.
inline constexpr QLatin1StringView kSpringLayerPosition{"layerPosition"};
inline constexpr QLatin1StringView kSpringViewFrame{"viewFrame"};
inline constexpr QLatin1StringView kSpringViewCenter{"viewCenter"};
inline constexpr QLatin1StringView kSpringLayerScaleXY{"layerScaleXY"};
inline constexpr QLatin1StringView kSpringLayerTranslationXY{"layerTranslationXY"};
inline constexpr QLatin1StringView kSpringLayerRotationX{"layerRotationX"};

inline constexpr double kSpringBounciness = 11;
inline constexpr double kSpringSpeed = 18;

// The running spring of `property` on `view`, aimed at `target`: a spring already running under
// that key only takes the new target, so the motion bends instead of starting over. Null for a
// property name that is none of the above.
std::shared_ptr<platform::SpringAnimation> animationForProperty(
    platform::View& view, QLatin1StringView property, const platform::AnimatableValue& target);
