#include "accounts/signin/secondary/ZVForgotContainer.h"

#include "ZelvoKit/ZelvoApi/api/ZVApi.h"
#include "accounts/pages/ZVBorderedTextField.h"
#include "accounts/signin/ZVLoginSecondaryViewController.h"
#include "accounts/signin/ZVSignInParts.h"
#include "platform/ui/controls/TextField.h"
#include "toolkit/alerts/ZVAlertView.h"

using namespace Qt::StringLiterals;

std::shared_ptr<ZVForgotContainer> ZVForgotContainer::make(
    std::weak_ptr<platform::ViewController> owner) {
    auto page = std::make_shared<ZVForgotContainer>(std::move(owner));
    page->build();
    return page;
}

void ZVForgotContainer::build() {
    setTitle(u"Reset Password"_s);
    emailField_ = pushTextFieldWithPlaceholder(u"Username or email address"_s);
    pushAction(u"RESET PASSWORD"_s, 0,
               [](ZVSecondaryPage& page) { static_cast<ZVForgotContainer&>(page).reset(); });
    pushLinks({{u"login"_s, u"Sign in"_s}});
    updateActionButton();
}

void ZVForgotContainer::reset() {
    const std::weak_ptr<platform::ViewController> weakOwner = viewController();
    ZVApi::api().resetPassword(
        emailField_->textField()->text().trimmed(),
        [weakOwner] {
            if (const auto screen =
                    std::dynamic_pointer_cast<ZVLoginSecondaryViewController>(weakOwner.lock())) {
                screen->openPage(u"login"_s);
            }
            ZVAlertView::showMessage(
                u"Please follow instructions sent to the email associated with this account."_s,
                u"Password reset"_s);
        },
        [](const ZVErrorPtr& error) {
            ZVAlertView::showMessage(ZVSignInParts::resetFailureMessage(error),
                                     ZVSignInParts::kPasswordResetFailedTitle);
        });
}
