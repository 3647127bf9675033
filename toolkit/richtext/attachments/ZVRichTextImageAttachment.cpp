#include "toolkit/richtext/attachments/ZVRichTextImageAttachment.h"

#include "platform/ui/resources/Images.h"

#include <QtGui/QPainter>

void ZVRichTextImageAttachment::drawImage(QPainter& painter, const QImage& image) const {
    if (image.isNull()) {
        return;
    }
    const QSizeF size = platform::Images::pointSize(image);
    painter.drawImage(QRectF(QPointF(frame_.left(), frame_.bottom() - size.height()), size), image);
}
