#include "MessageFlow/rows/cells/ZVMessageCell.h"

#include "MessageFlow/pages/ZVConversationPageScreen.h"
#include "MessageFlow/pages/ZVConversationPageSet.h"
#include "MessageFlow/rows/ZVConversationCells.h"
#include "MessageFlow/views/ZVBaseMessageView.h"
#include "MessageFlow/views/board/ZVSeparatorMessageView.h"
#include "ZelvoKit/model/Conversation.h"
#include "ZelvoKit/model/Message.h"
#include "ZelvoKit/model/ZVRepositorySession.h"
#include "ZelvoKit/support/text/ZVLocalization.h"
#include "files/views/ZVFileView.h"
#include "platform/ui/controllers/ViewController.h"
#include "platform/ui/controls/ActivityIndicator.h"
#include "platform/ui/controls/ImageView.h"
#include "platform/ui/controls/Label.h"
#include "platform/ui/resources/Images.h"
#include "platform/ui/text/AttributedText.h"
#include "toolkit/style/Geometry.h"
#include "toolkit/style/ZVColors.h"
#include "toolkit/style/ZVTextStyles.h"
#include "toolkit/widgets/avatars/ZVAvatarView.h"

#include <algorithm>

ZVMessageCell::ZVMessageCell(std::weak_ptr<ZVConversationCells> cells, ZVMessageViewClass viewClass,
                             QString reuseIdentifier)
    : ZVTableViewCell(Style::Default, std::move(reuseIdentifier)),
      cells_(std::move(cells)),
      viewClass_(viewClass),
      editIcon_(std::make_shared<platform::ImageView>(platform::Images::named(kEditIconName))) {
    setSelectionStyle(SelectionStyle::None);
    textLabel()->setHidden(true);
    ZVTableViewCell::setBackgroundColor(platform::resolveColor(ZVColors::background()));
    editIcon_->sizeToFit();
    editIcon_->setHidden(true);
    isTaskOrPin_ = viewClass == ZVMessageViewClass::Pinned ||
                   viewClass == ZVMessageViewClass::Task ||
                   viewClass == ZVMessageViewClass::Separator;
}

ZVMessageCell::~ZVMessageCell() = default;

void ZVMessageCell::setUp() {
    messageView_ = ZVMakeMessageView(viewClass_, weakCell());
    const auto model = conversationCells();
    messageView_->setShowFilePreviews(model && model->showFilePreviews());
    contentView()->addSubview(messageView_);
    contentView()->addSubview(editIcon_);
}

std::weak_ptr<ZVMessageCell> ZVMessageCell::weakCell() {
    return std::static_pointer_cast<ZVMessageCell>(shared_from_this());
}

// --- measures ---

qreal ZVMessageCell::contentWidth(const ZVConversationCells& cells, int messageType) {
    qreal width = cells.width() - 2 * cells.screenEdgeSpacing();
    if (cells.avatarSizeForMessageType(messageType) != 0) {
        width -= ZVAvatarView::pointsForSize(cells.avatarSize()) + cells.avatarSpacing();
    }
    return width;
}

qreal ZVMessageCell::heightWithMessage(const std::shared_ptr<Message>& message,
                                       const ZVConversationCells& cells, bool groupedWithNext,
                                       bool /*groupedWithPrevious*/) {
    if (message->isHidden() || (message->isOfType(Message::TypeSeparator) && !cells.listStyle())) {
        return 0;
    }
    return kTopMargin + (groupedWithNext ? kGroupedBottomMargin : kBottomMargin);
}

// --- configuration ---

void ZVMessageCell::setGroupedWithNext(bool grouped) {
    groupedWithNext_ = grouped;
    setNeedsLayout();
}

void ZVMessageCell::setGroupedWithPrevious(bool grouped) {
    groupedWithPrevious_ = grouped;
    setNeedsLayout();
}

void ZVMessageCell::setMessage(const std::shared_ptr<Message>& message) {
    setBackgroundColor(platform::resolveColor(ZVColors::background()));
    const auto shownModel = message ? ZVRichMessageRepresentation::of(message) : nullptr;
    messageView_->setExpandState(shownModel ? ZVMessageView::expandStateOf(*shownModel)
                                            : ZVMessageView::kNotExpandable);
    messageView_->setMessage(message);
    if (message) {
        updateSpinner(*message);
    }
    updateEditIcon();
    setShowTime(false);
    setNeedsLayout();
}

void ZVMessageCell::updateSpinner(const Message& message) {
    if (!message.isSending()) {
        if (activityIndicator_) {
            activityIndicator_->removeFromSuperview();
            activityIndicator_.reset();
        }
        return;
    }
    if (!activityIndicator_) {
        activityIndicator_ =
            std::make_shared<platform::ActivityIndicator>(platform::ActivityIndicator::Style::Gray);
        activityIndicator_->setTransform(QTransform::fromScale(kSpinnerScale, kSpinnerScale));
        contentView()->addSubview(activityIndicator_);
        setNeedsLayout();
    }
    activityIndicator_->startAnimating();
}

bool ZVMessageCell::canShowEditIcon() const {
    return !activityIndicator_ && !isTaskOrPin_ && viewClass_ != ZVMessageViewClass::Plain;
}

void ZVMessageCell::updateEditIcon() {
    const auto shown = message();
    editIcon_->setHidden(!shown || !shown->isEdited() || !canShowEditIcon());
}

void ZVMessageCell::setShowTime(bool show) {
    if (!show) {
        hideTimeTimer_.cancel();
        if (timeLabel_) {
            timeLabel_->removeFromSuperview();
            timeLabel_.reset();
            // The plain rule, also in avatar rows: a grouped row's mark comes back after its time.
            ZVMessageCell::updateEditIcon();
        }
        return;
    }
    const auto shown = message();
    const auto model = conversationCells();
    if (!shown || !model) {
        return;
    }
    if (!timeLabel_) {
        timeLabel_ = std::make_shared<platform::Label>();
        ZVTextStyles::styleLabel(*timeLabel_,
                                 model->avatarSize() == 2 ? kLargeTimeStyle : kSmallTimeStyle);
        timeLabel_->setText(ZVLocalization::formatTime(shown->postedTime()));
        timeLabel_->sizeToFit();
        contentView()->addSubview(timeLabel_);
    }
    editIcon_->setHidden(true);
    setNeedsLayout();
}

// --- reading ---

std::shared_ptr<Message> ZVMessageCell::message() const {
    return messageView_ ? messageView_->message() : nullptr;
}

std::shared_ptr<ZVRichMessageRepresentation> ZVMessageCell::model() const {
    const auto shown = message();
    return shown ? ZVRichMessageRepresentation::of(shown) : nullptr;
}

std::shared_ptr<ZVFileView> ZVMessageCell::highlightedFile() const {
    return messageView_ ? messageView_->highlightedFile() : nullptr;
}

std::int64_t ZVMessageCell::messageNumber() const {
    const auto shown = message();
    return shown ? shown->messageNr() : 0;
}

qreal ZVMessageCell::contentOffset() const {
    return contentView()->frame().y() + messageView_->frame().y();
}

const ZVMessageViewCells* ZVMessageCell::cells() const {
    return cells_.lock().get();
}

void ZVMessageCell::toggleExpand() {
    if (const auto shownModel = model()) {
        shownModel->setExpanded(!shownModel->expanded());
        // The view shows its button's new title at once; the row grows with the height notice.
        setMessage(message());
        notifyCellHeightChangeAnimated(false);
    }
}

void ZVMessageCell::notifyCellHeightChangeAnimated(bool animated) {
    ZVTableViewCell::notifyCellHeightChangeAnimated(animated);
}

// --- actions ---

void ZVMessageCell::resendMessage() {
    if (const auto shown = message()) {
        shown->resend();
    }
}

void ZVMessageCell::deleteMessage() {
    if (const auto shown = message()) {
        shown->cancel();
    }
}

void ZVMessageCell::loadMoreMessagesAbove(bool top) {
    const auto shown = message();
    const auto session =
        shown ? std::dynamic_pointer_cast<ZVRepositorySession>(shown->session()) : nullptr;
    if (!session) {
        return;
    }
    if (const auto conversation = session->conversationFromId(shown->conversationId())) {
        conversation->fillGapFromMessageNr(shown->messageNr(), top);
    }
}

void ZVMessageCell::beginSelection() {
    const auto shown = message();
    const auto shownModel = model();
    if (shown && shownModel && messageView_->expandState() == ZVMessageView::kCollapsed) {
        shownModel->setExpanded(true);
        setMessage(shown);
        notifyCellHeightChangeAnimated(false);
        // Selection waits for the taller row. The table reloads for it, so the message may show
        // in another cell by then; a message no longer shown is not selected.
        std::weak_ptr<ZVMessageCell> weak = weakCell();
        std::weak_ptr<Message> expected = shown;
        selectionRetry_ = platform::Scheduler::main().after(kSelectionRetryDelay, [weak, expected] {
            const auto cell = weak.lock();
            const auto wanted = expected.lock();
            if (!cell || !wanted) {
                return;
            }
            if (cell->message() == wanted) {
                cell->beginSelection();
            } else if (const auto model = cell->conversationCells()) {
                if (const auto other = model->cellByMessageNr(wanted->messageNr());
                    other && other->message() == wanted) {
                    other->beginSelection();
                }
            }
        });
        return;
    }
    ZVTableViewCell::beginSelection();
}

platform::AttributedString ZVMessageCell::getText() {
    const auto shownModel = model();
    return shownModel ? shownModel->attributedText() : platform::AttributedString();
}

void ZVMessageCell::quoteText(const QString& /*text*/) {
    const auto shown = message();
    ZVConversationPageSet* pages = ZVConversationPageSet::conversationPages();
    if (!shown || !pages) {
        return;
    }
    if (auto page = std::dynamic_pointer_cast<ZVConversationPageScreen>(pages->showingPage())) {
        page->quoteMessage(shown);
    }
}

// --- look ---

void ZVMessageCell::setBackgroundColor(const QColor& color) {
    ZVTableViewCell::setBackgroundColor(color);
    // The views that draw on their own colour (pins, separators) have their own setter.
    if (auto* textView = dynamic_cast<ZVBaseMessageView*>(messageView_.get())) {
        textView->setBackgroundColor(color);
    } else if (auto* separator = dynamic_cast<ZVSeparatorMessageView*>(messageView_.get())) {
        separator->setBackgroundColor(color);
    } else if (messageView_) {
        messageView_->setBackgroundColor(color);
    }
}

void ZVMessageCell::setHighlighted(bool highlighted, bool animated) {
    ZVTableViewCell::setHighlighted(highlighted, animated);
    const auto model = conversationCells();
    if (!model || model->avatarSize() == 0 || !highlighted || !groupedWithPrevious_) {
        return;
    }
    setShowTime(true);
    std::weak_ptr<ZVMessageCell> weak = weakCell();
    std::weak_ptr<Message> expected = message();
    hideTimeTimer_ = platform::Scheduler::main().after(kTimeShownFor, [weak, expected] {
        const auto cell = weak.lock();
        const auto wanted = expected.lock();
        if (cell && wanted && cell->message() == wanted) {
            cell->setShowTime(false);
        }
    });
}

QPainterPath ZVMessageCell::highlightShape() const {
    if (const auto file = highlightedFile()) {
        constexpr qreal kFileCornerRadius = 4;
        const QRectF frame = file->frame().translated(messageView_->frame().topLeft() +
                                                      contentView()->frame().topLeft());
        QPainterPath path;
        path.addRoundedRect(frame, kFileCornerRadius, kFileCornerRadius);
        return path;
    }
    return ZVTableViewCell::highlightShape();
}

void ZVMessageCell::prepareForReuse() {
    ZVTableViewCell::prepareForReuse();
    messageView_->setMessage(nullptr);
    const auto model = conversationCells();
    messageView_->setShowFilePreviews(model && model->showFilePreviews());
    setHighlightColor(QColor());
    setShowTime(false);
}

void ZVMessageCell::layoutSubviews() {
    ZVTableViewCell::layoutSubviews();
    QRectF rect = contentView()->bounds();
    rect.setHeight(frame().height());
    rect = layoutAccessories(rect);
    const auto model = conversationCells();
    const qreal edge = model ? model->screenEdgeSpacing() : 0;
    rect.adjust(edge, kTopMargin, -edge,
                -(groupedWithNext_ ? kGroupedBottomMargin : kBottomMargin));
    const auto shown = message();
    if (model && shown && model->avatarSizeForMessageType(shown->messageType().value_or(0)) != 0) {
        CGRectExtractLeft(
            rect, ZVAvatarView::pointsForSize(model->avatarSize()) + model->avatarSpacing());
    }
    rect.setHeight(std::max<qreal>(0, rect.height()));
    const QSizeF iconSize = editIcon_->frame().size();
    editIcon_->setFrame(
        QRectF(QPointF(rect.right() - kEditIconGap - iconSize.width(), rect.top() + kEditIconTop),
               iconSize));
    if (timeLabel_) {
        const QSizeF timeSize = timeLabel_->frame().size();
        timeLabel_->setFrame(
            QRectF(QPointF(rect.right() - kTimeGap - timeSize.width(), rect.top()), timeSize));
    }
    layoutWithRect(rect);
    if (activityIndicator_) {
        activityIndicator_->setCenter(editIcon_->frame().center());
    }
}

QRectF ZVMessageCell::layoutWithRect(const QRectF& rect) {
    messageView_->setFrame(rect);
    textLabel()->setFrame(rect);
    return rect;
}
