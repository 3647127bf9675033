#pragma once

#include "accounts/signin/secondary/ZVSecondaryPage.h"
#include "platform/foundation/AttributedString.h"

// The further-account screen's second sign-up step: the code mailed to the address.
class ZVCodeContainer : public ZVSecondaryPage {
public:
    static std::shared_ptr<ZVCodeContainer> make(std::weak_ptr<platform::ViewController> owner,
                                                 const QString& email);
    using ZVSecondaryPage::ZVSecondaryPage;

    static platform::AttributedString formatMessageEmail(const QString& email);

    const std::shared_ptr<ZVBorderedTextField>& code() const { return code_; }
    const QString& email() const { return email_; }
    void signUp();

private:
    void build(const QString& email);

    std::shared_ptr<ZVBorderedTextField> code_;
    QString email_;
};
