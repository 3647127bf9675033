#include "MessageFlow/views/board/ZVSeparatorMessageView.h"

#include "ZelvoKit/markup/ZVMessageStripper.h"
#include "ZelvoKit/model/Message.h"
#include "platform/ui/controls/Label.h"
#include "toolkit/style/ZVTextStyles.h"

ZVSeparatorMessageView::ZVSeparatorMessageView(std::weak_ptr<ZVMessageViewCell> cell)
    : ZVMessageView(std::move(cell)), text_(std::make_shared<platform::Label>()) {
    ZVTextStyles::styleLabel(*text_, kCaptionStyle);
    text_->setTextAlignment(platform::TextAlignment::Center);
    addSubview(text_);
}

ZVSeparatorMessageView::~ZVSeparatorMessageView() = default;

void ZVSeparatorMessageView::setBackgroundColor(const QColor& color) {
    View::setBackgroundColor(color);
    text_->setBackgroundColor(color);
}

void ZVSeparatorMessageView::setMessage(const std::shared_ptr<Message>& message) {
    ZVMessageView::setMessage(message);
    if (!message) {
        return;
    }
    // The archive's header is made locally, numbered 0.
    text_->setText(message->messageNr() >= 1
                       ? ZVMessageStripper::extractPlainText(message->message()).toUpper()
                       : kArchivedTasksText);
}

QRectF ZVSeparatorMessageView::layoutWithRect(const QRectF& rect) {
    text_->setFrame(rect);
    return rect;
}

qreal ZVSeparatorMessageView::heightForMessage(const std::shared_ptr<Message>& /*message*/,
                                               qreal /*width*/,
                                               const ZVMessageViewCells& /*cells*/) {
    return ZVTextStyles::lineHeightForStyle(kLineStyle);
}
