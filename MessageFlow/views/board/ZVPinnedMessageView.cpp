#include "MessageFlow/views/board/ZVPinnedMessageView.h"

#include "MessageFlow/views/board/ZVBoardLines.h"
#include "ZelvoKit/ZelvoApi/account/ZVUserProfile.h"
#include "ZelvoKit/ZelvoApi/session/ZVApiSession.h"
#include "ZelvoKit/model/Message.h"
#include "platform/foundation/Format.h"
#include "platform/ui/controls/Label.h"
#include "platform/ui/text/AttributedText.h"
#include "toolkit/style/ColorUtils.h"
#include "toolkit/style/Geometry.h"
#include "toolkit/style/ZVColors.h"
#include "toolkit/style/ZVTextStyles.h"

namespace {
// The platform's red, for a pin someone else is editing.
const QColor kLockedColor = QColor(255, 59, 48);
}  // namespace

ZVPinnedMessageView::ZVPinnedMessageView(std::weak_ptr<ZVMessageViewCell> cell)
    : ZVBaseMessageView(std::move(cell)), statusText_(std::make_shared<platform::Label>()) {
    ZVTextStyles::styleLabel(*statusText_, kStatusStyle);
    layer().setCornerRadius(kCornerRadius);
    addSubview(statusText_);
    setBackgroundColor(QColor());
}

ZVPinnedMessageView::~ZVPinnedMessageView() = default;

void ZVPinnedMessageView::setBackgroundColor(const QColor& /*color*/) {
    // A pin always sits on its own colour, whatever the row around it.
    const QColor pin = platform::resolveColor(ZVColors::pin());
    ZVBaseMessageView::setBackgroundColor(pin);
    statusText_->setBackgroundColor(pin);
}

void ZVPinnedMessageView::setMessage(const std::shared_ptr<Message>& message) {
    ZVBaseMessageView::setMessage(message);
    if (message) {
        updateStatusTextWithMessage(*message);
    }
    setNeedsLayout();
}

void ZVPinnedMessageView::updateStatusTextWithMessage(const Message& message) {
    if (message.isSending()) {
        statusText_->setText(kSendingText);
        statusText_->setTextColor(platform::resolveColor(ZVColors::gray()));
        return;
    }
    const QString locker = message.lockAccountId();
    const auto session = message.session();
    const bool lockedBySelf = session && session->profile() && session->profile()->isSelf(locker);
    if (!locker.isEmpty() && !lockedBySelf) {
        statusText_->setText(
            platform::format(kLockedByFormat, ZVBoardLines::fullNameOf(message, locker)));
        statusText_->setTextColor(kLockedColor);
        return;
    }
    QString format = kCreatedByFormat;
    QDateTime date = message.postedTime();
    if (message.isDeletedMessage() || message.hasTag(Message::TagEditedByOthers)) {
        format = message.isDeletedMessage() ? kDeletedByFormat : kLastEditByFormat;
        if (message.editedTime().isValid()) {
            date = message.editedTime();
        }
    }
    QString author = message.editAccountId();
    if (author.isEmpty()) {
        author = message.accountId();
    }
    const QString filled = platform::format(format, ZVBoardLines::fullNameOf(message, author));
    statusText_->setText(filled + u' ' + ZVBoardLines::formatDate(date));
    statusText_->setTextColor(platform::resolveColor(ZVColors::gray()));
}

QRectF ZVPinnedMessageView::layoutWithRect(const QRectF& rect) {
    statusText_->setHidden(ZVBoardLines::isCollapsedRow(cells(), expandState()));
    QRectF rest = rect.adjusted(kMargin, kMargin, -kMargin, -kMargin);
    if (!statusText_->isHidden()) {
        statusText_->setFrame(
            CGRectExtractBottom(rest, ZVTextStyles::lineHeightForStyle(kStatusStyle)));
    }
    return ZVBaseMessageView::layoutWithRect(rest);
}

qreal ZVPinnedMessageView::heightForMessage(const std::shared_ptr<Message>& message, qreal width,
                                            const ZVMessageViewCells& cells) {
    const auto model = message ? ZVRichMessageRepresentation::of(message) : nullptr;
    if (!model) {
        return 0;
    }
    qreal height = ZVBaseMessageView::heightForMessage(message, width - 2 * kMargin, cells);
    height += 2 * kMargin;
    if (!ZVBoardLines::isCollapsedRow(&cells, expandStateOf(*model))) {
        height += ZVTextStyles::lineHeightForStyle(kStatusStyle);
    }
    return height;
}
