#pragma once

#include "platform/ui/view/Control.h"

#include <QtGui/QColor>

namespace platform {

// An on/off control of a fixed size. A tap toggles it and sends value-changed; setting the value
// in code sends nothing.
class Switch : public Control {
public:
    static constexpr qreal kWidth = 51;
    static constexpr qreal kHeight = 31;

    Switch();
    explicit Switch(QPointF origin);

    bool isOn() const { return on_; }
    void setOn(bool on);

    QColor onTintColor() const { return onTint_; }
    void setOnTintColor(const QColor& color);

    void touchesEnded(const TouchSet& touches, const TouchEvent& event) override;
    QSizeF sizeThatFits(QSizeF size) const override;
    void drawRect(QPainter& painter, const QRectF& rect) override;

private:
    bool on_ = false;
    QColor onTint_;
};

}  // namespace platform
