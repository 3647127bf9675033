#include "accounts/people/ZVMyAvatarCell.h"

#include "ZelvoKit/model/Contact.h"
#include "accounts/pages/ZVCloudsView.h"
#include "platform/ui/controls/Button.h"
#include "platform/ui/controls/ImageView.h"
#include "platform/ui/controls/Label.h"
#include "platform/ui/gesture/TapGestureRecognizer.h"
#include "platform/ui/resources/Images.h"
#include "platform/ui/text/AttributedText.h"
#include "toolkit/style/ColorUtils.h"
#include "toolkit/style/Geometry.h"
#include "toolkit/style/ZVColors.h"
#include "toolkit/style/ZVTextStyles.h"
#include "toolkit/widgets/avatars/ZVAvatarView.h"

ZVMyAvatarCell::ZVMyAvatarCell(std::shared_ptr<Contact> contact)
    : ZVDialogCell(Style::Subtitle, QString()), contact_(std::move(contact)) {
    setIndents(false);
    setHeight(kRowHeight);
    setBackgroundColor(platform::resolveColor(ZVColors::background()));
    background_ = View::make<ZVCloudsView>();
    background_->setBackgroundColor(platform::resolveColor(ZVColors::logo()));
    insertSubviewBelow(background_, contentView().get());
    avatar_ = View::make<ZVAvatarView>();
    avatar_->setSize(kAvatarSize);
    avatar_->setContact(contact_);
    contentView()->addSubview(avatar_);
    ZVTextStyles::styleLabel(*textLabel(), kNameStyle);
    ZVTextStyles::styleLabel(*detailTextLabel(), kSecondLineStyle);
    textLabel()->setTextAlignment(platform::TextAlignment::Center);
    detailTextLabel()->setTextAlignment(platform::TextAlignment::Center);
    textLabel()->setBackgroundColor(Qt::transparent);
    detailTextLabel()->setBackgroundColor(Qt::transparent);
    refresh();
}

ZVMyAvatarCell::~ZVMyAvatarCell() = default;

void ZVMyAvatarCell::refresh() {
    const QColor color = platform::resolveColor(colorFromGUID(contact_->accountId()));
    background_->setBackgroundColor(color);
    contentView()->setBackgroundColor(color);
    updateTexts();
}

void ZVMyAvatarCell::updateTexts() {
    textLabel()->setText(contact_->displayName());
    detailTextLabel()->setText(contact_->isLocalContact() ? contact_->friendlyEmail()
                                                          : contact_->lastSeenText());
    detailTextLabel()->setHidden(!contact_->isZelvoContact());
    setNeedsLayout();
}

void ZVMyAvatarCell::setCanChange(bool canChange) {
    if (canChange == this->canChange()) {
        return;
    }
    avatar_->setCanChange(canChange);
    if (canChange) {
        tap_ = std::make_shared<platform::TapGestureRecognizer>();
        tap_->addTarget([this](platform::GestureRecognizer&) {
            if (onAvatarTap_) {
                onAvatarTap_(*this);
            }
        });
        avatar_->addGestureRecognizer(tap_);
    } else {
        avatar_->removeGestureRecognizer(tap_.get());
        tap_.reset();
    }
}

std::shared_ptr<platform::Button> ZVMyAvatarCell::addBackButton() {
    auto button = platform::Button::make(platform::Button::Type::Custom);
    button->setImage(platform::Images::named(kBackImage), 0);
    button->imageView()->setRenderingMode(platform::ImageRenderingMode::AlwaysTemplate);
    button->setTintColor(Qt::white);
    button->sizeToFit();
    const QRectF fitted = button->frame();
    button->setFrame(fitted.adjusted(-kBackButtonGrowth, -kBackButtonGrowth, kBackButtonGrowth,
                                     kBackButtonGrowth));
    button->setCenter(kBackButtonCenter);
    background_->addSubview(button);
    return button;
}

void ZVMyAvatarCell::layoutSubviews() {
    ZVDialogCell::layoutSubviews();
    background_->setFrame(bounds());
    contentView()->setFrame(bounds());
    QRectF rect = contentView()->bounds().adjusted(kMargin, 0, -kMargin, 0);
    CGRectExtractTop(rect, kTop);
    const QRectF strip = CGRectExtractTop(rect, avatar_->frame().height());
    avatar_->setCenter(CGRectGetCenter(strip));
    CGRectExtractTop(rect, kAvatarGap);
    const auto& name = textLabel();
    name->sizeToFit();
    name->setFrame(CGRectExtractTop(rect, name->frame().height()));
    CGRectExtractTop(rect, kNameGap);
    const auto& second = detailTextLabel();
    second->sizeToFit();
    second->setFrame(CGRectExtractTop(rect, second->frame().height()));
}
