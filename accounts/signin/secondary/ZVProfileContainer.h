#pragma once

#include "accounts/signin/secondary/ZVSecondaryPage.h"

// The further-account screen's last sign-up step: name, username and password; done, the new
// account is signed in and the screen goes.
class ZVProfileContainer : public ZVSecondaryPage {
public:
    static std::shared_ptr<ZVProfileContainer> make(std::weak_ptr<platform::ViewController> owner,
                                                    const QString& email,
                                                    const QString& notificationId,
                                                    const QString& suggestion);
    using ZVSecondaryPage::ZVSecondaryPage;

    const std::shared_ptr<ZVBorderedTextField>& name() const { return name_; }
    const std::shared_ptr<ZVBorderedTextField>& username() const { return username_; }
    const std::shared_ptr<ZVBorderedTextField>& password() const { return password_; }
    const QString& email() const { return email_; }
    const QString& notificationId() const { return notificationId_; }
    void confirmProfile();

private:
    void build(const QString& suggestion);

    std::shared_ptr<ZVBorderedTextField> name_;
    std::shared_ptr<ZVBorderedTextField> username_;
    std::shared_ptr<ZVBorderedTextField> password_;
    QString email_;
    QString notificationId_;
};
