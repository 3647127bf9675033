#include "MessageFlow/rows/accessories/ZVMessageAccessoryView.h"

ZVMessageAccessoryView::ZVMessageAccessoryView(std::weak_ptr<ZVMessageCell> cell, qreal height)
    : platform::View(QRectF(0, 0, 0, height)), cell_(std::move(cell)) {}

ZVMessageAccessoryView::~ZVMessageAccessoryView() = default;
