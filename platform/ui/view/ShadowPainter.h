#pragma once

#include <QtCore/QPointF>
#include <QtGui/QColor>
#include <QtGui/QPainterPath>

class QPainter;

namespace platform {

// Draws the soft shadow that a shape casts: the shape filled in the shadow colour, blurred by the
// radius and moved by the offset.
void paintShadow(QPainter& painter, const QPainterPath& shape, const QColor& color, qreal opacity,
                 qreal radius, QPointF offset);

}  // namespace platform
