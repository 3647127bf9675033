#include "platform/ui/controls/Switch.h"

#include <QtGui/QPainter>

namespace platform {

namespace {

const QColor kDefaultOnTint(0x4c, 0xd9, 0x64);
const QColor kOffTrack(0xe5, 0xe5, 0xea);
const QColor kThumb(Qt::white);
constexpr qreal kThumbInset = 2;

}  // namespace

Switch::Switch() : Switch(QPointF()) {}

Switch::Switch(QPointF origin)
    : Control(QRectF(origin, QSizeF(kWidth, kHeight))), onTint_(kDefaultOnTint) {}

void Switch::setOn(bool on) {
    on_ = on;
    setNeedsDisplay();
}

void Switch::setOnTintColor(const QColor& color) {
    onTint_ = color;
    setNeedsDisplay();
}

void Switch::touchesEnded(const TouchSet& touches, const TouchEvent& event) {
    const bool wasTracking = isTracking();
    const bool inside =
        wasTracking && bounds()
                           .adjusted(-kTouchSlop, -kTouchSlop, kTouchSlop, kTouchSlop)
                           .contains(touches.front()->locationInView(this));
    if (inside) {
        // Toggled before the touch-up actions, so that they see the new value.
        on_ = !on_;
        setNeedsDisplay();
    }
    Control::touchesEnded(touches, event);
    if (inside) {
        sendActionsForEvents(ValueChanged);
    }
}

QSizeF Switch::sizeThatFits(QSizeF /*size*/) const {
    return {kWidth, kHeight};
}

void Switch::drawRect(QPainter& painter, const QRectF& /*rect*/) {
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    QColor track = on_ ? onTint_ : kOffTrack;
    if (!isEnabled()) {
        track.setAlphaF(track.alphaF() / 2);
    }
    const QRectF box = bounds();
    painter.setBrush(track);
    painter.drawRoundedRect(box, box.height() / 2, box.height() / 2);
    const qreal diameter = box.height() - 2 * kThumbInset;
    const qreal x = on_ ? box.right() - kThumbInset - diameter : box.left() + kThumbInset;
    painter.setBrush(kThumb);
    painter.drawEllipse(QRectF(x, box.top() + kThumbInset, diameter, diameter));
    painter.restore();
}

}  // namespace platform
