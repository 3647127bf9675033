#include "MessageFlow/pages/ZVOverlayContainer.h"

ZVOverlayContainer::ZVOverlayContainer() {
    layer().setShadowColor(Qt::gray);
    layer().setShadowOpacity(1);
    layer().setShadowRadius(kShadowRadius);
    layer().setShadowOffset(QPointF(kShadowOffsetX, 0));
}
