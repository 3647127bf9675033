#include "toolkit/style/Geometry.h"

QRectF CGRectExtractLeft(QRectF& rect, qreal amount) {
    const QRectF strip(rect.x(), rect.y(), amount, rect.height());
    rect.setLeft(rect.left() + amount);
    return strip;
}

QRectF CGRectExtractTop(QRectF& rect, qreal amount) {
    const QRectF strip(rect.x(), rect.y(), rect.width(), amount);
    rect.setTop(rect.top() + amount);
    return strip;
}

QRectF CGRectExtractRight(QRectF& rect, qreal amount) {
    const QRectF strip(rect.x() + rect.width() - amount, rect.y(), amount, rect.height());
    rect.setWidth(rect.width() - amount);
    return strip;
}

QRectF CGRectExtractBottom(QRectF& rect, qreal amount) {
    const QRectF strip(rect.x(), rect.y() + rect.height() - amount, rect.width(), amount);
    rect.setHeight(rect.height() - amount);
    return strip;
}

QPointF CGRectGetCenter(const QRectF& rect) {
    return rect.center();
}

QRectF CGRectApplyInsets(const QRectF& rect, const QMarginsF& insets) {
    return QRectF(rect.x() + insets.left(), rect.y() + insets.top(),
                  rect.width() - insets.left() - insets.right(),
                  rect.height() - insets.top() - insets.bottom());
}
