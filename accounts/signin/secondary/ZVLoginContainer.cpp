#include "accounts/signin/secondary/ZVLoginContainer.h"

#include "ZelvoKit/ZelvoApi/api/ZVApi.h"
#include "accounts/pages/ZVBorderedTextField.h"
#include "accounts/signin/ZVGoogleLoginViewController.h"
#include "accounts/signin/ZVLoginSecondaryViewController.h"
#include "accounts/signin/ZVMicrosoftLoginViewController.h"
#include "platform/ui/controls/Button.h"
#include "platform/ui/controls/TextField.h"
#include "toolkit/widgets/ZVBranding.h"

using namespace Qt::StringLiterals;

std::shared_ptr<ZVLoginContainer> ZVLoginContainer::make(
    std::weak_ptr<platform::ViewController> owner) {
    auto page = std::make_shared<ZVLoginContainer>(std::move(owner));
    page->build();
    return page;
}

void ZVLoginContainer::build() {
    setTitle(u"Sign in to another account"_s);
    emailField_ = pushTextFieldWithPlaceholder(u"Username or email address"_s);
    passwordField_ = pushTextFieldWithPlaceholder(u"Password"_s);
    passwordField_->textField()->setSecureTextEntry(true);
    passwordField_->setUsernameField(emailField_);
    pushAction(u"SIGN IN"_s, 0,
               [](ZVSecondaryPage& page) { static_cast<ZVLoginContainer&>(page).login(); });
    pushSeparator(u"or"_s);
    const auto google = pushAction(u"Sign in with Google"_s, 2, [](ZVSecondaryPage& page) {
        static_cast<ZVLoginContainer&>(page).loginGoogle();
    });
    ZVBranding::setButton(*google, u"icon-google-login"_s);
    const auto microsoft = pushAction(u"Sign in with Microsoft"_s, 2, [](ZVSecondaryPage& page) {
        static_cast<ZVLoginContainer&>(page).loginMicrosoft();
    });
    ZVBranding::setButton(*microsoft, u"icon-microsoft-login"_s);
    pushLinks({{u"forgot"_s, u"Forgot password?"_s}, {u"signup"_s, u"Create free account"_s}});
    updateActionButton();
}

void ZVLoginContainer::login() {
    // Success starts the account's session, and the coordinator's return to the root closes this
    // screen; a failure reaches the user through the screen's sign-in error block.
    ZVApi::api().loginWithEmail(emailField_->textField()->text().trimmed(),
                                passwordField_->textField()->text().trimmed());
}

void ZVLoginContainer::loginGoogle() {
    if (const auto screen = owner()) {
        screen->openWebSignIn(std::make_shared<ZVGoogleLoginViewController>());
    }
}

void ZVLoginContainer::loginMicrosoft() {
    if (const auto screen = owner()) {
        screen->openWebSignIn(std::make_shared<ZVMicrosoftLoginViewController>());
    }
}
