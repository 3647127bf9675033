#include "MessageFlow/rows/accessories/ZVMessageResendControlsView.h"

#include "MessageFlow/rows/ZVConversationCells.h"
#include "MessageFlow/rows/cells/ZVMessageCell.h"
#include "platform/ui/controls/Button.h"
#include "platform/ui/controls/Label.h"
#include "platform/ui/text/AttributedText.h"
#include "toolkit/style/Geometry.h"
#include "toolkit/style/ViewLayout.h"
#include "toolkit/style/ZVColorTable.h"
#include "toolkit/style/ZVColors.h"
#include "toolkit/style/ZVTextStyles.h"
#include "toolkit/widgets/ZVBranding.h"
#include "toolkit/widgets/avatars/ZVAvatarView.h"

#include <QtGui/QPainter>

ZVMessageResendControlsView::ZVMessageResendControlsView(std::weak_ptr<ZVMessageCell> cell)
    : ZVMessageAccessoryView(std::move(cell), kHeight),
      label_(std::make_shared<platform::Label>()),
      resendButton_(ZVBranding::createPlainButtonWithTitle(kResendTitle)),
      deleteButton_(ZVBranding::createPlainButtonWithTitle(kDeleteTitle)),
      separator_(std::make_shared<platform::Label>()) {
    ZVTextStyles::styleLabel(*label_, kLabelStyle);
    label_->setText(kFailedText);
    label_->sizeToFit();
    const QColor buttonColor =
        platform::resolveColor(ZVColorTable::colorWithName(kButtonColorName));
    for (const auto& button : {resendButton_, deleteButton_}) {
        button->setTitleColor(buttonColor, platform::Button::Normal);
    }
    resendButton_->addTarget(platform::Control::TouchUpInside, [this](platform::Control&) {
        if (const auto holder = this->cell()) {
            holder->resendMessage();
        }
    });
    deleteButton_->addTarget(platform::Control::TouchUpInside, [this](platform::Control&) {
        if (const auto holder = this->cell()) {
            holder->deleteMessage();
        }
    });
    ZVTextStyles::styleLabel(*separator_, kSeparatorStyle);
    separator_->setText(kSeparatorText);
    separator_->setAlpha(kSeparatorAlpha);
    separator_->sizeToFit();
    addSubview(label_);
    addSubview(resendButton_);
    addSubview(separator_);
    addSubview(deleteButton_);
}

ZVMessageResendControlsView::~ZVMessageResendControlsView() = default;

void ZVMessageResendControlsView::layoutSubviews() {
    QRectF area = bounds();
    CGRectExtractTop(area, kArrowStrip);
    area.adjust(kSideInset, kVerticalInset, -kSideInset, -kVerticalInset);
    alignViews({label_, resendButton_, separator_, deleteButton_}, area, kRowFlags, label_);
}

std::optional<QRectF> ZVMessageResendControlsView::arrowRect() const {
    const auto holder = cell();
    const auto cells = holder ? holder->conversationCells() : nullptr;
    if (!cells || cells->avatarSize() == 0) {
        return std::nullopt;
    }
    const qreal x =
        cells->screenEdgeSpacing() + ZVAvatarView::pointsForSize(cells->avatarSize()) / 2;
    return QRectF(x - kArrowWidth / 2, 0, kArrowWidth, kArrowStrip);
}

void ZVMessageResendControlsView::drawRect(QPainter& painter, const QRectF& rect) {
    View::drawRect(painter, rect);
    QRectF area = bounds();
    CGRectExtractTop(area, kArrowStrip);
    const QColor orange = platform::resolveColor(ZVColors::orange());
    painter.fillRect(area, orange);
    if (const auto arrow = arrowRect()) {
        painter.fillPath(bezierPathWithArrowInRect(*arrow, true), orange);
    }
}
