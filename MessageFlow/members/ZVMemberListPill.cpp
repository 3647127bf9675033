#include "MessageFlow/members/ZVMemberListPill.h"

#include "MessageFlow/members/ZVMemberListView.h"
#include "ZelvoKit/model/Team.h"
#include "ZelvoKit/model/ZVMember.h"
#include "platform/ui/controls/Button.h"
#include "platform/ui/controls/ImageView.h"
#include "platform/ui/controls/Label.h"
#include "platform/ui/resources/Images.h"
#include "platform/ui/text/AttributedText.h"
#include "toolkit/style/Geometry.h"
#include "toolkit/style/ZVColors.h"
#include "toolkit/style/ZVTextStyles.h"

namespace {

QColor pillLogoColor() {
    return platform::resolveColor(ZVColors::logo());
}

}  // namespace

ZVMemberListPill::ZVMemberListPill(const QString& name, bool isNew, bool removeButton)
    : isNew_(isNew) {
    label_ = View::make<platform::Label>();
    ZVTextStyles::styleLabel(*label_, kLabelStyle);
    label_->setTextColor(isNew ? pillLogoColor() : QColor(Qt::white));
    addSubview(label_);
    if (removeButton) {
        removeButton_ = platform::Button::make(platform::Button::Type::Custom);
        QImage close = platform::Images::named(kCloseImage);
        removeButton_->setImage(close, 0);
        removeButton_->imageView()->setRenderingMode(platform::ImageRenderingMode::AlwaysTemplate);
        removeButton_->setTintColor(pillLogoColor());
        removeButton_->sizeToFit();
        removeButton_->addTarget(platform::Control::TouchUpInside,
                                 [this](platform::Control&) { removeClicked(); });
        addSubview(removeButton_);
    }
    setName(name);
    layer().setCornerRadius(kCornerRadius);
    const QColor fill =
        isNew ? platform::resolveColor(ZVColors::background()) : QColor(Qt::darkGray);
    setBackgroundColor(fill);
    label_->setBackgroundColor(fill);
    if (isNew) {
        layer().setBorderWidth(kBorderWidth);
        layer().setBorderColor(platform::resolveColor(ZVColors::border()));
    }
}

ZVMemberListPill::ZVMemberListPill(const std::shared_ptr<ZVMember>& member)
    : ZVMemberListPill(member->displayName(), member->isAdded() && !member->isLocalContact(),
                       member->isAdded() && !member->isLocalContact()) {
    member_ = member;
}

ZVMemberListPill::ZVMemberListPill(const std::shared_ptr<Team>& team, bool isNew)
    : ZVMemberListPill(team->teamName(), isNew, isNew) {
    team_ = team;
    addTeamIndicator();
}

void ZVMemberListPill::addTeamIndicator() {
    teamIndicator_ = View::make<platform::ImageView>(platform::Images::named(kTeamImage));
    teamIndicator_->setRenderingMode(platform::ImageRenderingMode::AlwaysTemplate);
    teamIndicator_->setTintColor(isNew_ ? pillLogoColor() : QColor(Qt::white));
    teamIndicator_->sizeToFit();
    addSubview(teamIndicator_);
    setFrame(QRectF(frame().topLeft(), QSizeF(width(), kHeight)));
}

void ZVMemberListPill::setName(const QString& name) {
    label_->setText(name);
    label_->sizeToFit();
    labelWidth_ = label_->frame().width() + kLabelExtra;
    setFrame(QRectF(frame().topLeft(), QSizeF(width(), kHeight)));
    setNeedsLayout();
}

QString ZVMemberListPill::name() const {
    return label_->text();
}

qreal ZVMemberListPill::width() const {
    qreal width = labelWidth_;
    if (removeButton_) {
        width += removeButton_->frame().width() + kPadding;
    }
    if (teamIndicator_) {
        width += teamIndicator_->frame().width() + kPadding;
    }
    return width;
}

void ZVMemberListPill::layoutSubviews() {
    QRectF rect = bounds();
    if (teamIndicator_) {
        CGRectExtractLeft(rect, kPadding);
        const QRectF strip = CGRectExtractLeft(rect, teamIndicator_->frame().width());
        teamIndicator_->setCenter(CGRectGetCenter(strip));
    }
    if (removeButton_) {
        CGRectExtractRight(rect, kPadding);
        const QRectF strip = CGRectExtractRight(rect, removeButton_->frame().width());
        removeButton_->setCenter(CGRectGetCenter(strip));
    }
    rect.adjust(kPadding, 0, -kPadding, 0);
    const qreal height = label_->frame().height();
    label_->setFrame(QRectF(rect.left(), rect.center().y() - height / 2,
                            std::max<qreal>(0, rect.width()), height));
}

void ZVMemberListPill::touchesBegan(const platform::TouchSet&, const platform::TouchEvent&) {}

void ZVMemberListPill::touchesEnded(const platform::TouchSet&, const platform::TouchEvent&) {
    if (auto* list = dynamic_cast<ZVMemberListView*>(superview())) {
        list->pillTouched(*this);
    }
}

void ZVMemberListPill::removeClicked() {
    timers_.after(kRemoveDelay, [this] {
        auto* list = dynamic_cast<ZVMemberListView*>(superview());
        if (!list) {
            return;
        }
        if (const auto member = member_.lock()) {
            list->removeButtonClicked(member);
        } else if (const auto team = team_.lock()) {
            list->removeButtonClicked(team);
        }
    });
}
