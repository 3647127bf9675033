#pragma once

#include "accounts/signin/secondary/ZVSecondaryPage.h"

// The further-account screen's password reset.
class ZVForgotContainer : public ZVSecondaryPage {
public:
    static std::shared_ptr<ZVForgotContainer> make(std::weak_ptr<platform::ViewController> owner);
    using ZVSecondaryPage::ZVSecondaryPage;

    const std::shared_ptr<ZVBorderedTextField>& emailField() const { return emailField_; }
    void reset();

private:
    void build();

    std::shared_ptr<ZVBorderedTextField> emailField_;
};
