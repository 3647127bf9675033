#pragma once

#include "platform/ui/view/View.h"

// The rounded white track of the segmented control, outlined in the border colour; it clips the
// selection block to its corners.
class ZVSegmentedControlContainer : public platform::View {
public:
    static constexpr qreal kCornerRadius = 16;
    static constexpr qreal kOutlineWidth = 1;

    ZVSegmentedControlContainer();

    void drawRect(QPainter& painter, const QRectF& rect) override;
};
