#include "accounts/pages/ZVBorderedTextField.h"

#include "ZelvoKit/ZelvoApi/api/ZVApi.h"
#include "ZelvoKit/support/log/ZVErrorLog.h"
#include "accounts/pages/ZVContainerView.h"
#include "accounts/passwordmanager/PasswordManagerExtension.h"
#include "platform/foundation/SystemLog.h"
#include "platform/ui/controllers/ViewController.h"
#include "platform/ui/controls/Button.h"
#include "platform/ui/controls/Label.h"
#include "platform/ui/controls/TextField.h"
#include "platform/ui/resources/Images.h"
#include "platform/ui/text/AttributedText.h"
#include "toolkit/style/Geometry.h"
#include "toolkit/style/ZVColors.h"
#include "toolkit/style/ZVTextStyles.h"

using namespace Qt::StringLiterals;

ZVBorderedTextField::ZVBorderedTextField()
    : View(QRectF(0, 0, kWidth, kHeight)), textField_(std::make_shared<platform::TextField>()) {
    textField_->setFont(ZVTextStyles::fontForStyle(kTextStyle));
    textField_->setTextColor(platform::resolveColor(ZVTextStyles::colorForStyle(kTextStyle)));
    textField_->setBackgroundColor(Qt::white);
    View::setBackgroundColor(Qt::white);
    layer().setBorderWidth(1);
    layer().setBorderColor(platform::resolveColor(ZVColors::border()));
    layer().setCornerRadius(kCornerRadius);
    addSubview(textField_);
}

ZVBorderedTextField::~ZVBorderedTextField() = default;

namespace {

// Makes, updates or removes one of the field's labels.
void setLabelText(platform::View& owner, std::shared_ptr<platform::Label>& label,
                  const QString& text, int style) {
    if (text.isNull()) {
        if (label) {
            label->removeFromSuperview();
            label.reset();
        }
        return;
    }
    if (!label) {
        label = std::make_shared<platform::Label>();
        ZVTextStyles::styleLabel(*label, style);
        owner.addSubview(label);
    }
    label->setText(text);
    label->sizeToFit();
    owner.setNeedsLayout();
}

}  // namespace

QString ZVBorderedTextField::infoText() const {
    return infoLabel_ ? infoLabel_->text() : QString();
}

void ZVBorderedTextField::setInfoText(const QString& text) {
    setLabelText(*this, infoLabel_, text, kInfoStyle);
}

QString ZVBorderedTextField::hintText() const {
    return hintLabel_ ? hintLabel_->text() : QString();
}

void ZVBorderedTextField::setHintText(const QString& text) {
    setLabelText(*this, hintLabel_, text, kHintStyle);
    QRectF frame = this->frame();
    frame.setHeight(kHeight + (hintLabel_ ? hintLabel_->frame().height() : 0));
    setFrame(frame);
}

void ZVBorderedTextField::setUsernameField(const std::shared_ptr<ZVBorderedTextField>& field) {
    usernameField_ = field;
    if (passwordManagerButton_ ||
        !PasswordManagerExtension::sharedExtension().isAppExtensionAvailable()) {
        return;
    }
    passwordManagerButton_ = platform::Button::make(platform::Button::Type::Custom);
    passwordManagerButton_->setImage(platform::Images::named(u"password-manager-button"_s),
                                     platform::Button::Normal);
    passwordManagerButton_->sizeToFit();
    passwordManagerButton_->setAlpha(kPasswordManagerAlpha);
    const std::weak_ptr<ZVBorderedTextField> weak =
        std::static_pointer_cast<ZVBorderedTextField>(shared_from_this());
    passwordManagerButton_->addTarget(platform::Control::TouchUpInside, [weak](auto&) {
        if (const auto self = weak.lock()) {
            self->invokePasswordManager();
        }
    });
    addSubview(passwordManagerButton_);
    setNeedsLayout();
}

void ZVBorderedTextField::invokePasswordManager() {
    auto* page = dynamic_cast<ZVContainerView*>(superview());
    const auto controller = page ? page->viewController() : nullptr;
    const std::weak_ptr<ZVBorderedTextField> weak =
        std::static_pointer_cast<ZVBorderedTextField>(shared_from_this());
    PasswordManagerExtension::sharedExtension().findLoginForURLString(
        ZVApi::serviceBaseURL().toString(), controller.get(), passwordManagerButton_.get(),
        [weak](const QVariantMap& login, const ZVErrorPtr& error) {
            const auto self = weak.lock();
            if (!self) {
                return;
            }
            if (!login.isEmpty()) {
                if (const auto username = self->usernameField()) {
                    username->textField()->setText(
                        login.value(PasswordManagerExtension::UsernameKey).toString());
                }
                self->textField()->setText(
                    login.value(PasswordManagerExtension::PasswordKey).toString());
                if (auto* owner = dynamic_cast<ZVContainerView*>(self->superview())) {
                    owner->updateActionButton();
                }
            } else if (error && error->code() != PasswordManagerExtension::CancelledByUser) {
                platform::systemLogFormat(
                    u"Error invoking the password manager App Extension for find login: %@",
                    error->description());
            }
        });
}

void ZVBorderedTextField::layoutSubviews() {
    QRectF rect = bounds().adjusted(kInsetX, kInsetY, -kInsetX, -kInsetY);
    if (hintLabel_) {
        hintLabel_->setFrame(CGRectExtractTop(rect, hintLabel_->frame().height()));
    }
    if (passwordManagerButton_) {
        const QRectF strip = CGRectExtractRight(rect, passwordManagerButton_->frame().width());
        passwordManagerButton_->setCenter(CGRectGetCenter(strip));
        CGRectExtractRight(rect, kSpacing);
    }
    if (infoLabel_) {
        infoLabel_->setFrame(CGRectExtractRight(rect, infoLabel_->frame().width()));
        CGRectExtractRight(rect, kSpacing);
    }
    textField_->setFrame(rect);
}
