#pragma once

#include <QtCore/QRectF>

namespace platform {

// Distances in from each side of a rectangle, in points; negative values reach outside it.
struct EdgeInsets {
    qreal top = 0;
    qreal left = 0;
    qreal bottom = 0;
    qreal right = 0;

    QRectF inset(const QRectF& rect) const { return rect.adjusted(left, top, -right, -bottom); }
    qreal horizontal() const { return left + right; }
    qreal vertical() const { return top + bottom; }
    friend bool operator==(const EdgeInsets&, const EdgeInsets&) = default;
};

}  // namespace platform
