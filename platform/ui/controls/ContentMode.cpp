#include "platform/ui/controls/ContentMode.h"

#include <algorithm>

namespace platform {

QRectF placeContent(ContentMode mode, QSizeF size, const QRectF& bounds) {
    if (size.isEmpty()) {
        return {bounds.center(), QSizeF()};
    }
    const qreal widthRatio = bounds.width() / size.width();
    const qreal heightRatio = bounds.height() / size.height();
    QSizeF placed = size;
    switch (mode) {
        case ContentMode::ScaleToFill:
        case ContentMode::Redraw:
            return bounds;
        case ContentMode::ScaleAspectFit:
            placed = size * std::min(widthRatio, heightRatio);
            break;
        case ContentMode::ScaleAspectFill:
            placed = size * std::max(widthRatio, heightRatio);
            break;
        default:
            break;
    }
    // Centred unless the mode pins an edge.
    qreal x = bounds.left() + (bounds.width() - placed.width()) / 2;
    qreal y = bounds.top() + (bounds.height() - placed.height()) / 2;
    switch (mode) {
        case ContentMode::Top:
        case ContentMode::TopLeft:
        case ContentMode::TopRight:
            y = bounds.top();
            break;
        case ContentMode::Bottom:
        case ContentMode::BottomLeft:
        case ContentMode::BottomRight:
            y = bounds.bottom() - placed.height();
            break;
        default:
            break;
    }
    switch (mode) {
        case ContentMode::Left:
        case ContentMode::TopLeft:
        case ContentMode::BottomLeft:
            x = bounds.left();
            break;
        case ContentMode::Right:
        case ContentMode::TopRight:
        case ContentMode::BottomRight:
            x = bounds.right() - placed.width();
            break;
        default:
            break;
    }
    return {QPointF(x, y), placed};
}

}  // namespace platform
