#include "toolkit/widgets/ZVSegmentedControlContainer.h"

#include "platform/ui/text/AttributedText.h"
#include "toolkit/style/ZVColors.h"

#include <QtGui/QPainter>
#include <QtGui/QPainterPath>

ZVSegmentedControlContainer::ZVSegmentedControlContainer() {
    setUserInteractionEnabled(false);
    layer().setCornerRadius(kCornerRadius);
    setBackgroundColor(Qt::white);
    setClipsToBounds(true);
}

void ZVSegmentedControlContainer::drawRect(QPainter& painter, const QRectF& rect) {
    View::drawRect(painter, rect);
    const qreal half = kOutlineWidth / 2;
    const qreal radius = layer().cornerRadius();
    QPainterPath outline;
    outline.addRoundedRect(bounds().adjusted(half, half, -half, -half), radius, radius);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.strokePath(outline, QPen(platform::resolveColor(ZVColors::border()), kOutlineWidth));
}
