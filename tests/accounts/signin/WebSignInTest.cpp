#include "ZelvoKit/ZelvoApi/account/ZVUserCredentials.h"
#include "ZelvoKit/ZelvoApi/api/ZVApi.h"
#include "ZelvoKit/support/log/ZVErrorLog.h"
#include "accounts/signin/ZVGoogleLoginViewController.h"
#include "accounts/signin/ZVMicrosoftLoginViewController.h"
#include "platform/foundation/Scheduler.h"
#include "platform/ui/controllers/navigation/NavigationController.h"
#include "platform/ui/standins/CookieStorage.h"
#include "platform/ui/standins/FakeWebPage.h"
#include "platform/ui/view/Window.h"
#include "tests/emulator/ServiceEmulator.h"

#include <QtCore/QFile>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

constexpr int kSignInPageTimeoutMs = 30000;
const QString kPassword = u"secret"_s;

// The sign-in screen pushed on a navigation in a window, against the loopback service.
class WebSignInTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(emulator.start());
        emulator.setPollHoldLimit(std::chrono::milliseconds(20000));
        ZVApi::api().setCustomBaseURL(emulator.baseUrl());
        platform::CookieStorage::setShared(cookies);
        window->setRootViewController(navigation);
        ZVErrorLog::errorLog().deleteLogFile();
    }
    void TearDown() override {
        window->setRootViewController(nullptr);
        ZVApi::resetSharedApi();
        emulator.stop();
    }

    static bool waitFor(const std::function<bool()>& done) {
        return platform::Scheduler::main().runUntil(done, kSignInPageTimeoutMs);
    }
    template <typename Screen = ZVGoogleLoginViewController>
    std::shared_ptr<Screen> open() {
        auto screen = std::make_shared<Screen>();
        screen->setOnLoginFailure([this](const ZVErrorPtr& error) { failures.push_back(error); });
        navigation->pushViewController(screen, false);
        platform::Scheduler::main().advance(1);
        return screen;
    }
    QString account(const QString& email) {
        if (const auto existing = emulator.account(email)) {
            return existing->accountId;
        }
        return emulator.addAccount(email, kPassword, email.section(u'@', 0, 0)).accountId;
    }
    bool isOnTop(const std::shared_ptr<platform::ViewController>& screen) const {
        return navigation->viewControllers().back() == screen;
    }
    static QString errorLog() {
        ZVErrorLog::errorLog().flush();
        QFile file(ZVErrorLog::errorLog().logFilePath());
        return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
    }
    static int sessionCount() { return int(ZVApi::api().sessions().size()); }

    zvemu::ServiceEmulator emulator;
    std::shared_ptr<platform::CookieStorage> cookies = std::make_shared<platform::CookieStorage>();
    std::shared_ptr<platform::Window> window = platform::Window::make();
    std::shared_ptr<platform::ViewController> root = std::make_shared<platform::ViewController>();
    std::shared_ptr<platform::NavigationController> navigation =
        std::make_shared<platform::NavigationController>(root);
    std::vector<ZVErrorPtr> failures;
};

// --- in the web engine, on the emulator's pages ---

class EngineWebSignInTest : public WebSignInTest {
protected:
    QVariant evaluate(ZVGoogleLoginViewController& screen, const QString& script) {
        std::optional<QVariant> result;
        screen.webView()->evaluateScript(script, [&](const QVariant& value) { result = value; });
        EXPECT_TRUE(waitFor([&] { return result.has_value(); })) << script.toStdString();
        return result.value_or(QVariant());
    }
    // Until the screen has read the page: it hides the sign-up link first, then reads the hidden
    // input; a read of our own, answered after the screen's, proves its answer has arrived.
    void waitForInspection(ZVGoogleLoginViewController& screen) {
        ASSERT_TRUE(waitFor([&] {
            return !screen.webView()->isLoading() &&
                   evaluate(screen,
                            u"(function(){var l=document.getElementById('link-signup');"
                            u"return l && l.style.display;})()"_s)
                           .toString() == u"none"_s;
        }));
        std::optional<QString> value;
        screen.webView()->elementValue(u"inputHiddenValue"_s,
                                       [&](const QString& text) { value = text; });
        ASSERT_TRUE(waitFor([&] { return value.has_value(); }));
    }
    // The provider's step, then its form sent for `email`.
    void signInOnProviderPage(ZVGoogleLoginViewController& screen, const QString& email) {
        waitForInspection(screen);
        ASSERT_FALSE(screen.isFinished());
        evaluate(screen,
                 u"document.getElementById('email').value = '%1';"
                 u"document.getElementById('provider-form').submit();"_s.arg(email));
    }
};

TEST_F(EngineWebSignInTest, TheResultPageClosesTheScreenAndSignsInOnceWithItsCookie) {
    const QString accountId = account(u"ann@example.com"_s);
    const auto screen = open();
    ASSERT_TRUE(waitFor([&] { return emulator.requestCount(u"/authenticate/google"_s) > 0; }));
    signInOnProviderPage(*screen, u"ann@example.com"_s);

    ASSERT_TRUE(waitFor([&] { return sessionCount() == 1; }));
    EXPECT_TRUE(screen->isFinished());
    EXPECT_EQ(navigation->viewControllers().size(), 1u) << "popped to the root";
    const auto session = ZVApi::api().sessions().first();
    EXPECT_EQ(session->credentials()->uuid(), accountId);
    EXPECT_EQ(session->credentials()->email(), u"ann@example.com"_s);
    // The credentials are those the service issued with that page.
    const auto issued = emulator.account(accountId)->issued;
    ASSERT_FALSE(issued.empty());
    EXPECT_EQ(session->credentials()->ticket(), issued.back().ticket);
    EXPECT_EQ(session->credentials()->cookie(), issued.back().token);
    EXPECT_TRUE(failures.empty());

    // The engine's cookie is the storage's; emptying the storage empties the engine.
    const QUrl base(emulator.baseUrl());
    ASSERT_EQ(cookies->cookiesForUrl(base).size(), 1);
    for (const QNetworkCookie& cookie : cookies->cookies()) {
        cookies->deleteCookie(cookie);
    }
    platform::UrlRequest request;
    request.url = base.resolved(QUrl(u"authenticate/microsoft"_s));
    screen->webView()->loadRequest(request);
    ASSERT_TRUE(waitFor([&] { return emulator.requestCount(u"/authenticate/microsoft"_s) > 0; }));
    EXPECT_TRUE(emulator.lastRequest(u"/authenticate/microsoft"_s)->cookie(u"token_id").isNull());
    EXPECT_EQ(sessionCount(), 1);
}

TEST_F(EngineWebSignInTest, ResultsThatDoNotQualifyKeepThePageOrCloseItWithoutASignIn) {
    account(u"ann@example.com"_s);
    struct Case {
        const char* name;
        zvemu::ServiceEmulator::WebSignInResult result;
        bool closes;
        QString logged;
    };
    const Case cases[] = {
        {"not JSON", {u"<html>oops</html>"_s, std::nullopt}, false, u"LoginData parse: "_s},
        {"another action",
         {u"{\"action\":\"register\",\"ticket\":\"t\",\"profiles\":[{\"email\":"
          u"\"ann@example.com\",\"account_id\":\"6f1c1a52-4c1e-4c47-9d0e-2b8f6f2a9e11\"}]}"_s,
          std::nullopt},
         false,
         {}},
        {"no cookie", {std::nullopt, u""_s}, true, {}},
        {"a cookie of 35 characters", {std::nullopt, QString(35, u'a')}, true, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        for (const QNetworkCookie& cookie : cookies->cookies()) {
            cookies->deleteCookie(cookie);
        }
        emulator.setWebSignInResult(c.result);
        const auto screen = open();
        signInOnProviderPage(*screen, u"ann@example.com"_s);
        if (c.closes) {
            ASSERT_TRUE(waitFor([&] { return screen->isFinished(); }));
            EXPECT_FALSE(isOnTop(screen));
        } else {
            ASSERT_TRUE(waitFor([&] {
                return emulator.requestCount(u"/authenticate/google/result"_s) > 0 &&
                       !screen->webView()->isLoading();
            }));
            waitForInspection(*screen);
            EXPECT_FALSE(screen->isFinished());
            EXPECT_TRUE(isOnTop(screen));
            navigation->popToRootViewControllerAnimated(false);
        }
        EXPECT_EQ(sessionCount(), 0);
        EXPECT_EQ(errorLog().contains(u"LoginData parse: "_s), !c.logged.isEmpty())
            << errorLog().toStdString();
        ZVErrorLog::errorLog().deleteLogFile();
        emulator.clearRequests();
    }
}

// --- the order of the page's answers, played by a page the test drives ---

class ScriptedWebSignInTest : public WebSignInTest {
protected:
    void SetUp() override {
        WebSignInTest::SetUp();
        platform::WebPage::setFactory([this] {
            page = std::make_shared<platform::FakeWebPage>();
            return page;
        });
    }
    void TearDown() override {
        platform::WebPage::setFactory({});
        WebSignInTest::TearDown();
    }
    // The service's result page for the account: its JSON in the input, its token as a cookie.
    void showResultOf(const QString& email) {
        const QString accountId = account(email);
        const zvemu::Credentials issued = emulator.issueCredentials(accountId);
        const QJsonObject result{
            {u"action"_s, u"authenticate"_s},
            {u"ticket"_s, issued.ticket},
            {u"profiles"_s,
             QJsonArray{QJsonObject{{u"email"_s, email}, {u"account_id"_s, accountId}}}}};
        page->setElementValue(u"inputHiddenValue"_s,
                              QString::fromUtf8(QJsonDocument(result).toJson()));
        QNetworkCookie cookie("token_id", issued.token.toUtf8());
        cookie.setDomain(QUrl(emulator.baseUrl()).host());
        cookie.setPath(u"/"_s);
        cookies->setCookie(cookie);
    }
    static void deliver() { platform::Scheduler::main().runPending(); }

    std::shared_ptr<platform::FakeWebPage> page;
};

TEST_F(ScriptedWebSignInTest, ThePageOfEachProviderIsLoadedFreshUnderTheBaseUrl) {
    const auto google = open();
    ASSERT_EQ(page->loads().size(), 1u);
    EXPECT_EQ(page->loads()[0].url, QUrl(emulator.baseUrl() + u"authenticate/google"_s));
    EXPECT_EQ(page->loads()[0].cachePolicy, platform::WebCachePolicy::ReloadIgnoringLocalCacheData);
    EXPECT_EQ(page->loads()[0].request->timeoutInterval, 120);
    EXPECT_EQ(google->title(), u"Sign in with Google"_s);

    const auto microsoft = open<ZVMicrosoftLoginViewController>();
    EXPECT_EQ(page->loads()[0].url, QUrl(emulator.baseUrl() + u"authenticate/microsoft"_s));
    EXPECT_EQ(microsoft->title(), u"Sign in with Microsoft"_s);
}

TEST_F(ScriptedWebSignInTest, OnlyTheFirstQualifyingAnswerSignsInAndLateOnesReachNoOne) {
    const auto screen = open();
    showResultOf(u"ann@example.com"_s);
    // Two loads finish before the page answers either read.
    page->finishLoad();
    page->finishLoad();
    deliver();
    EXPECT_EQ(sessionCount(), 1);
    EXPECT_TRUE(screen->isFinished());
    EXPECT_TRUE(failures.empty()) << "a second sign-in of the same account would have failed";

    // A failure reported after the result is logged and changes nothing.
    page->failLoad(platform::UrlError(platform::UrlErrorCode::TimedOut));
    deliver();
    EXPECT_TRUE(errorLog().contains(u"DFLWE: "_s));
    EXPECT_EQ(sessionCount(), 1);
    EXPECT_TRUE(failures.empty());
}

TEST_F(ScriptedWebSignInTest, AFailedLoadIsReadLikeAFinishedOneButNotOnceTheUserLeft) {
    // The result page is there although its load reported a failure.
    const auto first = open();
    showResultOf(u"ann@example.com"_s);
    page->failLoad(platform::UrlError(platform::UrlErrorCode::NetworkConnectionLost));
    deliver();
    EXPECT_EQ(sessionCount(), 1);

    // The user closes the screen while its page is still being read.
    const auto second = open();
    showResultOf(u"bob@example.com"_s);
    page->finishLoad();
    navigation->popViewControllerAnimated(false);
    platform::Scheduler::main().advance(1);
    deliver();
    EXPECT_EQ(sessionCount(), 1);
    EXPECT_FALSE(second->isFinished());
}

TEST_F(ScriptedWebSignInTest, TheOpenerHearsOfASignInThatFails) {
    const auto first = open();
    showResultOf(u"ann@example.com"_s);
    page->finishLoad();
    deliver();
    ASSERT_EQ(sessionCount(), 1);

    // The same account again: the page closes, and the sign-in's failure reaches the opener.
    const auto again = open();
    showResultOf(u"ann@example.com"_s);
    page->finishLoad();
    deliver();
    EXPECT_TRUE(again->isFinished());
    EXPECT_FALSE(isOnTop(again));
    ASSERT_EQ(failures.size(), 1u);
    ASSERT_TRUE(failures[0]);
    EXPECT_EQ(failures[0]->code(), ZVError::AlreadySignedIn);

    // An account id that is no uuid never names a folder: refused before any session is made.
    const auto forged = open();
    page->setElementValue(
        u"inputHiddenValue"_s,
        u"{\"action\":\"authenticate\",\"ticket\":\"t\",\"profiles\":[{\"email\":\"x@example.com\","
        u"\"account_id\":\"../../etc\"}]}"_s);
    page->finishLoad();
    deliver();
    EXPECT_TRUE(forged->isFinished());
    ASSERT_EQ(failures.size(), 2u);
    EXPECT_EQ(failures[1]->code(), ZVError::InvalidData);
    EXPECT_EQ(sessionCount(), 1);
}

}  // namespace
