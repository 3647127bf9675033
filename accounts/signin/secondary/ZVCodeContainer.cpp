#include "accounts/signin/secondary/ZVCodeContainer.h"

#include "ZelvoKit/ZelvoApi/api/ZVApi.h"
#include "accounts/pages/ZVBorderedTextField.h"
#include "accounts/signin/ZVLoginSecondaryViewController.h"
#include "accounts/signin/ZVSignInParts.h"
#include "accounts/signin/secondary/ZVProfileContainer.h"
#include "platform/ui/controls/TextField.h"
#include "toolkit/alerts/ZVAlertView.h"
#include "toolkit/style/ZVTextStyles.h"

using namespace Qt::StringLiterals;

std::shared_ptr<ZVCodeContainer> ZVCodeContainer::make(
    std::weak_ptr<platform::ViewController> owner, const QString& email) {
    auto page = std::make_shared<ZVCodeContainer>(std::move(owner));
    page->build(email);
    return page;
}

platform::AttributedString ZVCodeContainer::formatMessageEmail(const QString& email) {
    const platform::TextAttributes& style = ZVTextStyles::attributesForStyle(0);
    platform::TextAttributes emphasis = style;
    emphasis.insert(platform::TextAttribute::Font,
                    QVariant::fromValue(ZVTextStyles::fontForStyle(1)));
    platform::AttributedString message(u"We sent the code to \n"_s, style);
    message.append(email, emphasis);
    message.append(u". Can't find it? Try the promotions or spam folders."_s, style);
    return message;
}

void ZVCodeContainer::build(const QString& email) {
    email_ = email;
    setTitle(u"Confirm your email address"_s);
    pushTextView(formatMessageEmail(email), 0);
    code_ = ZVSignInParts::pushCodeField(*this, kCodeFieldHeight);
    pushAction(u"CONTINUE"_s, 0,
               [](ZVSecondaryPage& page) { static_cast<ZVCodeContainer&>(page).signUp(); });
    updateActionButton();
}

void ZVCodeContainer::signUp() {
    const std::weak_ptr<platform::ViewController> weakOwner = viewController();
    const QString email = email_;
    // The code goes out as typed, the dash included: the service reads its digits.
    ZVApi::api().submitRegistrationCode(
        code_->textField()->text(), email,
        [weakOwner, email](const QString& notificationId, const QString& suggestion) {
            if (const auto screen =
                    std::dynamic_pointer_cast<ZVLoginSecondaryViewController>(weakOwner.lock())) {
                screen->setSecondaryPage(
                    ZVProfileContainer::make(screen, email, notificationId, suggestion));
            }
        },
        [](const ZVErrorPtr& error) {
            ZVAlertView::showMessage(ZVSignInParts::errorText(error),
                                     ZVSignInParts::kAccountCreationFailedTitle);
        });
}
