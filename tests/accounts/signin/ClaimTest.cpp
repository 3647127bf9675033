#include "ZelvoKit/ZelvoApi/account/ZVUserProfile.h"
#include "ZelvoKit/model/ZVRepositorySession.h"
#include "accounts/pages/ZVBorderedTextField.h"
#include "accounts/signin/claim/ZVClaimIdViewController.h"
#include "accounts/signin/claim/ZVClaimView.h"
#include "platform/foundation/Application.h"
#include "platform/ui/controllers/navigation/NavigationController.h"
#include "platform/ui/controls/Button.h"
#include "platform/ui/controls/ImageView.h"
#include "platform/ui/controls/TextField.h"
#include "platform/ui/view/Window.h"
#include "tests/ZelvoKit/model/RepositoryTestSupport.h"
#include "toolkit/alerts/ZVAlertView.h"
#include "toolkit/alerts/ZVAlertViewManager.h"
#include "toolkit/richtext/ZVRichText.h"
#include "toolkit/richtext/ZVRichTextLayout.h"

using namespace Qt::StringLiterals;

namespace {

// The claim screen of a signed-in account without a username, pushed in a phone's window.
class ClaimTest : public modeltest::RepositoryTest {
protected:
    void SetUp() override {
        RepositoryTest::SetUp();
        ZVAlertViewManager::alertViewManager().setKeyWindow(window);
    }
    void TearDown() override {
        ZVAlertViewManager::alertViewManager().setCurrentAlertView(nullptr);
        window->setRootViewController(nullptr);
        RepositoryTest::TearDown();
    }
    void open(const std::shared_ptr<ZVRepositorySession>& session) {
        screen = ZVClaimIdViewController::create(session);
        navigation = std::make_shared<platform::NavigationController>(
            std::make_shared<platform::ViewController>());
        window->setRootViewController(navigation);
        navigation->pushViewController(screen, false);
        scheduler().advance(1);
    }
    QString field() const { return screen->claimView()->idField()->textField()->text(); }
    static std::shared_ptr<ZVAlertView> alert() {
        return ZVAlertViewManager::alertViewManager().currentAlertView();
    }

    std::shared_ptr<platform::Window> window = platform::Window::make();
    std::shared_ptr<platform::NavigationController> navigation;
    std::shared_ptr<ZVClaimIdViewController> screen;
};

TEST_F(ClaimTest, TheSuggestionFillsTheFieldUntilTheScreenFirstGoes) {
    const auto session = signIn(u"dora@example.com"_s);
    open(session);
    const auto view = screen->claimView();
    EXPECT_EQ(view->title(), u"Claim your username"_s);
    EXPECT_EQ(screen->title(), u"Claim your username"_s);
    EXPECT_EQ(view->idField()->infoText(), u"@127.0.0.1"_s);
    EXPECT_TRUE(view->claimButton()->isEnabled()) << "nothing checks it before an edit";
    // The suggestion arrives after the user typed: it wins.
    view->idField()->textField()->setText(u"typed"_s);
    ASSERT_TRUE(scheduler().runUntil([&] { return field() == u"dora"_s; }));
    EXPECT_EQ(emulator.requestCount(u"zelvo_address/suggest"_s), 1);
    EXPECT_TRUE(screen->observesSuggestions());

    navigation->pushViewController(std::make_shared<platform::ViewController>(), false);
    scheduler().advance(1);
    EXPECT_FALSE(screen->observesSuggestions());
    navigation->popViewControllerAnimated(false);
    scheduler().advance(1);
    EXPECT_FALSE(screen->observesSuggestions()) << "not resumed";
}

TEST_F(ClaimTest, ATakenNameIsRefusedAndAFreeOneConfirmedOnceWhateverTheTaps) {
    signIn(u"eve@example.com"_s);
    const auto session = signIn(u"dora@example.com"_s);
    emulator.updateAccount(accountId(u"eve@example.com"_s),
                           [](zvemu::Account& eve) { eve.zelvoAddress = u"taken"_s; });
    open(session);
    ASSERT_TRUE(scheduler().runUntil([&] { return field() == u"dora"_s; }));
    const auto view = screen->claimView();
    view->idField()->textField()->setText(u"taken"_s);
    view->claimButton()->sendActionsForEvents(platform::Control::TouchUpInside);
    EXPECT_FALSE(view->claimButton()->isEnabled());
    view->claimButton()->sendActionsForEvents(platform::Control::TouchUpInside);
    ASSERT_TRUE(scheduler().runUntil([&] { return view->claimButton()->isEnabled(); }));
    EXPECT_EQ(emulator.requestCount(u"zelvo_address/add"_s), 1) << "one claim for two taps";
    ASSERT_TRUE(alert());
    EXPECT_EQ(alert()->title(), u"Failed to claim Username"_s);
    EXPECT_EQ(alert()->message(), u"Sorry, this username is not available"_s);
    EXPECT_TRUE(view->claimButton()->isEnabled());
    ZVAlertViewManager::alertViewManager().setCurrentAlertView(nullptr);

    view->idField()->textField()->setText(u"dora.k"_s);
    view->claimButton()->sendActionsForEvents(platform::Control::TouchUpInside);
    ASSERT_TRUE(scheduler().runUntil([&] { return screen->secondaryPage() != nullptr; }));
    scheduler().advance(1);
    EXPECT_EQ(emulator.lastRequest(u"zelvo_address/add"_s)->body.value(u"zelvo_address"_s),
              u"dora.k"_s);
    EXPECT_FALSE(alert());
    const auto confirmation = screen->secondaryPage();
    ASSERT_TRUE(confirmation);
    EXPECT_EQ(confirmation->title(), u"Claim your username"_s);
    const auto message = std::dynamic_pointer_cast<ZVRichText>(confirmation->parts().at(1));
    ASSERT_TRUE(message);
    EXPECT_EQ(message->attributedText().string(),
              u"Hooray!\n\nYour Username is dora.k\n\nOthers can reach you now with it\nin Zelvo "
              u"and via-email."_s);
    const auto done = confirmation->actionButton();
    EXPECT_EQ(done->currentTitle(), u"GOT IT"_s);
    done->sendActionsForEvents(platform::Control::TouchUpInside);
    scheduler().advance(1);
    EXPECT_EQ(navigation->viewControllers().size(), 1u);
}

TEST_F(ClaimTest, ASmallScreenLeavesTheLogoOutAndStartsTheMessageWithAnEmptyLine) {
    const auto session = signIn(u"dora@example.com"_s);
    for (const qreal height : {568.0, 667.0}) {
        SCOPED_TRACE(height);
        platform::Application::shared().setScreenSize(QSizeF(320, height));
        open(session);
        const auto parts = screen->claimView()->parts();
        const bool small = height < ZVClaimView::kSmallScreenHeight;
        EXPECT_EQ(std::dynamic_pointer_cast<platform::ImageView>(parts.front()) != nullptr, !small);
        const auto message = std::dynamic_pointer_cast<ZVRichText>(parts.at(small ? 0 : 1));
        ASSERT_TRUE(message);
        EXPECT_EQ(message->attributedText().string().startsWith(u"\nWelcome!"_s), small);
        EXPECT_TRUE(message->attributedText().string().contains(u"Please choose your username"_s));
    }
}

// The page is built before it has a width: placed in the window, the message is measured again,
// whole, and the field and the button sit under it on the screen.
TEST_F(ClaimTest, TheFieldAndTheButtonSitUnderTheWholeMessageOnScreen) {
    open(signIn(u"dora@example.com"_s));
    const auto view = screen->claimView();
    const auto message = std::dynamic_pointer_cast<ZVRichText>(view->subviews()[2]);
    ASSERT_TRUE(message);
    const qreal screenHeight = window->bounds().height();
    const QRectF text = message->convertRectTo(message->bounds(), nullptr);
    const QRectF field = view->idField()->convertRectTo(view->idField()->bounds(), nullptr);
    const QRectF button =
        view->claimButton()->convertRectTo(view->claimButton()->bounds(), nullptr);
    EXPECT_GE(text.height(),
              ZVRichTextLayout::heightForText(message->attributedText(), text.width()))
        << "no line of the message is cut";
    EXPECT_GE(field.top(), text.bottom());
    EXPECT_GT(button.top(), field.bottom());
    EXPECT_LT(button.bottom(), screenHeight);
}

}  // namespace
