#pragma once

#include "platform/ui/view/View.h"

// The small triangle by which a popover card points at a view.
class ZVArrowView : public platform::View {
public:
    static constexpr qreal kWidth = 10;
    static constexpr qreal kHeight = 5;

    ZVArrowView(bool pointingUp, const QColor& color);

    bool pointingUp() const { return pointingUp_; }
    QColor color() const { return color_; }
    void setColor(const QColor& color);

    void drawRect(QPainter& painter, const QRectF& rect) override;

private:
    bool pointingUp_;
    QColor color_;
};
