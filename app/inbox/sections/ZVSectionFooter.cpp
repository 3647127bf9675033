#include "app/inbox/sections/ZVSectionFooter.h"

#include "ZelvoKit/model/Label.h"
#include "app/inbox/sections/ZVInboxItem.h"
#include "platform/foundation/Format.h"
#include "platform/ui/controls/ActivityIndicator.h"
#include "platform/ui/controls/Button.h"
#include "platform/ui/text/AttributedText.h"
#include "toolkit/style/ColorUtils.h"
#include "toolkit/widgets/ZVBranding.h"

using namespace Qt::Literals::StringLiterals;

ZVSectionFooter::ZVSectionFooter(const std::shared_ptr<ZVInboxItem>& item)
    : platform::TableViewCell(Style::Default),
      item_(item),
      button_(ZVBranding::createPlainButtonWithTitle(kTitle)),
      separatorLine_(platform::View::make<platform::View>()) {
    setFrame(QRectF(0, 0, kWidth, kHeight));
    button_->addTarget(platform::Control::TouchUpInside,
                       [this](platform::Control&) { showMore(); });
    separatorLine_->setBackgroundColor(platform::resolveColor(colorWithName(u"lightborder"_s)));
    contentView()->addSubview(button_);
    contentView()->addSubview(separatorLine_);
    setBackgroundColor(Qt::white);
}

ZVSectionFooter::~ZVSectionFooter() = default;

void ZVSectionFooter::setUnreadCount(std::int64_t count) {
    unreadCount_ = count;
    button_->setTitle(count >= 1 ? platform::format(u"%@ (%ld)", kTitle, count) : kTitle, 0);
    button_->sizeToFit();
    setNeedsLayout();
}

void ZVSectionFooter::setLoading(bool loading) {
    if (loading == this->loading()) {
        return;
    }
    if (loading) {
        activityIndicator_ = platform::View::make<platform::ActivityIndicator>(
            platform::ActivityIndicator::Style::Gray);
        contentView()->addSubview(activityIndicator_);
        activityIndicator_->startAnimating();
    } else {
        activityIndicator_->removeFromSuperview();
        activityIndicator_.reset();
    }
    setNeedsLayout();
}

void ZVSectionFooter::showMore() {
    const auto item = this->item();
    if (const auto label = item ? item->label() : nullptr) {
        label->loadMore();
    }
}

void ZVSectionFooter::setBackgroundColor(const QColor& color) {
    platform::View::setBackgroundColor(color);
    button_->setBackgroundColor(color);
}

void ZVSectionFooter::layoutSubviews() {
    platform::TableViewCell::layoutSubviews();
    const QRectF b = contentView()->bounds();
    button_->setCenter(b.center());
    if (activityIndicator_) {
        const QRectF button = button_->frame();
        activityIndicator_->setCenter(
            QPointF(button.left() - kIndicatorGap - activityIndicator_->bounds().width() / 2,
                    button.center().y()));
    }
    separatorLine_->setFrame(QRectF(0, b.height() - 1, b.width(), 1));
}
