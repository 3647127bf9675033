#pragma once

#include <QtCore/QRectF>

namespace platform {

// Directions the arrow of a popover may point in; the numbers are the platform's.
namespace PopoverArrowDirection {
constexpr unsigned Up = 1u << 0;
constexpr unsigned Down = 1u << 1;
constexpr unsigned Left = 1u << 2;
constexpr unsigned Right = 1u << 3;
constexpr unsigned Any = Up | Down | Left | Right;
// No arrow: the popover could not be put beside its anchor and stands in the middle.
constexpr unsigned Unknown = ~0u;
}  // namespace PopoverArrowDirection

// Where a popover goes: its frame (arrow included, in window points), the direction its arrow
// points and where along its edge the arrow's tip is.
struct PopoverPlacement {
    static constexpr qreal kArrowHeight = 13;
    static constexpr qreal kArrowBase = 26;
    static constexpr qreal kCornerRadius = 8;

    QRectF frame;
    unsigned arrowDirection = PopoverArrowDirection::Unknown;
    qreal arrowOffset = 0;

    // The frame without the arrow's strip: where the content goes.
    QRectF bodyFrame() const;

    // Puts a popover of `contentSize` beside `anchor` (window points) within `area`: the first
    // permitted side, in the order below, above, right, left, where the whole content fits, else
    // the side that shows most of it, the content shrunk to the room there. The arrow stays
    // clear of the rounded corners.
    static PopoverPlacement place(const QRectF& anchor, QSizeF contentSize, const QRectF& area,
                                  unsigned permittedDirections);
};

}  // namespace platform
