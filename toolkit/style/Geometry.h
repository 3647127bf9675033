#pragma once

#include <QtCore/QMarginsF>
#include <QtCore/QPointF>
#include <QtCore/QRectF>

// Rectangle slicing: each takes a strip of `amount` off one side of `rect` and returns it.
QRectF CGRectExtractLeft(QRectF& rect, qreal amount);
QRectF CGRectExtractTop(QRectF& rect, qreal amount);
QRectF CGRectExtractRight(QRectF& rect, qreal amount);
QRectF CGRectExtractBottom(QRectF& rect, qreal amount);
QPointF CGRectGetCenter(const QRectF& rect);
QRectF CGRectApplyInsets(const QRectF& rect, const QMarginsF& insets);
