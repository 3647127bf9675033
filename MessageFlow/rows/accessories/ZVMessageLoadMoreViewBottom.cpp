#include "MessageFlow/rows/accessories/ZVMessageLoadMoreViewBottom.h"

#include "MessageFlow/rows/cells/ZVMessageCell.h"
#include "platform/ui/controls/Button.h"
#include "platform/ui/text/AttributedText.h"
#include "toolkit/style/ViewLayout.h"
#include "toolkit/style/ZVColorTable.h"
#include "toolkit/style/ZVColors.h"
#include "toolkit/widgets/ZVBranding.h"

#include <QtGui/QPainter>

ZVMessageLoadMoreViewBottom::ZVMessageLoadMoreViewBottom(std::weak_ptr<ZVMessageCell> cell,
                                                         qreal height)
    : ZVMessageAccessoryView(std::move(cell), height),
      button_(ZVBranding::createBadgeButtonWithTitle(kButtonTitle)) {
    View::setBackgroundColor(platform::resolveColor(ZVColors::background()));
    button_->addTarget(platform::Control::TouchUpInside,
                       [this](platform::Control&) { buttonTapped(); });
    addSubview(button_);
}

ZVMessageLoadMoreViewBottom::~ZVMessageLoadMoreViewBottom() = default;

void ZVMessageLoadMoreViewBottom::buttonTapped() {
    if (const auto holder = cell()) {
        holder->loadMoreMessagesAbove(isTop());
    }
}

void ZVMessageLoadMoreViewBottom::layoutSubviews() {
    const QRectF area = bounds();
    const QSizeF size = button_->frame().size();
    button_->setFrame(QRectF(area.center().x() - size.width() / 2,
                             area.bottom() - buttonLift() - size.height(), size.width(),
                             size.height()));
}

void ZVMessageLoadMoreViewBottom::drawRect(QPainter& painter, const QRectF& rect) {
    View::drawRect(painter, rect);
    const QRectF area = bounds();
    const QRectF buttonFrame = button_->frame();
    const qreal middle = buttonFrame.center().y();
    const QColor band = platform::resolveColor(ZVColorTable::colorWithName(kBandColorName));
    // The band covers the gap's side of the rule.
    if (isTop()) {
        painter.fillRect(QRectF(area.left(), area.top(), area.width(), middle - area.top()), band);
    } else {
        painter.fillRect(QRectF(area.left(), middle, area.width(), area.bottom() - middle), band);
    }
    const qreal arrowX = buttonFrame.center().x() - kArrowWidth / 2;
    const QRectF arrow =
        isTop() ? QRectF(arrowX, buttonFrame.bottom(), kArrowWidth, kArrowHeight)
                : QRectF(arrowX, buttonFrame.top() - kArrowHeight, kArrowWidth, kArrowHeight);
    painter.fillPath(bezierPathWithArrowInRect(arrow, !isTop()),
                     platform::resolveColor(ZVColors::logo()));
    drawHorizontalLine(painter, middle, area.left(), area.right());
}
