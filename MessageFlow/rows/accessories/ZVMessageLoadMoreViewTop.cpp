#include "MessageFlow/rows/accessories/ZVMessageLoadMoreViewTop.h"

#include "ZelvoKit/support/text/ZVLocalization.h"
#include "platform/foundation/Format.h"
#include "platform/ui/controls/Button.h"
#include "platform/ui/controls/Label.h"
#include "platform/ui/text/AttributedText.h"
#include "toolkit/style/ZVColorTable.h"
#include "toolkit/style/ZVTextStyles.h"

ZVMessageLoadMoreViewTop::ZVMessageLoadMoreViewTop(std::weak_ptr<ZVMessageCell> cell)
    : ZVMessageLoadMoreViewBottom(std::move(cell), kHeight),
      label_(std::make_shared<platform::Label>()) {
    ZVTextStyles::styleLabel(*label_, kTextStyle);
    label_->setText(kUnknownIntervalText);
    label_->setBackgroundColor(platform::resolveColor(ZVColorTable::colorWithName(kBandColorName)));
    label_->setTextAlignment(platform::TextAlignment::Center);
    addSubview(label_);
}

ZVMessageLoadMoreViewTop::~ZVMessageLoadMoreViewTop() = default;

void ZVMessageLoadMoreViewTop::setInterval(double interval) {
    interval_ = interval;
    label_->setText(platform::format(kIntervalFormat,
                                     ZVLocalization::formatTimeInterval(interval, true, false)));
}

void ZVMessageLoadMoreViewTop::layoutSubviews() {
    ZVMessageLoadMoreViewBottom::layoutSubviews();
    const QRectF area = bounds();
    const qreal above = area.height() - button()->frame().height();
    label_->setFrame(
        QRectF(area.left(), area.top() + (above - kLabelHeight) / 2, area.width(), kLabelHeight));
}
