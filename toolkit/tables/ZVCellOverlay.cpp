#include "toolkit/tables/ZVCellOverlay.h"

#include <QtGui/QPainter>

ZVCellOverlay::ZVCellOverlay() {
    setUserInteractionEnabled(false);
}

void ZVCellOverlay::setColor(const QColor& color) {
    color_ = color;
    setNeedsDisplay();
}

void ZVCellOverlay::setShape(const QPainterPath& shape) {
    shape_ = shape;
    setNeedsDisplay();
}

void ZVCellOverlay::drawRect(QPainter& painter, const QRectF& /*rect*/) {
    if (shape_.isEmpty() || !color_.isValid()) {
        return;
    }
    painter.fillPath(shape_, color_);
}
