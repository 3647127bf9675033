#pragma once

#include <QtCore/QRectF>
#include <QtGui/QPainterPath>

#include <memory>
#include <vector>

class QPainter;

namespace platform {
class View;
}

using ViewList = std::vector<std::shared_ptr<platform::View>>;

// Row layout flags: an inset, then one horizontal and one vertical placement.
enum AlignFlags : int {
    kAlignLeft = 1,
    kAlignCenterX = 2,
    kAlignRight = 4,
    kAlignTop = 8,
    kAlignCenterY = 16,
    kAlignBottom = 32,
    // Centred on the tallest view's centre line, the row at the top.
    kAlignTallestTop = 64,
    // The row, as tall as its tallest view, at the bottom; each view centred in it.
    kAlignTallestBottom = 128,
    kAlignInset = 0x100,
    // Every label is first sized to fit its text, its frame made integral.
    kAlignSizeLabelsToFit = 0x200,
};

// Lays the visible views out in one row, 5 points apart; a visible stretch view takes the width
// left over. Returns the measured width of the row.
qreal alignViews(const ViewList& views, QRectF rect, int flags,
                 const std::shared_ptr<platform::View>& stretchView = nullptr);
// Lays the views out in a grid of equal cells, left to right then downward; views beyond
// rows × columns go on in further rows below the rectangle.
void layoutViews(const ViewList& views, const QRectF& rect, int rows, int cols, qreal spacing);

// A one-point separator in the light or the normal border colour.
void drawHorizontalLine(QPainter& painter, qreal y, qreal fromX, qreal toX,
                        bool lightColor = false);
// Separators at the top and/or bottom edge of `bounds`.
void drawSeparator(QPainter& painter, const QRectF& bounds, bool top, bool bottom,
                   bool lightColor = false);
// A closed triangle pointing up or down, filling the rectangle's width.
QPainterPath bezierPathWithArrowInRect(const QRectF& rect, bool pointingUp);
