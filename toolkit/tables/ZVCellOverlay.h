#pragma once

#include "platform/ui/view/View.h"

#include <QtGui/QColor>
#include <QtGui/QPainterPath>

// The translucent highlight laid over a cell's content: a colour filled in a shape. It takes no
// touches, so the row under it still gets them.
class ZVCellOverlay : public platform::View {
public:
    ZVCellOverlay();

    const QColor& color() const { return color_; }
    void setColor(const QColor& color);
    const QPainterPath& shape() const { return shape_; }
    void setShape(const QPainterPath& shape);

    void drawRect(QPainter& painter, const QRectF& rect) override;

private:
    QColor color_;
    QPainterPath shape_;
};
