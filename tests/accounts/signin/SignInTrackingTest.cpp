#include "ZelvoKit/ZelvoApi/api/ZVApi.h"
#include "ZelvoKit/support/tracking/ZVEventTracker.h"
#include "accounts/pages/ZVBorderedTextField.h"
#include "accounts/signin/ZVLoginViewController.h"
#include "accounts/signin/ZVPreLoginNavigationController.h"
#include "platform/ui/controls/Button.h"
#include "platform/ui/controls/TextField.h"
#include "platform/ui/standins/FakeWebPage.h"
#include "platform/ui/standins/WebPage.h"
#include "platform/ui/view/Window.h"
#include "tests/Analytics/Library/AnalyticsFixture.h"
#include "tests/support/RefusingPort.h"

using namespace Qt::StringLiterals;

namespace {

// The dispatcher's own period, and a second more.
constexpr double kDispatchInterval = 121;

// The sign-in screen's usage reports, as the collection service receives them; the service's own
// address refuses every call.
class SignInTrackingTest : public AnalyticsTest {
protected:
    void SetUp() override {
        AnalyticsTest::SetUp();
        // Earlier screens of this program made an analytics instance whose timers are gone.
        ZA::resetSharedInstance();
        ZVEventTracker::reset();
        ZVApi::api().setCustomBaseURL(refused_.baseUrl());
        platform::WebPage::setFactory([] { return std::make_shared<platform::FakeWebPage>(); });
    }
    void TearDown() override {
        window_->setRootViewController(nullptr);
        navigation_.reset();
        platform::WebPage::setFactory({});
        ZVApi::resetSharedApi();
        ZVEventTracker::reset();
        AnalyticsTest::TearDown();
    }

    zvtest::RefusingPort refused_;
    std::shared_ptr<platform::Window> window_ = platform::Window::make();
    std::shared_ptr<ZVPreLoginNavigationController> navigation_;
};

TEST_F(SignInTrackingTest, EveryAppearanceAndEveryButtonIsReportedUnderTheSignInScreen) {
    navigation_ = ZVPreLoginNavigationController::create();
    window_->setRootViewController(navigation_);
    advance(1.0);
    auto& screen = *navigation_->loginViewController();
    screen.loginWithMicrosoftClicked();
    advance(1.0);
    navigation_->setPage(ZVPreLoginNavigationController::PageLogin);
    advance(1.0);
    screen.signIn();
    screen.email()->textField()->setText(u"ann@example.com"_s);
    screen.password()->textField()->setText(u"secret"_s);
    screen.signInClicked();
    screen.shouldOpenURL(u"forgot"_s);
    screen.forgotEmail()->textField()->setText(u"ann@example.com"_s);
    screen.resetClicked();
    // Hits that came too close together wait for the next dispatch.
    advanceAnsweringDispatches(kDispatchInterval);

    ASSERT_TRUE(waitFor([&] { return collector_.hits().size() >= 5; }));
    advance(1.0);
    const auto hits = collector_.hits();
    ASSERT_EQ(hits.size(), 5);
    struct Expected {
        const char* type;
        const char* action;
    };
    const Expected expected[] = {{"screenview", nullptr},
                                 {"event", "Sign in with microsoft"},
                                 {"screenview", nullptr},
                                 {"event", "Sign in button"},
                                 {"event", "Forgot password button"}};
    for (int i = 0; i < 5; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(hits[i].value("t"), expected[i].type);
        EXPECT_EQ(hits[i].value("cd"), "Sign in screen");
        if (expected[i].action) {
            EXPECT_EQ(hits[i].value("ec"), "Sign in screen");
            EXPECT_EQ(hits[i].value("ea"), expected[i].action);
            EXPECT_EQ(hits[i].value("el"), "OK");
        }
    }
}

}  // namespace
