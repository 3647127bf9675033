#include "accounts/signin/secondary/ZVSignupContainer.h"

#include "ZelvoKit/ZelvoApi/api/ZVApi.h"
#include "ZelvoKit/support/base/ZelvoUtils.h"
#include "accounts/pages/ZVBorderedTextField.h"
#include "accounts/signin/ZVLoginSecondaryViewController.h"
#include "accounts/signin/ZVSignInParts.h"
#include "accounts/signin/secondary/ZVCodeContainer.h"
#include "platform/ui/controls/TextField.h"
#include "toolkit/alerts/ZVAlertView.h"

using namespace Qt::StringLiterals;

std::shared_ptr<ZVSignupContainer> ZVSignupContainer::make(
    std::weak_ptr<platform::ViewController> owner) {
    auto page = std::make_shared<ZVSignupContainer>(std::move(owner));
    page->build();
    return page;
}

void ZVSignupContainer::build() {
    setTitle(u"Create Account"_s);
    email_ = pushTextFieldWithPlaceholder(u"Your email address"_s);
    email_->textField()->setKeyboardType(platform::KeyboardType::EmailAddress);
    pushAction(u"CONTINUE"_s, 0,
               [](ZVSecondaryPage& page) { static_cast<ZVSignupContainer&>(page).signUp(); });
    pushLinks({{u"login"_s, u"Sign in"_s}});
    updateActionButton();
}

void ZVSignupContainer::signUp() {
    const QString email = email_->textField()->text().trimmed();
    if (!ZelvoUtils::isValidEmail(email)) {
        ZVAlertView::showMessage(ZVSignInParts::invalidEmailMessage(email), u"Error"_s);
        return;
    }
    const std::weak_ptr<platform::ViewController> weakOwner = viewController();
    ZVApi::api().registerEmail(
        email,
        [weakOwner, email] {
            if (const auto screen =
                    std::dynamic_pointer_cast<ZVLoginSecondaryViewController>(weakOwner.lock())) {
                screen->setSecondaryPage(ZVCodeContainer::make(screen, email));
            }
        },
        [](const ZVErrorPtr& error) {
            ZVAlertView::showMessage(ZVSignInParts::errorText(error),
                                     ZVSignInParts::kAccountCreationFailedTitle);
        });
}
