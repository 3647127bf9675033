#include "accounts/signin/secondary/ZVProfileContainer.h"

#include "ZelvoKit/ZelvoApi/api/ZVApi.h"
#include "accounts/pages/ZVBorderedTextField.h"
#include "accounts/signin/ZVLoginSecondaryViewController.h"
#include "accounts/signin/ZVSignInParts.h"
#include "platform/ui/controls/TextField.h"
#include "toolkit/alerts/ZVAlertView.h"

using namespace Qt::StringLiterals;

std::shared_ptr<ZVProfileContainer> ZVProfileContainer::make(
    std::weak_ptr<platform::ViewController> owner, const QString& email,
    const QString& notificationId, const QString& suggestion) {
    auto page = std::make_shared<ZVProfileContainer>(std::move(owner));
    page->email_ = email;
    page->notificationId_ = notificationId;
    page->build(suggestion);
    return page;
}

void ZVProfileContainer::build(const QString& suggestion) {
    setTitle(u"Set up your profile"_s);
    name_ = pushTextFieldWithPlaceholder(u"Your name"_s);
    username_ = ZVSignInParts::pushUsernameField(*this, suggestion);
    password_ = pushTextFieldWithPlaceholder(u"Create a password"_s);
    password_->textField()->setSecureTextEntry(true);
    password_->setUsernameField(username_);
    pushAction(u"CONTINUE"_s, 0, [](ZVSecondaryPage& page) {
        static_cast<ZVProfileContainer&>(page).confirmProfile();
    });
    updateActionButton();
}

void ZVProfileContainer::confirmProfile() {
    const QString username = username_->textField()->text().trimmed();
    const QString fullName = name_->textField()->text().trimmed();
    const QString password = password_->textField()->text().trimmed();
    resignFirstResponder();
    const std::weak_ptr<platform::ViewController> weakOwner = viewController();
    // The answer signs the new account in before the success block runs.
    ZVApi::api().registerNotificationId(
        notificationId_, email_, fullName, password, username,
        [weakOwner] {
            if (const auto screen =
                    std::dynamic_pointer_cast<ZVLoginSecondaryViewController>(weakOwner.lock())) {
                screen->close();
            }
        },
        [](const ZVErrorPtr& error) {
            ZVAlertView::showMessage(ZVSignInParts::errorText(error),
                                     ZVSignInParts::kAccountCreationFailedTitle);
        });
}
