#pragma once

#include <QtGui/QPainter>

class QRegion;

namespace platform {

class View;

// Paints view trees with QPainter, as they show now (animations included): shadow, background,
// content, subviews in z order, clipping and border.
class ViewRenderer {
public:
    // What a window draws with; every view tree is drawn with them.
    static constexpr QPainter::RenderHints kRenderHints =
        QPainter::Antialiasing | QPainter::SmoothPixmapTransform;

    // Draws `view` into a painter in its superview's coordinates.
    static void draw(const View& view, QPainter& painter);
    // Draws the view's own layers and subviews into a painter in the view's bounds' coordinates,
    // with kRenderHints (the painter's own are given back).
    static void drawContents(const View& view, QPainter& painter);
    // The device pixels (points × `scale`, from the window's origin) that `view` as it shows now
    // paints whole and opaquely, by its own background or its subviews': nothing below shows there.
    static QRegion opaquePixels(const View& view, qreal scale);
};

}  // namespace platform
