#include "MessageFlow/rows/cells/ZVAccessorizedMessageCellWithNew.h"

#include "MessageFlow/rows/accessories/ZVMessageNewIndicatorView.h"
#include "toolkit/style/Geometry.h"

ZVAccessorizedMessageCellWithNew::~ZVAccessorizedMessageCellWithNew() = default;

void ZVAccessorizedMessageCellWithNew::setUp() {
    ZVAccessorizedMessageCell::setUp();
    newIndicator_ = std::make_shared<ZVMessageNewIndicatorView>(weakCell());
    contentView()->addSubview(newIndicator_);
}

void ZVAccessorizedMessageCellWithNew::setBackgroundColor(const QColor& color) {
    ZVAccessorizedMessageCell::setBackgroundColor(color);
    if (newIndicator_) {
        newIndicator_->setBackgroundColor(color);
    }
}

qreal ZVAccessorizedMessageCellWithNew::markerHeight() const {
    return ZVMessageNewIndicatorView::height();
}

QRectF ZVAccessorizedMessageCellWithNew::layoutAccessories(const QRectF& rect) {
    QRectF rest = ZVAccessorizedMessageCell::layoutAccessories(rect);
    const QRectF strip = CGRectExtractTop(rest, markerHeight());
    if (newIndicator_) {
        newIndicator_->setFrame(strip);
    }
    return rest;
}
