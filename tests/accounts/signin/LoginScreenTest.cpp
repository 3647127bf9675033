#include "ZelvoKit/ZelvoApi/session/ZVApiSession.h"
#include "tests/accounts/signin/LoginScreenTestSupport.h"
#include "tests/support/RefusingPort.h"

using namespace Qt::StringLiterals;

namespace signintest {
namespace {

const QString kWelcome = u"Welcome!"_s;
const QString kSignIn = u"Sign in"_s;
const QString kReset = u"Reset password"_s;
const QString kCreate = u"Create your account"_s;
const QString kCode = u"Confirm your email address"_s;
const QString kProfile = u"Set up your profile"_s;
const QString kCreated = u"Account created!"_s;
const QString kProgress = u"progress"_s;

TEST_F(LoginScreenTest, SignInTrimsTheFieldsRemembersTheAddressAndDisablesTheFieldsMeanwhile) {
    account(u"ann@example.com"_s);
    start();
    EXPECT_EQ(pages(), QStringList{kWelcome});
    EXPECT_TRUE(screen().viewHasAppeared());

    tap(page()->actionButton());
    settle();
    EXPECT_EQ(pages(), (QStringList{kWelcome, kSignIn}));
    EXPECT_EQ(text(screen().email()), QString()) << "nothing remembered yet";
    EXPECT_FALSE(page()->actionButton()->isEnabled()) << "empty fields";
    type(screen().email(), u"  ann@example.com "_s);
    type(screen().password(), u" secret  "_s);
    settle();
    ASSERT_TRUE(page()->actionButton()->isEnabled());

    tap(page()->actionButton());
    EXPECT_EQ(pages(), (QStringList{kWelcome, kSignIn, kProgress}));
    EXPECT_EQ(ZVApi::api().loginStatus(), ZVApi::LoginStatusSigningIn);
    EXPECT_FALSE(screen().email()->textField()->isEnabled());
    EXPECT_FALSE(screen().password()->textField()->isEnabled());
    EXPECT_EQ(ZVLoginViewController::defaultEmail(), u"ann@example.com"_s);
    EXPECT_EQ(storedDefault(ZVLoginViewController::kLoginIdKey), u"ann@example.com"_s);

    ASSERT_TRUE(waitForAnswers(u"account/login"_s));
    const auto login = emulator.lastRequest(u"account/login"_s);
    ASSERT_TRUE(login);
    EXPECT_EQ(login->body.value(u"email"_s).toString(), u"ann@example.com"_s);
    EXPECT_EQ(login->body.value(u"password"_s).toString(), kPassword);
    EXPECT_EQ(ZVApi::api().loginStatus(), ZVApi::LoginStatusSignedIn);
    EXPECT_TRUE(screen().email()->textField()->isEnabled());
    EXPECT_FALSE(takeAlert());
    EXPECT_EQ(emulator.requestCount(u"account/login"_s), 1);

    // A new process's screen offers the address signed in with last.
    ZVApi::resetSharedApi();
    ZVApi::api().setCustomBaseURL(emulator.baseUrl());
    ZVLoginViewController::reloadDefaultEmail();
    start();
    screen().signIn();
    EXPECT_EQ(text(screen().email()), u"ann@example.com"_s);
}

TEST_F(LoginScreenTest, AFullSignUpEndsSignedInOnAccountCreatedWithTheFlowMarkedMeanwhile) {
    start();
    registerEmail(u"new@example.com"_s);
    EXPECT_EQ(pages(), (QStringList{kWelcome, kCreate, kCode}));
    EXPECT_EQ(storedDefault(ZVLoginViewController::kRegisterEmailKey), u"new@example.com"_s);
    const QString code = mailedCode(u"new@example.com"_s);
    ASSERT_EQ(code.size(), 6);
    EXPECT_TRUE(screen().code()->textField()->frame().height() > 0);
    EXPECT_EQ(screen().code()->frame().height(), ZVLoginViewController::kCodeFieldHeight);

    // A wrong code first: the page stays with what was typed.
    type(screen().code(), u"000-000"_s);
    tap(screen().confirmButton());
    ASSERT_TRUE(waitForAnswers(u"account/prepare/v2"_s));
    EXPECT_EQ(takeAlert(), (ShownAlert{u"Account creation failed"_s, u"invalid_code"_s}));
    EXPECT_EQ(pages(), (QStringList{kWelcome, kCreate, kCode}));
    EXPECT_EQ(text(screen().code()), u"000-000"_s);

    // The code as the field's filter shows it, with its dash.
    type(screen().code(), code.left(3) + u'-' + code.mid(3));
    tap(screen().confirmButton());
    ASSERT_TRUE(waitForAnswers(u"account/prepare/v2"_s, 2));
    EXPECT_EQ(emulator.lastRequest(u"account/prepare/v2"_s)->body.value(u"registration_code"_s),
              code.left(3) + u'-' + code.mid(3));
    EXPECT_EQ(pages(), (QStringList{kWelcome, kCreate, kProfile})) << "the code page went";
    EXPECT_FALSE(storedDefault(ZVLoginViewController::kRegisterNotificationIdKey).isEmpty());
    EXPECT_EQ(text(screen().username()), u"new"_s) << "the service's suggestion";
    EXPECT_EQ(screen().username()->infoText(), u"@127.0.0.1"_s);

    std::optional<bool> flowWhenSignedIn;
    const auto token = ZVApi::api().observe(QString(ZVApi::LoginStatusKey), [&](const QString&) {
        if (ZVApi::api().loginStatus() == ZVApi::LoginStatusSignedIn) {
            flowWhenSignedIn = screen().inSignupFlow();
        }
    });
    type(screen().name(), u" New Person "_s);
    type(screen().password(), u"secret2"_s);
    tap(page()->actionButton());
    EXPECT_TRUE(screen().inSignupFlow());
    EXPECT_EQ(pages(), (QStringList{kWelcome, kCreate, kProfile, kProgress}));
    ASSERT_TRUE(waitForAnswers(u"account/confirm/v2"_s));

    EXPECT_EQ(flowWhenSignedIn, std::optional<bool>(true))
        << "the coordinator reads the flow when the account is signed in";
    EXPECT_FALSE(screen().inSignupFlow());
    EXPECT_EQ(pages(), (QStringList{kWelcome, kCreate, kProfile, kCreated}));
    EXPECT_FALSE(screen().showingProgress());
    EXPECT_EQ(ZVApi::api().sessions().size(), 1);
    const auto confirm = emulator.lastRequest(u"account/confirm/v2"_s);
    EXPECT_EQ(confirm->body.value(u"display_name"_s).toString(), u"New Person"_s);
    EXPECT_EQ(confirm->body.value(u"zelvo_address"_s).toString(), u"new"_s);
    EXPECT_TRUE(storedDefault(ZVLoginViewController::kRegisterEmailKey).isEmpty());
    EXPECT_TRUE(storedDefault(ZVLoginViewController::kRegisterNotificationIdKey).isEmpty());
    EXPECT_TRUE(emulator.account(u"new@example.com"_s)->active);
    EXPECT_FALSE(takeAlert());
}

TEST_F(LoginScreenTest, TheMailedCodeIsTakenWithOrWithoutTheDash) {
    for (const bool withDash : {false, true}) {
        SCOPED_TRACE(withDash);
        const QString email = withDash ? u"dash@example.com"_s : u"plain@example.com"_s;
        emulator.clearRequests();
        // The first case's sign-up would resume.
        ZVLoginViewController::setDefault(QString(ZVLoginViewController::kRegisterEmailKey), {});
        ZVLoginViewController::setDefault(
            QString(ZVLoginViewController::kRegisterNotificationIdKey), {});
        start();
        registerEmail(email);
        const QString code = mailedCode(email);
        type(screen().code(), withDash ? code.left(3) + u'-' + code.mid(3) : code);
        tap(screen().confirmButton());
        ASSERT_TRUE(waitForAnswers(u"account/prepare/v2"_s));
        EXPECT_FALSE(takeAlert());
        EXPECT_EQ(pages(), (QStringList{kWelcome, kCreate, kProfile}));
    }
}

TEST_F(LoginScreenTest, AnInterruptedSignUpResumesOverTheWelcomePage) {
    // Cut short after the e-mail: the code page, sending the stored address.
    start();
    registerEmail(u"later@example.com"_s);
    ZVLoginViewController::setDefault(QString(ZVLoginViewController::kRegisterEmailKey),
                                      u"later@example.com"_s);
    start();
    EXPECT_EQ(pages(), (QStringList{kWelcome, kCode}));
    EXPECT_EQ(screen().registerEmail(), u"later@example.com"_s);
    type(screen().code(), mailedCode(u"later@example.com"_s));
    tap(screen().confirmButton());
    ASSERT_TRUE(waitForAnswers(u"account/prepare/v2"_s));
    EXPECT_EQ(emulator.lastRequest(u"account/prepare/v2"_s)->body.value(u"registration_mail"_s),
              u"later@example.com"_s);
    EXPECT_EQ(pages(), (QStringList{kWelcome, kProfile}));

    // Cut short after the code: the profile page, without a suggestion.
    const QString notificationId = storedDefault(ZVLoginViewController::kRegisterNotificationIdKey);
    ASSERT_FALSE(notificationId.isEmpty());
    start();
    EXPECT_EQ(pages(), (QStringList{kWelcome, kProfile}));
    EXPECT_EQ(screen().notificationId(), notificationId);
    EXPECT_EQ(text(screen().username()), QString());

    // A provider's sign-in forgets it.
    screen().loginWithGoogleClicked();
    EXPECT_TRUE(storedDefault(ZVLoginViewController::kRegisterEmailKey).isEmpty());
    EXPECT_TRUE(storedDefault(ZVLoginViewController::kRegisterNotificationIdKey).isEmpty());
    EXPECT_EQ(navigation->page(), ZVPreLoginNavigationController::PageGoogle);
    start();
    EXPECT_EQ(pages(), QStringList{kWelcome});
}

// Every failure names what went wrong and leaves the page that asked, with what was typed.
TEST_F(LoginScreenTest, FailuresSayWhatWentWrongAndKeepWhatWasTyped) {
    account(u"ann@example.com"_s);
    emulator.updateAccount(account(u"taken@example.com"_s),
                           [](zvemu::Account& taken) { taken.zelvoAddress = u"wanted"_s; });
    struct Case {
        const char* name;
        // Builds the page, types and sends; answers the field that must keep its text.
        std::function<std::shared_ptr<ZVBorderedTextField>()> act;
        QStringList pagesAfter;
        ShownAlert alert;
    };
    const auto signInWith = [this](const QString& password) {
        screen().signIn();
        type(screen().email(), u"ann@example.com"_s);
        type(screen().password(), password);
        tap(page()->actionButton());
        EXPECT_TRUE(waitFor([] {
            return ZVApi::api().loginStatus() == ZVApi::LoginStatusSignedOut &&
                   ZVApi::api().pendingRequests().empty();
        }));
        // The alert waits a second after the status.
        wait(ZVLoginViewController::kLoginErrorDelay - 0.01);
        EXPECT_FALSE(takeAlert());
        EXPECT_EQ(pages().last(), kProgress);
        settle();
        return screen().password();
    };
    zvtest::RefusingPort refused;
    const std::vector<Case> cases = {
        {"invalid login",
         [&] {
             emulator.scriptAnswer(u"account/login"_s,
                                   zvemu::Reply::error(430, u"invalid_login"_s));
             return signInWith(u"wrong"_s);
         },
         {kWelcome, kSignIn},
         {u"Login failed"_s, u"Incorrect email or password"_s}},
        {"closed port",
         [&] {
             ZVApi::api().setCustomBaseURL(refused.baseUrl());
             return signInWith(kPassword);
         },
         {kWelcome, kSignIn},
         {u"Login failed"_s, u"Could not connect to the server."_s}},
        {"reset of an unknown account",
         [this] {
             emulator.scriptAnswer(u"account/reset_password"_s,
                                   zvemu::Reply::error(404, u"not_found"_s));
             screen().signIn();
             screen().shouldOpenURL(u"forgot"_s);
             type(screen().forgotEmail(), u"nobody@example.com "_s);
             tap(page()->actionButton());
             EXPECT_TRUE(waitForAnswers(u"account/reset_password"_s));
             EXPECT_EQ(emulator.lastRequest(u"account/reset_password"_s)->body.value(u"email"_s),
                       u"nobody@example.com "_s)
                 << "sent as typed";
             return screen().forgotEmail();
         },
         {kWelcome, kSignIn, kReset},
         {u"Password reset failed"_s,
          u"This account is not activated or the entered email is invalid"_s}},
        {"sign-up address with a blank",
         [this] {
             screen().shouldOpenURL(u"signup"_s);
             type(screen().email(), u" new@example.com"_s);
             tap(page()->actionButton());
             settle();
             EXPECT_EQ(emulator.requestCount(u"account/register/v2"_s), 0);
             return screen().email();
         },
         {kWelcome, kCreate},
         {u"Error"_s, u"\" new@example.com\" is not a valid email address."_s}},
        {"sign-up address the service refuses",
         [this] {
             screen().shouldOpenURL(u"signup"_s);
             type(screen().email(), u"ann@example.com"_s);
             tap(page()->actionButton());
             EXPECT_TRUE(waitForAnswers(u"account/register/v2"_s));
             return screen().email();
         },
         {kWelcome, kCreate},
         {u"Account creation failed"_s, u"email_taken"_s}},
        {"taken username",
         [this] {
             registerEmail(u"second@example.com"_s);
             type(screen().code(), mailedCode(u"second@example.com"_s));
             tap(screen().confirmButton());
             EXPECT_TRUE(waitForAnswers(u"account/prepare/v2"_s));
             type(screen().name(), u"Second"_s);
             type(screen().username(), u"wanted"_s);
             type(screen().password(), u"pw"_s);
             tap(page()->actionButton());
             EXPECT_TRUE(waitForAnswers(u"account/confirm/v2"_s));
             EXPECT_TRUE(screen().inSignupFlow()) << "the flow goes on";
             return screen().username();
         },
         {kWelcome, kCreate, kProfile},
         {u"Account creation failed"_s, u"Sorry, this username is not available"_s}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ZVApi::api().setCustomBaseURL(emulator.baseUrl());
        emulator.clearRequests();
        start();
        const auto field = c.act();
        ASSERT_TRUE(field);
        const QString typed = text(field);
        EXPECT_EQ(takeAlert(), std::optional<ShownAlert>(c.alert));
        EXPECT_EQ(pages(), c.pagesAfter);
        EXPECT_EQ(text(field), typed);
        EXPECT_FALSE(typed.isEmpty());
        EXPECT_TRUE(field->textField()->isEnabled());
        EXPECT_FALSE(screen().showingProgress());
    }
}

TEST_F(LoginScreenTest, WithoutANetworkTheAlertSaysSoASecondAfterTheStatusReturns) {
    account(u"ann@example.com"_s);
    start();
    screen().signIn();
    type(screen().email(), u"ann@example.com"_s);
    type(screen().password(), kPassword);
    tap(page()->actionButton());
    // The transport answers that there is no network before the request reaches anyone.
    ZVApi& api = ZVApi::api();
    ASSERT_EQ(api.pendingRequests().size(), 1u);
    const auto task = api.pendingRequests().front()->task();
    ASSERT_TRUE(task);
    platform::UrlTaskResult offline;
    offline.error = platform::UrlError(platform::UrlErrorCode::NotConnectedToInternet);
    api.transferDidComplete(*task, offline);
    task->cancel();
    ASSERT_EQ(api.loginStatus(), ZVApi::LoginStatusSignedOut);
    ASSERT_EQ(api.loginError()->code(), ZVLoginViewController::kNoConnectionCode);

    wait(ZVLoginViewController::kLoginErrorDelay - 0.01);
    EXPECT_FALSE(takeAlert());
    wait(0.01);
    EXPECT_EQ(takeAlert(),
              (ShownAlert{u"Login failed"_s,
                          u"You need to be connected to the Internet to sign in to Zelvo."_s}));
    settle();
    EXPECT_EQ(pages(), (QStringList{kWelcome, kSignIn}));
    EXPECT_TRUE(screen().password()->textField()->isEnabled());
}

// The reset's success takes the progress page away with the reset page: the next request must still
// show its own progress page, and its failure take only that one away.
TEST_F(LoginScreenTest, AfterAResetTheNextSignInShowsProgressAndPopsOnlyIt) {
    account(u"ann@example.com"_s);
    start();
    screen().signIn();
    screen().shouldOpenURL(u"forgot"_s);
    type(screen().forgotEmail(), u"ann@example.com"_s);
    tap(page()->actionButton());
    EXPECT_EQ(pages(), (QStringList{kWelcome, kSignIn, kReset, kProgress}));
    ASSERT_TRUE(waitForAnswers(u"account/reset_password"_s));
    EXPECT_EQ(pages(), (QStringList{kWelcome, kSignIn, kReset}));
    EXPECT_FALSE(screen().showingProgress());
    EXPECT_TRUE(describe(*page()).startsWith(kReset));
    EXPECT_FALSE(takeAlert());

    screen().shouldOpenURL(u"back"_s);
    settle();
    EXPECT_EQ(pages(), (QStringList{kWelcome, kSignIn}));
    type(screen().email(), u"ann@example.com"_s);
    type(screen().password(), u"wrong"_s);
    tap(page()->actionButton());
    EXPECT_EQ(pages(), (QStringList{kWelcome, kSignIn, kProgress}));
    ASSERT_TRUE(waitForAnswers(u"account/login"_s));
    EXPECT_EQ(takeAlert(), (ShownAlert{u"Login failed"_s, u"Incorrect password"_s}));
    EXPECT_EQ(pages(), (QStringList{kWelcome, kSignIn}));
}

TEST_F(LoginScreenTest, NarrowScreensLeaveTitlesOutAndNameTheProfileShortly) {
    struct Case {
        qreal width;
        // Title, tagline when wide, two fields, the button and the link.
        std::size_t signInParts;
        bool codeTitle;
        QString profileTitle;
    };
    for (const Case& c : {Case{320, 5, false, u"Your profile"_s}, Case{321, 5, false, kProfile},
                          Case{322, 6, true, kProfile}}) {
        SCOPED_TRACE(c.width);
        window->setRootViewController(nullptr);
        window =
            platform::Window::make({platform::DeviceProfile::Idiom::Phone, {c.width, 568}, 2, 20});
        ZVAlertViewManager::alertViewManager().setKeyWindow(window);
        start();
        screen().signIn();
        EXPECT_EQ(page()->parts().size(), c.signInParts);
        screen().proceedToCode();
        EXPECT_EQ(describe(*page()) == kCode, c.codeTitle);
        screen().showProfileWithNotificationId(u"n"_s, u"s"_s);
        EXPECT_EQ(describe(*page()), c.profileTitle);
    }
}

}  // namespace
}  // namespace signintest
