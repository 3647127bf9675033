#include "ZelvoKit/ZelvoApi/session/ZVApiSession.h"
#include "accounts/signin/ZVGoogleLoginViewController.h"
#include "accounts/signin/ZVLoginSecondaryViewController.h"
#include "accounts/signin/secondary/ZVCodeContainer.h"
#include "accounts/signin/secondary/ZVForgotContainer.h"
#include "accounts/signin/secondary/ZVLoginContainer.h"
#include "accounts/signin/secondary/ZVProfileContainer.h"
#include "accounts/signin/secondary/ZVSignupContainer.h"
#include "platform/ui/controllers/navigation/NavigationController.h"
#include "platform/ui/standins/CookieStorage.h"
#include "platform/ui/standins/FakeWebPage.h"
#include "platform/ui/standins/WebPage.h"
#include "tests/accounts/signin/SignInTestSupport.h"

#include <QtCore/QJsonArray>
#include <QtCore/QJsonDocument>
#include <QtCore/QJsonObject>
#include <QtNetwork/QNetworkCookie>

using namespace Qt::StringLiterals;

namespace signintest {
namespace {

// Signed in to one account, the further-account screen pushed over the first screen.
class SecondarySignInTest : public SignInTest {
protected:
    void SetUp() override {
        SignInTest::SetUp();
        platform::CookieStorage::setShared(cookies);
        platform::WebPage::setFactory([this] {
            webPage = std::make_shared<platform::FakeWebPage>();
            return webPage;
        });
        account(u"ann@example.com"_s);
        ZVApi::api().loginWithEmail(u"ann@example.com"_s, kPassword);
        ASSERT_TRUE(
            waitFor([] { return ZVApi::api().loginStatus() == ZVApi::LoginStatusSignedIn; }));
    }
    void TearDown() override {
        navigation.reset();
        SignInTest::TearDown();
        platform::WebPage::setFactory({});
    }

    void open(platform::DeviceProfile profile = platform::DeviceProfile::phone()) {
        window = platform::Window::make(profile);
        ZVAlertViewManager::alertViewManager().setKeyWindow(window);
        navigation = std::make_shared<platform::NavigationController>(
            std::make_shared<platform::ViewController>());
        window->setRootViewController(navigation);
        screen = ZVLoginSecondaryViewController::create();
        navigation->pushViewController(screen, false);
        settle();
    }
    std::shared_ptr<ZVLoginContainer> loginPage() const {
        return std::static_pointer_cast<ZVLoginContainer>(screen->primaryPage());
    }
    template <typename Page>
    std::shared_ptr<Page> shown() const {
        return std::dynamic_pointer_cast<Page>(screen->secondaryPage());
    }
    bool onScreen() const { return navigation->viewControllers().back() == screen; }
    void signIn(const QString& email, const QString& password) {
        type(loginPage()->emailField(), email);
        type(loginPage()->passwordField(), password);
        settle();
        tap(loginPage()->actionButton());
    }

    std::shared_ptr<platform::CookieStorage> cookies = std::make_shared<platform::CookieStorage>();
    std::shared_ptr<platform::FakeWebPage> webPage;
    std::shared_ptr<platform::NavigationController> navigation;
    std::shared_ptr<ZVLoginSecondaryViewController> screen;
};

TEST_F(SecondarySignInTest, WhileTheAccountSignsInNothingWorksAndEachFailureShowsOnceWhileShown) {
    account(u"ben@example.com"_s);
    open();
    EXPECT_EQ(screen->title(), u"Sign in to another account"_s);
    EXPECT_FALSE(loginPage()->actionButton()->isEnabled()) << "empty fields";

    signIn(u" ben@example.com "_s, u"wrong"_s);
    ASSERT_EQ(ZVApi::api().loginStatus(), ZVApi::LoginStatusSigningInFurther);
    EXPECT_FALSE(loginPage()->isEnabled());
    EXPECT_FALSE(loginPage()->actionButton()->isEnabled());
    EXPECT_FALSE(loginPage()->emailField()->textField()->isEnabled());
    ASSERT_TRUE(waitForAnswers(u"account/login"_s));
    EXPECT_EQ(emulator.lastRequest(u"account/login"_s)->body.value(u"email"_s),
              u"ben@example.com"_s);
    EXPECT_EQ(takeAlert(), (ShownAlert{u"Sign in Failed"_s, u"Incorrect password"_s}));
    settle();
    EXPECT_FALSE(takeAlert()) << "once";
    EXPECT_TRUE(loginPage()->isEnabled());
    EXPECT_TRUE(loginPage()->actionButton()->isEnabled());

    // Covered by another screen, its failures are not its to tell.
    navigation->pushViewController(std::make_shared<platform::ViewController>(), false);
    settle();
    ZVApi::api().loginWithEmail(u"ben@example.com"_s, u"wrong"_s);
    ASSERT_TRUE(waitForAnswers(u"account/login"_s, 2));
    settle();
    EXPECT_FALSE(takeAlert());
    navigation->popViewControllerAnimated(false);
    settle();

    signIn(u"ben@example.com"_s, kPassword);
    ASSERT_TRUE(waitForAnswers(u"account/login"_s, 3));
    EXPECT_EQ(ZVApi::api().sessions().size(), 2);
    EXPECT_FALSE(takeAlert());
}

TEST_F(SecondarySignInTest, ANewAccountIsCreatedInThreeStepsAndTheScreenCloses) {
    open();
    screen->openPage(u"signup"_s);
    settle();
    const auto signup = shown<ZVSignupContainer>();
    ASSERT_TRUE(signup);
    EXPECT_EQ(screen->title(), u"Create Account"_s);
    type(signup->email(), u"bad address"_s);
    tap(signup->actionButton());
    EXPECT_EQ(takeAlert(),
              (ShownAlert{u"Error"_s, u"\"bad address\" is not a valid email address."_s}));

    type(signup->email(), u" cat@example.com "_s);
    tap(signup->actionButton());
    ASSERT_TRUE(waitForAnswers(u"account/register/v2"_s));
    settle();
    const auto code = shown<ZVCodeContainer>();
    ASSERT_TRUE(code);
    EXPECT_EQ(code->email(), u"cat@example.com"_s) << "trimmed here";
    EXPECT_EQ(code->code()->frame().height(), ZVSecondaryPage::kCodeFieldHeight);
    const QString mailed = emulator.account(u"cat@example.com"_s)->registrationCode;
    type(code->code(), mailed == u"111111"_s ? u"222222"_s : u"111111"_s);
    tap(code->actionButton());
    ASSERT_TRUE(waitForAnswers(u"account/prepare/v2"_s));
    EXPECT_EQ(takeAlert(), (ShownAlert{u"Account creation failed"_s, u"invalid_code"_s}));
    EXPECT_EQ(shown<ZVCodeContainer>(), code);

    type(code->code(), mailed.left(3) + u'-' + mailed.mid(3));
    tap(code->actionButton());
    ASSERT_TRUE(waitForAnswers(u"account/prepare/v2"_s, 2));
    const auto profile = shown<ZVProfileContainer>();
    ASSERT_TRUE(profile);
    EXPECT_EQ(text(profile->username()), u"cat"_s);
    type(profile->name(), u"Cat"_s);
    type(profile->password(), u"pw"_s);
    tap(profile->actionButton());
    ASSERT_TRUE(waitFor([this] { return ZVApi::api().sessions().size() == 2 && !onScreen(); }));
    settle();
    EXPECT_EQ(navigation->viewControllers().size(), 1u);
    EXPECT_FALSE(takeAlert());
}

TEST_F(SecondarySignInTest, AResetReturnsToSignInAndLinksSwitchPages) {
    open();
    screen->openPage(u"forgot"_s);
    settle();
    auto forgot = shown<ZVForgotContainer>();
    ASSERT_TRUE(forgot);
    EXPECT_EQ(screen->title(), u"Reset Password"_s);
    emulator.scriptAnswer(u"account/reset_password"_s, zvemu::Reply::error(404, u"not_found"_s));
    type(forgot->emailField(), u"nobody@example.com"_s);
    tap(forgot->actionButton());
    ASSERT_TRUE(waitForAnswers(u"account/reset_password"_s));
    EXPECT_EQ(takeAlert(),
              (ShownAlert{u"Password reset failed"_s,
                          u"This account is not activated or the entered email is invalid"_s}));
    EXPECT_EQ(shown<ZVForgotContainer>(), forgot);

    type(forgot->emailField(), u" ann@example.com "_s);
    tap(forgot->actionButton());
    ASSERT_TRUE(waitForAnswers(u"account/reset_password"_s, 2));
    EXPECT_EQ(emulator.lastRequest(u"account/reset_password"_s)->body.value(u"email"_s),
              u"ann@example.com"_s);
    EXPECT_EQ(takeAlert(), (ShownAlert{u"Password reset"_s,
                                       u"Please follow instructions sent to the email "
                                       u"associated with this account."_s}));
    settle();
    EXPECT_FALSE(screen->secondaryPage());
    EXPECT_EQ(screen->title(), u"Sign in to another account"_s);

    // The page's links name the page to show; an unknown name changes nothing.
    EXPECT_FALSE(loginPage()->shouldOpenURL(u"signup"_s));
    settle();
    EXPECT_TRUE(shown<ZVSignupContainer>());
    screen->openPage(u"elsewhere"_s);
    EXPECT_TRUE(shown<ZVSignupContainer>());
    EXPECT_FALSE(shown<ZVSignupContainer>()->shouldOpenURL(u"login"_s));
    settle();
    EXPECT_FALSE(screen->secondaryPage());
}

TEST_F(SecondarySignInTest, TheKeyboardRisesOnAppearingOnlyOnTallScreens) {
    for (const qreal height : {568.0, 667.0}) {
        SCOPED_TRACE(height);
        open({platform::DeviceProfile::Idiom::Phone, {320, height}, 2, 20});
        EXPECT_EQ(loginPage()->emailField()->textField()->isFirstResponder(), height > 600);
    }
}

// The web page closes back to the root, taking this screen along: an account signed in already
// must still be told.
TEST_F(SecondarySignInTest, AnAccountSignedInAlreadyThroughTheWebIsTold) {
    open();
    tap(std::dynamic_pointer_cast<platform::Button>(loginPage()->parts().at(4)));
    settle();
    ASSERT_TRUE(std::dynamic_pointer_cast<ZVGoogleLoginViewController>(
        navigation->viewControllers().back()));
    ASSERT_TRUE(webPage);

    const QString accountId = account(u"ann@example.com"_s);
    const zvemu::Credentials issued = emulator.issueCredentials(accountId);
    const QJsonObject result{
        {u"action"_s, u"authenticate"_s},
        {u"ticket"_s, issued.ticket},
        {u"profiles"_s, QJsonArray{QJsonObject{{u"email"_s, u"ann@example.com"_s},
                                               {u"account_id"_s, accountId}}}}};
    webPage->setElementValue(u"inputHiddenValue"_s,
                             QString::fromUtf8(QJsonDocument(result).toJson()));
    QNetworkCookie cookie("token_id", issued.token.toUtf8());
    cookie.setDomain(QUrl(emulator.baseUrl()).host());
    cookie.setPath(u"/"_s);
    cookies->setCookie(cookie);
    webPage->finishLoad();
    scheduler().runPending();
    settle();

    EXPECT_EQ(navigation->viewControllers().size(), 1u) << "closed back to the root";
    EXPECT_EQ(ZVApi::api().sessions().size(), 1);
    const auto alert = takeAlert();
    ASSERT_TRUE(alert);
    EXPECT_EQ(alert->title, u"Sign in Failed"_s);
    EXPECT_EQ(alert->message,
              ZVError::errorWithCode(ZVError::AlreadySignedIn)->localizedDescription());
    settle();
    EXPECT_FALSE(takeAlert()) << "once";
}

}  // namespace
}  // namespace signintest
