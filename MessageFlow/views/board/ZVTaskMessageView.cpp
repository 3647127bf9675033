#include "MessageFlow/views/board/ZVTaskMessageView.h"

#include "MessageFlow/views/board/ZVBoardLines.h"
#include "ZelvoKit/model/Message.h"
#include "ZelvoKit/model/ZVRepositorySession.h"
#include "platform/foundation/Format.h"
#include "platform/ui/controls/Label.h"
#include "platform/ui/text/AttributedText.h"
#include "toolkit/style/ColorUtils.h"
#include "toolkit/style/Geometry.h"
#include "toolkit/style/ZVColors.h"
#include "toolkit/style/ZVTextStyles.h"
#include "toolkit/widgets/avatars/ZVAvatarView.h"

ZVTaskMessageView::ZVTaskMessageView(std::weak_ptr<ZVMessageViewCell> cell)
    : ZVBaseMessageView(std::move(cell)),
      createdLabel_(std::make_shared<platform::Label>()),
      assignedLabel_(std::make_shared<platform::Label>()) {
    ZVTextStyles::styleLabel(*createdLabel_, kStatusStyle);
    ZVTextStyles::styleLabel(*assignedLabel_, kStatusStyle);
    layer().setCornerRadius(kCornerRadius);
    addSubview(createdLabel_);
    addSubview(assignedLabel_);
    layer().setBorderColor(platform::resolveColor(ZVColors::border()));
    layer().setBorderWidth(kBorderWidth);
    setBackgroundColor(QColor());
}

ZVTaskMessageView::~ZVTaskMessageView() = default;

void ZVTaskMessageView::setBackgroundColor(const QColor& /*color*/) {
    ZVBaseMessageView::setBackgroundColor(platform::resolveColor(ZVColors::task()));
    createdLabel_->setBackgroundColor(backgroundColor());
    assignedLabel_->setBackgroundColor(backgroundColor());
}

QStringList ZVTaskMessageView::assigneeIdsOf(const QString& accountIds) {
    return accountIds.split(u' ', Qt::SkipEmptyParts);
}

void ZVTaskMessageView::setAssignees(const QString& accountIds) {
    const QStringList ids = assigneeIdsOf(accountIds);
    const std::size_t count = static_cast<std::size_t>(ids.size());
    while (assigneeAvatars_.size() < count) {
        auto avatar = std::make_shared<ZVAvatarView>();
        avatar->setSize(kAvatarSize);
        addSubview(avatar);
        assigneeAvatars_.push_back(std::move(avatar));
    }
    // One avatar stays, hidden, for the next assignee.
    while (assigneeAvatars_.size() > std::max<std::size_t>(count, 1)) {
        assigneeAvatars_.back()->removeFromSuperview();
        assigneeAvatars_.pop_back();
    }
    const auto shown = message();
    const auto session =
        shown ? std::dynamic_pointer_cast<ZVRepositorySession>(shown->session()) : nullptr;
    for (std::size_t i = 0; i < assigneeAvatars_.size(); ++i) {
        ZVAvatarView& avatar = *assigneeAvatars_[i];
        avatar.setHidden(i >= count);
        if (i < count) {
            avatar.setContact(session ? session->contactFromId(ids[qsizetype(i)]) : nullptr);
        }
    }
    setNeedsLayout();
}

void ZVTaskMessageView::updateStatusTextWithMessage(const Message& message) {
    createdLabel_->setText(platform::format(kCreatedFormat,
                                            ZVBoardLines::fullNameOf(message, message.accountId()),
                                            ZVBoardLines::formatDate(message.postedTime())));
    QString assigned;
    if (!assigneeIdsOf(message.assigneeIdsText()).isEmpty()) {
        const auto shown = model();
        assigned = platform::format(kAssignedFormat, shown ? shown->assigneeList() : QString());
    }
    assignedLabel_->setText(assigned);
}

void ZVTaskMessageView::setMessage(const std::shared_ptr<Message>& message) {
    ZVBaseMessageView::setMessage(message);
    if (message) {
        updateStatusTextWithMessage(*message);
        const ZVMessageViewCells* table = cells();
        if (table && table->listStyle()) {
            setAssignees(message->assigneeIdsText());
        }
    }
    setNeedsLayout();
}

QRectF ZVTaskMessageView::layoutWithRect(const QRectF& rect) {
    const bool collapsed = ZVBoardLines::isCollapsedRow(cells(), expandState());
    assignedLabel_->setHidden(collapsed || assignedLabel_->text().isEmpty());
    createdLabel_->setHidden(collapsed);
    QRectF rest = rect.adjusted(kMargin, kMargin, -kMargin, -kMargin);
    const qreal firstLine = ZVTextStyles::lineHeightForStyle(kFirstLineStyle);
    for (const auto& avatar : assigneeAvatars_) {
        if (avatar->isHidden()) {
            continue;
        }
        QRectF strip = CGRectExtractRight(rest, avatar->frame().width());
        strip.setHeight(firstLine);
        avatar->setCenter(CGRectGetCenter(strip));
        CGRectExtractRight(rest, kAvatarGap);
    }
    if (!assignedLabel_->isHidden()) {
        assignedLabel_->setFrame(
            CGRectExtractBottom(rest, ZVTextStyles::lineHeightForStyle(kStatusStyle)));
    }
    if (!createdLabel_->isHidden()) {
        createdLabel_->setFrame(
            CGRectExtractBottom(rest, ZVTextStyles::lineHeightForStyle(kStatusStyle)));
    }
    if (collapsed) {
        // The row is one line high: its files do not show.
        layoutTextOnly(rest);
        return rest;
    }
    return ZVBaseMessageView::layoutWithRect(rest);
}

qreal ZVTaskMessageView::heightForMessage(const std::shared_ptr<Message>& message, qreal width,
                                          const ZVMessageViewCells& cells) {
    const auto model = message ? ZVRichMessageRepresentation::of(message) : nullptr;
    if (!model) {
        return 0;
    }
    const qsizetype assignees = assigneeIdsOf(message->assigneeIdsText()).size();
    qreal textWidth = width - 2 * kMargin;
    // Avatars stand beside the text on the boards only.
    if (cells.listStyle() && assignees > 0) {
        textWidth -= (ZVAvatarView::pointsForSize(kAvatarSize) + kAvatarGap) * qreal(assignees);
    }
    const qreal base = ZVBaseMessageView::heightForMessage(message, textWidth, cells);
    if (ZVBoardLines::isCollapsedRow(&cells, expandStateOf(*model))) {
        return ZVTextStyles::lineHeightForStyle(kFirstLineStyle) + 2 * kMargin;
    }
    const qreal statusLine = ZVTextStyles::lineHeightForStyle(kStatusStyle);
    return base + (assignees > 0 ? statusLine : 0) + statusLine + 2 * kMargin;
}
