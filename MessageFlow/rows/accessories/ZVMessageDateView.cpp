#include "MessageFlow/rows/accessories/ZVMessageDateView.h"

#include "ZelvoKit/support/text/ZVLocalization.h"
#include "platform/ui/controls/Label.h"
#include "platform/ui/text/AttributedText.h"
#include "toolkit/style/Geometry.h"
#include "toolkit/style/ZVColors.h"
#include "toolkit/style/ZVTextStyles.h"

ZVMessageDateView::ZVMessageDateView(std::weak_ptr<ZVMessageCell> cell)
    : ZVMessageAccessoryView(std::move(cell), kHeight),
      text_(std::make_shared<platform::Label>()),
      separator_(std::make_shared<platform::View>()) {
    ZVTextStyles::styleLabel(*text_, kTextStyle);
    text_->setTextAlignment(platform::TextAlignment::Center);
    text_->setTextColor(platform::resolveColor(ZVColors::text()));
    separator_->setBackgroundColor(platform::resolveColor(ZVColors::border()));
    addSubview(separator_);
    addSubview(text_);
}

ZVMessageDateView::~ZVMessageDateView() = default;

void ZVMessageDateView::setDate(const QDateTime& date) {
    date_ = date;
    text_->setText(ZVLocalization::formatDate(date));
    text_->sizeToFit();
    const QRectF fitted = text_->frame();
    text_->setFrame(fitted.adjusted(-kLabelPadding, 0, kLabelPadding, 0));
    setNeedsLayout();
}

void ZVMessageDateView::setBackgroundColor(const QColor& color) {
    View::setBackgroundColor(color);
    text_->setBackgroundColor(color);
}

void ZVMessageDateView::layoutSubviews() {
    const QRectF area = bounds();
    text_->setCenter(CGRectGetCenter(area));
    separator_->setFrame(QRectF(kLineInset, area.height() / 2, area.width() - 2 * kLineInset, 1));
}
