#include "files/views/ZVLabel.h"

#include <QtGui/QLinearGradient>
#include <QtGui/QPainter>

void ZVLabel::setTruncated(bool truncated) {
    truncated_ = truncated;
    setNeedsDisplay();
}

void ZVLabel::drawRect(QPainter& painter, const QRectF& rect) {
    Label::drawRect(painter, rect);
    if (!truncated_) {
        return;
    }
    const QRectF area = bounds();
    const QColor solid = backgroundColor().isValid() ? backgroundColor() : QColor(Qt::white);
    QColor clear = solid;
    clear.setAlphaF(0);
    QLinearGradient fade(QPointF(area.center().x(), area.bottom()),
                         QPointF(area.center().x(), area.top()));
    fade.setColorAt(0, solid);
    fade.setColorAt(1, clear);
    painter.fillRect(area, fade);
}
