#include "toolkit/alerts/ViewSpringAnimation.h"

#include "platform/ui/animation/SpringAnimation.h"
#include "platform/ui/view/View.h"

#include <array>
#include <optional>
#include <utility>

namespace {

std::optional<platform::SpringProperty> springProperty(QLatin1StringView name) {
    using platform::SpringProperty;
    static const std::array<std::pair<QLatin1StringView, SpringProperty>, 6> properties{{
        {kSpringLayerPosition, SpringProperty::LayerPosition},
        {kSpringViewFrame, SpringProperty::ViewFrame},
        {kSpringViewCenter, SpringProperty::ViewCenter},
        {kSpringLayerScaleXY, SpringProperty::LayerScaleXY},
        {kSpringLayerTranslationXY, SpringProperty::LayerTranslationXY},
        {kSpringLayerRotationX, SpringProperty::LayerRotationX},
    }};
    for (const auto& [known, property] : properties) {
        if (known == name) {
            return property;
        }
    }
    return std::nullopt;
}

}  // namespace

std::shared_ptr<platform::SpringAnimation> animationForProperty(
    platform::View& view, QLatin1StringView property, const platform::AnimatableValue& target) {
    const auto kind = springProperty(property);
    if (!kind) {
        return nullptr;
    }
    // View and layer are one object here; the key names keep their animations apart.
    const QString key(property);
    platform::Layer& layer = view.layer();
    if (auto running =
            std::dynamic_pointer_cast<platform::SpringAnimation>(layer.animationForKey(key));
        running && !running->isFinished()) {
        running->setTarget(target);
        return running;
    }
    auto spring =
        platform::SpringAnimation::make(view, *kind, target, kSpringBounciness, kSpringSpeed);
    layer.addAnimation(spring, key);
    return spring;
}
