#pragma once

#include <QtCore/QRectF>
#include <QtCore/QSizeF>

namespace platform {

// How content of its own size is placed in a view's bounds; the numbers are the platform's.
enum class ContentMode {
    ScaleToFill = 0,
    ScaleAspectFit = 1,
    ScaleAspectFill = 2,
    Redraw = 3,
    Center = 4,
    Top = 5,
    Bottom = 6,
    Left = 7,
    Right = 8,
    TopLeft = 9,
    TopRight = 10,
    BottomLeft = 11,
    BottomRight = 12,
};

// Where content of `size` is drawn in `bounds` under `mode` (it may reach outside the bounds).
QRectF placeContent(ContentMode mode, QSizeF size, const QRectF& bounds);

}  // namespace platform
