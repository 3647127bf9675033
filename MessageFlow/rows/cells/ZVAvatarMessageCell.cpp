#include "MessageFlow/rows/cells/ZVAvatarMessageCell.h"

#include "MessageFlow/rows/ZVConversationCells.h"
#include "MessageFlow/views/ZVMessageView.h"
#include "ZelvoKit/model/Message.h"
#include "ZelvoKit/model/ZVRepositorySession.h"
#include "ZelvoKit/support/text/ZVLocalization.h"
#include "platform/foundation/Format.h"
#include "platform/ui/controls/ImageView.h"
#include "platform/ui/resources/Images.h"
#include "platform/ui/text/AttributedText.h"
#include "toolkit/richtext/ZVRichText.h"
#include "toolkit/richtext/message/ZVRichMessageRepresentation.h"
#include "toolkit/style/Geometry.h"
#include "toolkit/style/ZVColors.h"
#include "toolkit/style/ZVTextStyles.h"
#include "toolkit/widgets/avatars/ZVAvatarView.h"

namespace {

bool avatarCellIsPinOrTaskView(ZVMessageViewClass viewClass) {
    return viewClass == ZVMessageViewClass::Pinned || viewClass == ZVMessageViewClass::Task;
}

}  // namespace

ZVAvatarMessageCell::~ZVAvatarMessageCell() = default;

void ZVAvatarMessageCell::setUp() {
    ZVMessageCell::setUp();
    const auto model = conversationCells();
    setAvatarSize(model ? model->avatarSize() : 0);
    headerText_ = std::make_shared<ZVRichText>();
    contentView()->addSubview(headerText_);
    contentView()->bringSubviewToFront(editIcon().get());
    contentView()->bringSubviewToFront(messageView().get());
    headerText_->setHidden(avatarCellIsPinOrTaskView(messageViewClass()));
}

qreal ZVAvatarMessageCell::heightWithMessage(const std::shared_ptr<Message>& message,
                                             const ZVConversationCells& cells, bool groupedWithNext,
                                             bool groupedWithPrevious) {
    qreal height =
        ZVMessageCell::heightWithMessage(message, cells, groupedWithNext, groupedWithPrevious);
    if (!message->isTask() && !message->isPinned() && !groupedWithPrevious) {
        height += ZVTextStyles::lineHeightForStyle(kNameStyle);
        const auto model = ZVRichMessageRepresentation::of(message);
        if (model && model->containsFilesOnly()) {
            height += kFilesOnlyGap;
        }
    }
    return height;
}

void ZVAvatarMessageCell::setAvatarSize(int size) {
    if (size == avatarSize()) {
        return;
    }
    if (size == 0) {
        if (avatar_) {
            avatar_->removeFromSuperview();
            avatar_.reset();
        }
        if (email_) {
            email_->removeFromSuperview();
            email_.reset();
        }
        setNeedsLayout();
        return;
    }
    if (!avatar_) {
        avatar_ = std::make_shared<ZVAvatarView>();
        contentView()->addSubview(avatar_);
    }
    avatar_->setSize(size);
    setNeedsLayout();
}

int ZVAvatarMessageCell::avatarSize() const {
    return avatar_ ? avatar_->size() : 0;
}

bool ZVAvatarMessageCell::headerAllowed() const {
    if (avatarCellIsPinOrTaskView(messageViewClass()) || groupedWithPrevious()) {
        return false;
    }
    const auto shown = message();
    return !shown || (!shown->isTask() && !shown->isPinned());
}

void ZVAvatarMessageCell::updateHeaderVisibility() {
    if (headerText_) {
        headerText_->setHidden(!headerAllowed());
    }
}

void ZVAvatarMessageCell::setGroupedWithPrevious(bool grouped) {
    ZVMessageCell::setGroupedWithPrevious(grouped);
    if (avatar_) {
        avatar_->setHidden(grouped);
    }
    updateHeaderVisibility();
}

void ZVAvatarMessageCell::setMessage(const std::shared_ptr<Message>& message) {
    ZVMessageCell::setMessage(message);
    updateHeaderVisibility();
    if (!message) {
        return;
    }
    updateAvatar(*message);
    updateEditIcon();
    if (!headerText_->isHidden()) {
        headerText_->setAttributedText(headerText(message));
    }
    updateEmailBadge(*message);
}

void ZVAvatarMessageCell::updateAvatar(const Message& message) {
    if (!avatar_) {
        return;
    }
    const auto session = std::dynamic_pointer_cast<ZVRepositorySession>(message.session());
    if (message.isPinned()) {
        avatar_->setType(message.isArchived() ? ZVAvatarView::kFadedPin : ZVAvatarView::kPin);
    } else if (message.isTask()) {
        avatar_->setType(message.isCompletedTask() ? ZVAvatarView::kTaskCompletedToo
                                                   : ZVAvatarView::kTaskCompleted);
    } else if (message.isTextMessage() && session) {
        if (!message.hookKey().isEmpty()) {
            avatar_->setHook(session->hookFromId(message.hookKey()));
        } else {
            avatar_->setContact(session->contactFromId(message.accountId()));
        }
    } else {
        avatar_->setType(ZVAvatarView::kSystemMessage);
    }
    avatar_->setAlpha(message.isPending() ? kPendingAvatarAlpha : 1.0);
}

void ZVAvatarMessageCell::updateEmailBadge(const Message& message) {
    const bool show = message.isOfType(Message::TypeEmail) && avatar_ && !message.isPinned();
    if (show && !email_) {
        email_ = std::make_shared<platform::ImageView>(platform::Images::named(kEmailBadgeName));
        email_->sizeToFit();
        contentView()->addSubview(email_);
    }
    if (email_) {
        email_->setHidden(!show);
        if (show) {
            contentView()->bringSubviewToFront(email_.get());
        }
    }
}

void ZVAvatarMessageCell::updateEditIcon() {
    const auto shown = message();
    editIcon()->setHidden(!shown || !shown->isEdited() || !headerText_ || headerText_->isHidden());
}

platform::AttributedString ZVAvatarMessageCell::headerText(const std::shared_ptr<Message>& shown) {
    const Message& message = *shown;
    const QString time =
        platform::format(QStringLiteral(" %@"), ZVLocalization::formatTime(message.postedTime()));
    const auto& noteAttributes = ZVTextStyles::attributesForStyle(kNoteStyle);
    if (!message.isTextMessage()) {
        platform::TextAttributes name = ZVTextStyles::attributesForStyle(kNameStyle);
        name.insert(platform::TextAttribute::ForegroundColor,
                    QVariant::fromValue(ZVTextStyles::colorForStyle(kSystemNameColorStyle)));
        platform::AttributedString text(kSystemName, name);
        text.append(time, noteAttributes);
        return text;
    }
    const auto model = ZVRichMessageRepresentation::of(shown);
    platform::TextAttributes name = ZVTextStyles::attributesForStyle(kNameStyle);
    if (message.isPending()) {
        name.insert(platform::TextAttribute::ForegroundColor,
                    QVariant::fromValue(ZVColors::gray()));
    }
    platform::AttributedString text(model ? model->posterName() : QString(), name);
    QString note;
    if (message.isOfType(Message::TypeEmail) || message.isOfType(Message::TypeHtmlEmail)) {
        note = kViaEmail;
    } else if (!message.hookKey().isEmpty()) {
        note = !message.senderName().isEmpty() && model
                   ? platform::format(kViaFormat, model->hookName())
                   : kViaHook;
    }
    if (!note.isEmpty()) {
        text.append(u' ' + note, noteAttributes);
    }
    text.append(time, noteAttributes);
    return text;
}

void ZVAvatarMessageCell::setBackgroundColor(const QColor& color) {
    ZVMessageCell::setBackgroundColor(color);
    if (headerText_) {
        headerText_->setBackgroundColor(color);
    }
}

QPainterPath ZVAvatarMessageCell::highlightShape() const {
    if (!highlightedFile() && avatar_ && avatar_->isHighlighted()) {
        QPainterPath path;
        path.addEllipse(avatar_->frame().translated(contentView()->frame().topLeft()));
        return path;
    }
    return ZVMessageCell::highlightShape();
}

QRectF ZVAvatarMessageCell::layoutWithRect(const QRectF& rect) {
    QRectF rest = rect;
    const auto model = conversationCells();
    if (avatar_ && model) {
        const qreal side = ZVAvatarView::pointsForSize(avatar_->size());
        const qreal top = avatarCellIsPinOrTaskView(messageViewClass()) ? 0 : kAvatarTop;
        avatar_->setFrame(
            QRectF(rect.left() - model->avatarSpacing() - side, rect.top() + top, side, side));
        if (email_ && !email_->isHidden()) {
            const QRectF avatarFrame = avatar_->frame();
            email_->setCenter(
                QPointF(avatarFrame.right() - kBadgeInsetX, avatarFrame.bottom() - kBadgeInsetY));
        }
    }
    const bool headerShown = headerText_ && !headerText_->isHidden();
    if (headerShown) {
        QRectF strip = CGRectExtractTop(rest, ZVTextStyles::lineHeightForStyle(kNameStyle));
        strip.setHeight(strip.height() + kHeaderOverhang);
        headerText_->setFrame(strip);
        const auto shownModel = model ? this->model() : nullptr;
        if (shownModel && shownModel->containsFilesOnly()) {
            CGRectExtractTop(rest, kFilesOnlyGap);
        }
    }
    rest.setHeight(std::max<qreal>(0, rest.height()));
    const QRectF given = ZVMessageCell::layoutWithRect(rest);
    if (headerShown) {
        headerText_->layoutIfNeeded();
        const QRectF header = headerText_->frame();
        const QSizeF iconSize = editIcon()->frame().size();
        editIcon()->setFrame(QRectF(
            QPointF(header.left() + headerText_->textWidth() + kEditIconGap,
                    header.top() + (header.height() - kHeaderOverhang - iconSize.height()) / 2),
            iconSize));
    }
    return given;
}
