#pragma once

class QPainter;
class QRectF;

namespace platform {

class View;

// Paints view trees with QPainter, as they show now (animations included): shadow, background,
// content, subviews in z order, clipping and border.
class ViewRenderer {
public:
    // Draws `view` into a painter in its superview's coordinates.
    static void draw(const View& view, QPainter& painter);
    // Draws the view's own layers and subviews into a painter in the view's bounds' coordinates.
    static void drawContents(const View& view, QPainter& painter);
    // True when `view` as it shows now paints all of `rect` (in its superview's coordinates)
    // opaquely, by its own background or a subview's, so nothing below it shows there.
    static bool coversOpaquely(const View& view, const QRectF& rect);
};

}  // namespace platform
