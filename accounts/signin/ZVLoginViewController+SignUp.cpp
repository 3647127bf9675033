// The three steps of creating an account: the e-mail, the code mailed to it, and the profile.

#include "ZelvoKit/ZelvoApi/api/ZVApi.h"
#include "ZelvoKit/support/base/ZelvoUtils.h"
#include "accounts/pages/ZVBorderedTextField.h"
#include "accounts/pages/ZVContainerView.h"
#include "accounts/signin/ZVLoginViewController.h"
#include "accounts/signin/ZVSignInParts.h"
#include "platform/ui/controls/Button.h"
#include "platform/ui/controls/ImageView.h"
#include "platform/ui/controls/TextField.h"
#include "toolkit/alerts/ZVAlertView.h"
#include "toolkit/style/ZVTextStyles.h"

#include <functional>
#include <memory>

using namespace Qt::StringLiterals;

namespace {

constexpr qreal kSignupMessageSpacing = 50;
constexpr int kSignupCompletedTitleStyle = 33;
constexpr int kSignupCompletedTextStyle = 25;
const QString& kSignupFailedTitle = ZVSignInParts::kAccountCreationFailedTitle;

// A step's failure while the screen waits on it: the wait ends and the service's reason is shown.
std::function<void(const ZVErrorPtr&)> signupFailed(
    const std::weak_ptr<ZVLoginViewController>& weak) {
    return [weak](const ZVErrorPtr& error) {
        const auto self = weak.lock();
        if (!self) {
            return;
        }
        self->setShowingProgress(false);
        ZVAlertView::showMessage(ZVSignInParts::errorText(error), kSignupFailedTitle);
    };
}

}  // namespace

void ZVLoginViewController::createAccount() {
    pushNewPage();
    pushTitle(u"Create your account"_s);
    email_ = container()->pushTextFieldWithPlaceholder(u"Your email address"_s);
    email_->textField()->setKeyboardType(platform::KeyboardType::EmailAddress);
    pushActionButton(u"CONTINUE"_s, &ZVLoginViewController::submitEmail);
    commitPush();
}

void ZVLoginViewController::submitEmail() {
    // Taken as typed: an address with blanks around it is refused, not quietly mended.
    registerEmail_ = email_ ? email_->textField()->text() : QString();
    if (!ZelvoUtils::isValidEmail(registerEmail_)) {
        ZVAlertView::showMessage(ZVSignInParts::invalidEmailMessage(registerEmail_), u"Error"_s);
        return;
    }
    setShowingProgress(true);
    const auto weak = weakLogin();
    ZVApi::api().registerEmail(
        registerEmail_,
        [weak] {
            const auto self = weak.lock();
            if (!self) {
                return;
            }
            setDefault(QString(kRegisterEmailKey), self->registerEmail_);
            self->setShowingProgress(false);
            self->proceedToCode();
        },
        signupFailed(weak));
}

void ZVLoginViewController::proceedToCode() {
    pushNewPage();
    if (isWide()) {
        pushTitle(u"Confirm your email address"_s);
    }
    const auto page = container();
    page->pushTextView(successMessageRegistration(true), kSignupMessageSpacing);
    code_ = ZVSignInParts::pushCodeField(*page, kCodeFieldHeight);
    confirmButton_ = pushActionButton(u"CONTINUE"_s, &ZVLoginViewController::confirm);
    page->setBottomLine(true);
    commitPush();
}

void ZVLoginViewController::confirm() {
    const auto weak = weakLogin();
    // The code goes out as typed, the dash included: the service reads its digits.
    ZVApi::api().submitRegistrationCode(
        code_ ? code_->textField()->text() : QString(), registerEmail_,
        [weak](const QString& notificationId, const QString& suggestion) {
            const auto self = weak.lock();
            if (!self) {
                return;
            }
            self->popPageSilent();
            setDefault(QString(kRegisterNotificationIdKey), notificationId);
            self->showProfileWithNotificationId(notificationId, suggestion);
        },
        [](const ZVErrorPtr& error) {
            ZVAlertView::showMessage(ZVSignInParts::errorText(error), kSignupFailedTitle);
        });
}

void ZVLoginViewController::showProfileWithNotificationId(const QString& notificationId,
                                                          const QString& zelvoId) {
    notificationId_ = notificationId;
    pushNewPage();
    pushTitle(view()->bounds().width() < kWideWidth ? u"Your profile"_s : u"Set up your profile"_s);
    const auto page = container();
    name_ = page->pushTextFieldWithPlaceholder(u"Your name"_s);
    username_ = ZVSignInParts::pushUsernameField(*page, zelvoId);
    password_ = page->pushTextFieldWithPlaceholder(u"Create a password"_s);
    password_->textField()->setSecureTextEntry(true);
    password_->setUsernameField(username_);
    pushActionButton(u"CONTINUE"_s, &ZVLoginViewController::confirmProfile);
    commitPush();
}

void ZVLoginViewController::confirmProfile() {
    inSignupFlow_ = true;
    const QString username = username_ ? username_->textField()->text().trimmed() : QString();
    const QString fullName = name_ ? name_->textField()->text().trimmed() : QString();
    const QString password = password_ ? password_->textField()->text().trimmed() : QString();
    container()->resignFirstResponder();
    setShowingProgress(true);
    const auto weak = weakLogin();
    // The answer signs the new account in (the coordinator reads inSignupFlow then) before the
    // success block runs.
    ZVApi::api().registerNotificationId(
        notificationId_, registerEmail_, fullName, password, username,
        [weak] {
            const auto self = weak.lock();
            if (!self) {
                return;
            }
            self->clearSignupDefaults();
            self->popPageSilent();
            self->progressPageDropped();
            self->signupCompleted();
        },
        signupFailed(weak));
}

void ZVLoginViewController::signupCompleted() {
    pushNewPage();
    const auto page = container();
    page->pushSuccessView();
    page->pushTextView(
        platform::AttributedString(u"Account created!"_s,
                                   ZVTextStyles::attributesForStyle(kSignupCompletedTitleStyle)),
        0);
    page->pushTextView(
        platform::AttributedString(u"Welcome to Zelvo! We're so happy you're here."_s,
                                   ZVTextStyles::attributesForStyle(kSignupCompletedTextStyle)),
        kSignupMessageSpacing);
    page->pushIllustration(u"illustration-onboarding-mountain"_s)
        ->setContentMode(platform::ContentMode::Center);
    commitPush();
}
