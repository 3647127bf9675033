#include "app/inbox/sections/ZVSectionHeader.h"

#include "ZelvoKit/model/Label.h"
#include "app/inbox/sections/ZVInboxDataSource.h"
#include "app/inbox/sections/ZVInboxItem.h"
#include "platform/ui/controls/ImageView.h"
#include "platform/ui/controls/Label.h"
#include "platform/ui/resources/Images.h"
#include "platform/ui/text/AttributedText.h"
#include "platform/ui/view/Touch.h"
#include "toolkit/style/ColorUtils.h"
#include "toolkit/style/Geometry.h"
#include "toolkit/style/ViewLayout.h"
#include "toolkit/style/ZVTextStyles.h"
#include "toolkit/widgets/ZVUnreadBadge.h"

#include <numbers>

using namespace Qt::Literals::StringLiterals;

namespace {

QColor white(qreal level) {
    return QColor::fromRgbF(level, level, level);
}

}  // namespace

ZVSectionHeader::ZVSectionHeader(const std::shared_ptr<ZVInboxItem>& item)
    : platform::View(QRectF(0, 0, kWidth, kHeight)),
      item_(item),
      label_(platform::View::make<platform::Label>()),
      icon_(platform::View::make<platform::ImageView>(platform::Images::named(u"icon-toggle"_s))),
      badge_(platform::View::make<ZVUnreadBadge>()) {
    ZVTextStyles::styleLabel(*label_, kNameStyle);
    label_->setTextColor(platform::resolveColor(colorWithName(u"darkGray"_s)));
    icon_->sizeToFit();
    addSubview(label_);
    addSubview(icon_);
    addSubview(badge_);
    const auto label = item ? item->label() : nullptr;
    if (label && !label->teamId().isEmpty()) {
        teamIcon_ =
            platform::View::make<platform::ImageView>(platform::Images::named(u"icon-team"_s));
        teamIcon_->sizeToFit();
        addSubview(teamIcon_);
    }
    setBackgroundColor(white(kWhite));
    updateName();
}

ZVSectionHeader::~ZVSectionHeader() = default;

void ZVSectionHeader::updateName() {
    const auto item = this->item();
    const auto label = item ? item->label() : nullptr;
    label_->setText(label ? label->label().toUpper() : QString());
    label_->sizeToFit();
    setNeedsLayout();
}

void ZVSectionHeader::setUnreadCount(long count, bool gray, bool animated) {
    badge_->setGray(gray);
    badge_->setNumber(count, animated);
    setNeedsLayout();
}

long ZVSectionHeader::badgeNumber() const {
    return badge_->number();
}

void ZVSectionHeader::toggleExpand() {
    const auto item = this->item();
    if (!item) {
        return;
    }
    item->setCollapsed(!item->collapsed());
    // The label may have grown or been cut back while collapsed: its "SHOW MORE" row follows.
    item->updateShowFooter();
    item->updateBadge();
    if (item->collapsed()) {
        if (const auto label = item->label()) {
            label->resetState();
        }
    }
    layoutIfNeeded();
    setNeedsLayout();
    if (auto* owner = item->dataSource()) {
        owner->updateGroup(item);
    }
    setNeedsDisplay();
}

void ZVSectionHeader::setSeparator(bool separator) {
    separator_ = separator;
    setNeedsDisplay();
}

void ZVSectionHeader::setBackgroundColor(const QColor& color) {
    platform::View::setBackgroundColor(color);
    label_->setBackgroundColor(color);
}

void ZVSectionHeader::layoutSubviews() {
    QRectF content = bounds().adjusted(kInsetX, kInsetY, -kInsetX, -kInsetY);
    const auto item = this->item();
    const bool collapsed = item && item->collapsed();
    icon_->setTransform(QTransform());
    icon_->setCenter(CGRectGetCenter(CGRectExtractRight(content, icon_->bounds().width())));
    icon_->setTransform(collapsed ? QTransform().rotate(-90) : QTransform());
    if (!badge_->isHidden() && badge_->number() != 0) {
        CGRectExtractRight(content, kGap);
        badge_->setCenter(CGRectGetCenter(CGRectExtractRight(content, badge_->bounds().width())));
    }
    if (teamIcon_) {
        teamIcon_->setCenter(
            CGRectGetCenter(CGRectExtractLeft(content, teamIcon_->bounds().width())));
        CGRectExtractLeft(content, kGap);
    }
    label_->setFrame(content.translated(0, -1));
}

void ZVSectionHeader::drawRect(QPainter& painter, const QRectF&) {
    const auto item = this->item();
    const bool collapsed = item && item->collapsed();
    const bool bottom = !collapsed || (item && item->isLastInList());
    drawSeparator(painter, bounds(), true, bottom, true);
}

void ZVSectionHeader::touchesBegan(const platform::TouchSet&, const platform::TouchEvent&) {
    setBackgroundColor(white(kPressedWhite));
}

void ZVSectionHeader::touchesEnded(const platform::TouchSet& touches, const platform::TouchEvent&) {
    setBackgroundColor(white(kWhite));
    for (const auto& touch : touches) {
        if (bounds().contains(touch->locationInView(this))) {
            toggleExpand();
            return;
        }
    }
}

void ZVSectionHeader::touchesCancelled(const platform::TouchSet&, const platform::TouchEvent&) {
    setBackgroundColor(white(kWhite));
}
