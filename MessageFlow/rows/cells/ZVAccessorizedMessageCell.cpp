#include "MessageFlow/rows/cells/ZVAccessorizedMessageCell.h"

#include "MessageFlow/rows/accessories/ZVMessageDateView.h"
#include "MessageFlow/rows/accessories/ZVMessageLoadMoreViewTop.h"
#include "ZelvoKit/model/Message.h"
#include "toolkit/style/Geometry.h"

ZVAccessorizedMessageCell::ZVAccessorizedMessageCell(std::weak_ptr<ZVConversationCells> cells,
                                                     ZVMessageViewClass viewClass,
                                                     QString reuseIdentifier,
                                                     ZVMessageAccessoryClass topAccessory,
                                                     ZVMessageAccessoryClass bottomAccessory)
    : ZVAvatarMessageCell(std::move(cells), viewClass, std::move(reuseIdentifier)),
      topClass_(topAccessory),
      bottomClass_(bottomAccessory) {}

ZVAccessorizedMessageCell::~ZVAccessorizedMessageCell() = default;

void ZVAccessorizedMessageCell::setUp() {
    ZVAvatarMessageCell::setUp();
    topAccessory_ = ZVMakeMessageAccessory(topClass_, weakCell());
    bottomAccessory_ = ZVMakeMessageAccessory(bottomClass_, weakCell());
    for (const auto& accessory : {topAccessory_, bottomAccessory_}) {
        if (accessory) {
            contentView()->addSubview(accessory);
        }
    }
}

void ZVAccessorizedMessageCell::setMessage(const std::shared_ptr<Message>& message) {
    ZVAvatarMessageCell::setMessage(message);
    if (auto* date = dynamic_cast<ZVMessageDateView*>(topAccessory_.get()); date && message) {
        date->setDate(message->postedTime());
    }
}

void ZVAccessorizedMessageCell::setMessageInterval(double interval) {
    if (auto* bar = dynamic_cast<ZVMessageLoadMoreViewTop*>(topAccessory_.get())) {
        bar->setInterval(interval);
    }
}

void ZVAccessorizedMessageCell::setBackgroundColor(const QColor& color) {
    ZVAvatarMessageCell::setBackgroundColor(color);
    for (const auto& accessory : {topAccessory_, bottomAccessory_}) {
        if (accessory) {
            accessory->setBackgroundColor(color);
        }
    }
}

QRectF ZVAccessorizedMessageCell::contentRect() const {
    QRectF rect = bounds();
    CGRectExtractTop(rect, ZVMessageAccessoryHeight(topClass_));
    CGRectExtractBottom(rect, ZVMessageAccessoryHeight(bottomClass_));
    CGRectExtractTop(rect, markerHeight());
    return rect;
}

QRectF ZVAccessorizedMessageCell::layoutAccessories(const QRectF& rect) {
    QRectF rest = rect;
    const QRectF top = CGRectExtractTop(rest, ZVMessageAccessoryHeight(topClass_));
    const QRectF bottom = CGRectExtractBottom(rest, ZVMessageAccessoryHeight(bottomClass_));
    if (topAccessory_) {
        topAccessory_->setFrame(top);
    }
    if (bottomAccessory_) {
        bottomAccessory_->setFrame(bottom);
    }
    return rest;
}
