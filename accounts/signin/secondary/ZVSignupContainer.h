#pragma once

#include "accounts/signin/secondary/ZVSecondaryPage.h"

// The further-account screen's first sign-up step: the address the code is mailed to.
class ZVSignupContainer : public ZVSecondaryPage {
public:
    static std::shared_ptr<ZVSignupContainer> make(std::weak_ptr<platform::ViewController> owner);
    using ZVSecondaryPage::ZVSecondaryPage;

    const std::shared_ptr<ZVBorderedTextField>& email() const { return email_; }
    void signUp();

private:
    void build();

    std::shared_ptr<ZVBorderedTextField> email_;
};
