#pragma once

#include "accounts/signin/ZVLoginViewController.h"
#include "accounts/signin/ZVPreLoginNavigationController.h"
#include "platform/foundation/UserDefaults.h"
#include "platform/ui/standins/FakeWebPage.h"
#include "platform/ui/standins/WebPage.h"
#include "tests/accounts/signin/SignInTestSupport.h"

namespace signintest {

// The signed-out root in the window, its welcome page shown; web pages are scripted.
class LoginScreenTest : public SignInTest {
protected:
    void SetUp() override {
        SignInTest::SetUp();
        platform::WebPage::setFactory([] { return std::make_shared<platform::FakeWebPage>(); });
    }
    void TearDown() override {
        navigation.reset();
        SignInTest::TearDown();
        platform::WebPage::setFactory({});
    }

    void start() {
        navigation = ZVPreLoginNavigationController::create();
        window->setRootViewController(navigation);
        settle();
    }
    ZVLoginViewController& screen() const { return *navigation->loginViewController(); }
    QStringList pages() const { return describe(screen().pages()); }
    std::shared_ptr<ZVContainerView> page() const { return screen().container(); }
    static QString storedDefault(QLatin1StringView key) {
        return platform::UserDefaults::standard()->stringForKey(QString(key));
    }

    // From the welcome page to a new account's code page.
    void registerEmail(const QString& email) {
        screen().shouldOpenURL(QStringLiteral("signup"));
        settle();
        type(screen().email(), email);
        tap(page()->actionButton());
        ASSERT_TRUE(waitForAnswers(QStringLiteral("account/register/v2")));
    }
    QString mailedCode(const QString& email) const {
        const auto pending = emulator.account(email);
        return pending ? pending->registrationCode : QString();
    }

    std::shared_ptr<ZVPreLoginNavigationController> navigation;
};

}  // namespace signintest
