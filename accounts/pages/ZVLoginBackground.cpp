#include "accounts/pages/ZVLoginBackground.h"

#include "accounts/pages/ZVCloudsView.h"
#include "platform/ui/controls/Button.h"
#include "platform/ui/resources/Images.h"

using namespace Qt::StringLiterals;

ZVLoginBackground::ZVLoginBackground() {
    setImage(platform::Images::named(u"ic-onboarding-bg"_s));
    setContentMode(platform::ContentMode::ScaleAspectFill);
    setClipsToBounds(true);
}

ZVLoginBackground::~ZVLoginBackground() = default;

void ZVLoginBackground::setShowClouds(bool show) {
    if (show == showClouds()) {
        return;
    }
    if (!show) {
        clouds_->removeFromSuperview();
        clouds_.reset();
        return;
    }
    clouds_ = std::make_shared<ZVCloudsView>();
    clouds_->setFrame(bounds());
    insertSubview(clouds_, 0);
}

void ZVLoginBackground::setBackVisible(bool visible) {
    if (visible == backVisible()) {
        return;
    }
    if (!visible) {
        backButton_->removeFromSuperview();
        backButton_.reset();
        return;
    }
    backButton_ = platform::Button::make(platform::Button::Type::Custom);
    backButton_->setImage(
        platform::Images::tinted(platform::Images::named(u"icon-arrow-back"_s), Qt::white),
        platform::Button::Normal);
    backButton_->sizeToFit();
    const QRectF fitted = backButton_->frame();
    backButton_->setFrame(fitted.adjusted(-kBackGrow, -kBackGrow, kBackGrow, kBackGrow));
    backButton_->setCenter(kBackCenter);
    const std::weak_ptr<platform::View> weak = weak_from_this();
    backButton_->addTarget(platform::Control::TouchUpInside, [weak](auto&) {
        const auto self = std::static_pointer_cast<ZVLoginBackground>(weak.lock());
        if (self && self->backAction_) {
            const auto action = self->backAction_;
            action();
        }
    });
    addSubview(backButton_);
}

void ZVLoginBackground::layoutSubviews() {
    ImageView::layoutSubviews();
    if (clouds_) {
        clouds_->setFrame(bounds());
    }
}

void ZVLoginBackground::touchesBegan(const platform::TouchSet& touches,
                                     const platform::TouchEvent& event) {
    endEditing(true);
    ImageView::touchesBegan(touches, event);
}
