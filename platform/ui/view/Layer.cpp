#include "platform/ui/view/Layer.h"

#include "platform/ui/animation/Animation.h"
#include "platform/ui/animation/AnimationDriver.h"
#include "platform/ui/animation/ViewAnimation.h"
#include "platform/ui/view/View.h"

namespace platform {

namespace {

const QString kPosition = QStringLiteral("position");
const QString kBounds = QStringLiteral("bounds");
const QString kOpacity = QStringLiteral("opacity");
const QString kBackgroundColor = QStringLiteral("backgroundColor");
const QString kTransform = QStringLiteral("transform");
const QString kScale = QStringLiteral("transform.scale");
const QString kTranslation = QStringLiteral("transform.translation");
const QString kRotationX = QStringLiteral("transform.rotation.x");

template <typename T>
T as(const AnimatableValue& value, const T& fallback) {
    const T* v = std::get_if<T>(&value);
    return v != nullptr ? *v : fallback;
}

}  // namespace

Layer::Layer(View& view) : view_(view) {}

Layer::~Layer() {
    // The view is going away: its animations end unfinished at the driver's next frame rather than
    // running completions from inside a destructor.
    for (const auto& [key, animation] : animations_) {
        animation->attach(nullptr, key);
    }
}

void Layer::change(const QString& key, const AnimatableValue& from, const AnimatableValue& to) {
    if (from != to) {
        ViewAnimation::recordChange(*this, key, from, to);
    }
}

void Layer::changed() {
    view_.setNeedsDisplay();
}

void Layer::setPosition(QPointF position) {
    change(kPosition, position_, position);
    position_ = position;
    changed();
}

void Layer::setBounds(const QRectF& bounds) {
    change(kBounds, bounds_, bounds);
    const bool resized = bounds.size() != bounds_.size();
    bounds_ = bounds;
    if (resized) {
        view_.setNeedsLayout();
    }
    changed();
}

void Layer::setOpacity(qreal opacity) {
    change(kOpacity, opacity_, opacity);
    opacity_ = opacity;
    changed();
}

void Layer::setBackgroundColor(const QColor& color) {
    change(kBackgroundColor, backgroundColor_, color);
    backgroundColor_ = color;
    changed();
}

void Layer::setTransform(const LayerTransform& transform) {
    change(kTransform, transform_, transform);
    transform_ = transform;
    changed();
}

void Layer::setHidden(bool hidden) {
    hidden_ = hidden;
    changed();
}

void Layer::setMasksToBounds(bool masks) {
    masksToBounds_ = masks;
    changed();
}

void Layer::setCornerRadius(qreal radius) {
    cornerRadius_ = radius;
    changed();
}

void Layer::setBorderWidth(qreal width) {
    borderWidth_ = width;
    changed();
}

void Layer::setBorderColor(const QColor& color) {
    borderColor_ = color;
    changed();
}

void Layer::setShadowColor(const QColor& color) {
    shadowColor_ = color;
    changed();
}

void Layer::setShadowOpacity(qreal opacity) {
    shadowOpacity_ = opacity;
    changed();
}

void Layer::setShadowRadius(qreal radius) {
    shadowRadius_ = radius;
    changed();
}

void Layer::setShadowOffset(QPointF offset) {
    shadowOffset_ = offset;
    changed();
}

void Layer::setZPosition(qreal z) {
    zPosition_ = z;
    changed();
}

AnimatableValue Layer::valueForKey(const QString& key) const {
    if (key == kPosition) {
        return position_;
    }
    if (key == kBounds) {
        return bounds_;
    }
    if (key == kOpacity) {
        return opacity_;
    }
    if (key == kBackgroundColor) {
        return backgroundColor_;
    }
    if (key == kScale) {
        return transform_.scale;
    }
    if (key == kTranslation) {
        return transform_.translation;
    }
    if (key == kRotationX) {
        return transform_.rotationX;
    }
    return transform_;
}

void Layer::setValueForKey(const QString& key, const AnimatableValue& value) {
    ViewAnimation::performWithoutAnimation([&] {
        if (key == kPosition) {
            setPosition(as(value, position_));
        } else if (key == kBounds) {
            setBounds(as(value, bounds_));
        } else if (key == kOpacity) {
            setOpacity(as(value, opacity_));
        } else if (key == kBackgroundColor) {
            setBackgroundColor(as(value, backgroundColor_));
        } else {
            LayerTransform t = transform_;
            if (key == kScale) {
                t.scale = as(value, t.scale);
            } else if (key == kTranslation) {
                t.translation = as(value, t.translation);
            } else if (key == kRotationX) {
                t.rotationX = as(value, t.rotationX);
            } else {
                t = as(value, t);
            }
            setTransform(t);
        }
    });
}

AnimatableValue Layer::presentationValueForKey(const QString& key) const {
    const auto it = animations_.find(key);
    if (it != animations_.end()) {
        if (auto shown = it->second->presentationAt(Scheduler::main().now())) {
            return *shown;
        }
    }
    return valueForKey(key);
}

QPointF Layer::presentationPosition() const {
    return animations_.empty() ? position_ : as(presentationValueForKey(kPosition), position_);
}

QRectF Layer::presentationBounds() const {
    return animations_.empty() ? bounds_ : as(presentationValueForKey(kBounds), bounds_);
}

qreal Layer::presentationOpacity() const {
    return animations_.empty() ? opacity_ : as(presentationValueForKey(kOpacity), opacity_);
}

QColor Layer::presentationBackgroundColor() const {
    return animations_.empty() ? backgroundColor_
                               : as(presentationValueForKey(kBackgroundColor), backgroundColor_);
}

LayerTransform Layer::presentationTransform() const {
    if (animations_.empty()) {
        return transform_;
    }
    LayerTransform t = as(presentationValueForKey(kTransform), transform_);
    if (animations_.count(kScale) != 0) {
        t.scale = as(presentationValueForKey(kScale), t.scale);
    }
    if (animations_.count(kTranslation) != 0) {
        t.translation = as(presentationValueForKey(kTranslation), t.translation);
    }
    if (animations_.count(kRotationX) != 0) {
        t.rotationX = as(presentationValueForKey(kRotationX), t.rotationX);
    }
    return t;
}

void Layer::addAnimation(const std::shared_ptr<Animation>& animation, const QString& key) {
    removeAnimationForKey(key);
    animation->attach(this, key);
    animations_[key] = animation;
    AnimationDriver::shared().start(animation);
    changed();
}

std::shared_ptr<Animation> Layer::animationForKey(const QString& key) const {
    const auto it = animations_.find(key);
    return it == animations_.end() ? nullptr : it->second;
}

void Layer::removeAnimationForKey(const QString& key) {
    const auto it = animations_.find(key);
    if (it == animations_.end()) {
        return;
    }
    const auto animation = it->second;
    animations_.erase(it);
    AnimationDriver::shared().stop(animation);
    changed();
}

void Layer::removeAllAnimations() {
    while (!animations_.empty()) {
        removeAnimationForKey(animations_.begin()->first);
    }
}

QStringList Layer::animationKeys() const {
    QStringList keys;
    for (const auto& [key, animation] : animations_) {
        keys.append(key);
    }
    return keys;
}

bool Layer::isInteractionBlocked() const {
    for (const auto& [key, animation] : animations_) {
        if (animation->blocksInteraction()) {
            return true;
        }
    }
    return false;
}

void Layer::animationStepped() {
    changed();
}

void Layer::animationEnded(const std::shared_ptr<Animation>& animation) {
    const auto it = animations_.find(animation->key());
    if (it != animations_.end() && it->second == animation) {
        animations_.erase(it);
    }
    changed();
}

}  // namespace platform
