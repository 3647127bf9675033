#pragma once

#include <QtCore/QRectF>

namespace platform {

// Distances inward from the edges of a rectangle, in points.
struct EdgeInsets {
    qreal top = 0;
    qreal left = 0;
    qreal bottom = 0;
    qreal right = 0;

    bool operator==(const EdgeInsets&) const = default;

    QRectF inset(const QRectF& rect) const { return rect.adjusted(left, top, -right, -bottom); }
};

}  // namespace platform
