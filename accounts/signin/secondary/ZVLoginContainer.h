#pragma once

#include "accounts/signin/secondary/ZVSecondaryPage.h"

// The further-account screen's sign-in page: e-mail and password, or an identity provider.
class ZVLoginContainer : public ZVSecondaryPage {
public:
    static std::shared_ptr<ZVLoginContainer> make(std::weak_ptr<platform::ViewController> owner);
    using ZVSecondaryPage::ZVSecondaryPage;

    const std::shared_ptr<ZVBorderedTextField>& emailField() const { return emailField_; }
    const std::shared_ptr<ZVBorderedTextField>& passwordField() const { return passwordField_; }

    void login();
    void loginGoogle();
    void loginMicrosoft();

private:
    void build();

    std::shared_ptr<ZVBorderedTextField> emailField_;
    std::shared_ptr<ZVBorderedTextField> passwordField_;
};
