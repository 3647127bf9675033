#include "toolkit/alerts/ZVArrowView.h"

#include "toolkit/style/ViewLayout.h"

#include <QtGui/QPainter>

ZVArrowView::ZVArrowView(bool pointingUp, const QColor& color)
    : View(QRectF(0, 0, kWidth, kHeight)), pointingUp_(pointingUp), color_(color) {
    setBackgroundColor(Qt::transparent);
    setUserInteractionEnabled(false);
}

void ZVArrowView::setColor(const QColor& color) {
    color_ = color;
    setNeedsDisplay();
}

void ZVArrowView::drawRect(QPainter& painter, const QRectF& /*rect*/) {
    painter.setRenderHint(QPainter::Antialiasing);
    painter.fillPath(bezierPathWithArrowInRect(bounds(), pointingUp_), color_);
}
