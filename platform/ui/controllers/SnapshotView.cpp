#include "platform/ui/controllers/SnapshotView.h"

#include <QtGui/QPainter>

namespace platform {

void SnapshotView::drawRect(QPainter& painter, const QRectF& rect) {
    painter.drawImage(rect, picture_);
}

}  // namespace platform
