#include "platform/ui/controllers/popover/PopoverPlacement.h"

#include <algorithm>
#include <array>

namespace platform {

namespace {

struct Side {
    unsigned direction;
    QSizeF room;
};

qreal clampTo(qreal value, qreal low, qreal high) {
    return high < low ? (low + high) / 2 : std::clamp(value, low, high);
}

}  // namespace

QRectF PopoverPlacement::bodyFrame() const {
    switch (arrowDirection) {
        case PopoverArrowDirection::Up:
            return frame.adjusted(0, kArrowHeight, 0, 0);
        case PopoverArrowDirection::Down:
            return frame.adjusted(0, 0, 0, -kArrowHeight);
        case PopoverArrowDirection::Left:
            return frame.adjusted(kArrowHeight, 0, 0, 0);
        case PopoverArrowDirection::Right:
            return frame.adjusted(0, 0, -kArrowHeight, 0);
        default:
            return frame;
    }
}

PopoverPlacement PopoverPlacement::place(const QRectF& anchorRect, QSizeF contentSize,
                                         const QRectF& area, unsigned permitted) {
    // An anchor partly off the area counts only where it shows; one wholly off keeps its place
    // clamped to the area's edge.
    QRectF anchor = anchorRect.normalized();
    anchor.moveLeft(clampTo(anchor.left(), area.left() - anchor.width(), area.right()));
    anchor.moveTop(clampTo(anchor.top(), area.top() - anchor.height(), area.bottom()));
    anchor = anchor.intersected(area).isValid() ? anchor.intersected(area)
                                                : QRectF(anchor.center(), QSizeF(0, 0));

    const std::array<Side, 4> sides{{
        {PopoverArrowDirection::Up,
         QSizeF(area.width(), area.bottom() - anchor.bottom() - kArrowHeight)},
        {PopoverArrowDirection::Down,
         QSizeF(area.width(), anchor.top() - area.top() - kArrowHeight)},
        {PopoverArrowDirection::Left,
         QSizeF(area.right() - anchor.right() - kArrowHeight, area.height())},
        {PopoverArrowDirection::Right,
         QSizeF(anchor.left() - area.left() - kArrowHeight, area.height())},
    }};
    const Side* chosen = nullptr;
    qreal bestShown = 0;
    for (const Side& side : sides) {
        if ((permitted & side.direction) == 0 || side.room.width() <= 0 ||
            side.room.height() <= 0) {
            continue;
        }
        if (contentSize.width() <= side.room.width() &&
            contentSize.height() <= side.room.height()) {
            chosen = &side;
            break;
        }
        const qreal shown = std::min(contentSize.width(), side.room.width()) *
                            std::min(contentSize.height(), side.room.height());
        if (shown > bestShown) {
            bestShown = shown;
            chosen = &side;
        }
    }

    PopoverPlacement placement;
    if (chosen == nullptr) {
        const QSizeF size = contentSize.boundedTo(area.size());
        placement.frame = QRectF(QPointF(0, 0), size);
        placement.frame.moveCenter(area.center());
        return placement;
    }
    const QSizeF body = contentSize.boundedTo(chosen->room);
    const qreal arrowMargin = kCornerRadius + kArrowBase / 2;
    placement.arrowDirection = chosen->direction;
    const bool vertical = chosen->direction == PopoverArrowDirection::Up ||
                          chosen->direction == PopoverArrowDirection::Down;
    if (vertical) {
        const qreal x = clampTo(anchor.center().x() - body.width() / 2, area.left(),
                                area.right() - body.width());
        const qreal height = body.height() + kArrowHeight;
        const qreal y = chosen->direction == PopoverArrowDirection::Up ? anchor.bottom()
                                                                       : anchor.top() - height;
        placement.frame = QRectF(x, y, body.width(), height);
        placement.arrowOffset =
            clampTo(anchor.center().x() - x, arrowMargin, body.width() - arrowMargin);
    } else {
        const qreal y = clampTo(anchor.center().y() - body.height() / 2, area.top(),
                                area.bottom() - body.height());
        const qreal width = body.width() + kArrowHeight;
        const qreal x = chosen->direction == PopoverArrowDirection::Left ? anchor.right()
                                                                         : anchor.left() - width;
        placement.frame = QRectF(x, y, width, body.height());
        placement.arrowOffset =
            clampTo(anchor.center().y() - y, arrowMargin, body.height() - arrowMargin);
    }
    return placement;
}

}  // namespace platform
