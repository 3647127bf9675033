#include "toolkit/richtext/attachments/ZVRichTextHorizontalLine.h"

#include "platform/ui/text/AttributedText.h"
#include "toolkit/style/ZVColors.h"

#include <QtGui/QPainter>

namespace {

constexpr qreal kLineWidth = 1.0;
// On the middle of a pixel row, so that a one-point line stays sharp.
constexpr qreal kPixelCentre = 0.5;

}  // namespace

void ZVRichTextHorizontalLine::draw(QPainter& painter) const {
    if (rect_.isEmpty()) {
        return;
    }
    const qreal y = rect_.center().y() + kPixelCentre;
    painter.save();
    painter.setPen(QPen(platform::resolveColor(ZVColors::border()), kLineWidth));
    painter.drawLine(QPointF(0, y), QPointF(parentWidth(), y));
    painter.restore();
}
