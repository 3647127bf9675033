#pragma once

#include "platform/ui/animation/AnimatableValue.h"
#include "platform/ui/view/LayerTransform.h"

#include <QtCore/QPointF>
#include <QtCore/QRectF>
#include <QtCore/QString>
#include <QtCore/QStringList>
#include <QtGui/QColor>

#include <map>
#include <memory>

namespace platform {

class Animation;
class View;

// The drawn side of a view: geometry, opacity, background, corners, border, shadow and depth,
// and the animations that move them. Each view has exactly one; the view's own geometry
// accessors read and write it.
//
// Animatable keys: "position", "bounds", "opacity", "backgroundColor", "transform", and the parts
// "transform.scale", "transform.translation" and "transform.rotation.x".
class Layer {
public:
    explicit Layer(View& view);
    ~Layer();
    Layer(const Layer&) = delete;
    Layer& operator=(const Layer&) = delete;

    View& view() const { return view_; }

    // The centre of the bounds, in the superview's coordinates.
    QPointF position() const { return position_; }
    void setPosition(QPointF position);
    QRectF bounds() const { return bounds_; }
    void setBounds(const QRectF& bounds);
    qreal opacity() const { return opacity_; }
    void setOpacity(qreal opacity);
    // Invalid: clear.
    QColor backgroundColor() const { return backgroundColor_; }
    void setBackgroundColor(const QColor& color);
    const LayerTransform& transform() const { return transform_; }
    void setTransform(const LayerTransform& transform);

    bool isHidden() const { return hidden_; }
    void setHidden(bool hidden);
    bool masksToBounds() const { return masksToBounds_; }
    void setMasksToBounds(bool masks);
    qreal cornerRadius() const { return cornerRadius_; }
    void setCornerRadius(qreal radius);
    qreal borderWidth() const { return borderWidth_; }
    void setBorderWidth(qreal width);
    QColor borderColor() const { return borderColor_; }
    void setBorderColor(const QColor& color);
    QColor shadowColor() const { return shadowColor_; }
    void setShadowColor(const QColor& color);
    qreal shadowOpacity() const { return shadowOpacity_; }
    void setShadowOpacity(qreal opacity);
    qreal shadowRadius() const { return shadowRadius_; }
    void setShadowRadius(qreal radius);
    QPointF shadowOffset() const { return shadowOffset_; }
    void setShadowOffset(QPointF offset);
    // Siblings draw in order of z position, then of their place among the subviews.
    qreal zPosition() const { return zPosition_; }
    void setZPosition(qreal z);

    // A model value by key, and setting one without animating.
    AnimatableValue valueForKey(const QString& key) const;
    void setValueForKey(const QString& key, const AnimatableValue& value);
    // What is on screen now: the model value moved by a running animation of the key.
    AnimatableValue presentationValueForKey(const QString& key) const;
    QPointF presentationPosition() const;
    QRectF presentationBounds() const;
    qreal presentationOpacity() const;
    QColor presentationBackgroundColor() const;
    LayerTransform presentationTransform() const;

    // Starts `animation` under `key`, replacing (and ending, unfinished) any animation there.
    void addAnimation(const std::shared_ptr<Animation>& animation, const QString& key);
    std::shared_ptr<Animation> animationForKey(const QString& key) const;
    void removeAnimationForKey(const QString& key);
    void removeAllAnimations();
    QStringList animationKeys() const;
    // True while an animation that does not allow interaction runs.
    bool isInteractionBlocked() const;

    // Called by the animation driver.
    void animationStepped();
    void animationEnded(const std::shared_ptr<Animation>& animation);

private:
    void change(const QString& key, const AnimatableValue& from, const AnimatableValue& to);
    void changed();

    View& view_;
    QPointF position_;
    QRectF bounds_;
    qreal opacity_ = 1;
    QColor backgroundColor_;
    LayerTransform transform_;
    bool hidden_ = false;
    bool masksToBounds_ = false;
    qreal cornerRadius_ = 0;
    qreal borderWidth_ = 0;
    QColor borderColor_ = Qt::black;
    QColor shadowColor_ = Qt::black;
    qreal shadowOpacity_ = 0;
    qreal shadowRadius_ = 3;
    QPointF shadowOffset_{0, -3};
    qreal zPosition_ = 0;
    std::map<QString, std::shared_ptr<Animation>> animations_;
};

}  // namespace platform
