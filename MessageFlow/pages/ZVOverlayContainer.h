#pragma once

#include "platform/ui/view/View.h"

// The side panel that shows another page's screen over the right part of a conversation's table
// on a tablet: a plain view whose shadow falls to the left, onto the table.
class ZVOverlayContainer : public platform::View {
public:
    static constexpr qreal kShadowRadius = 5;
    static constexpr qreal kShadowOffsetX = -5;

    ZVOverlayContainer();
};
