#include "tests/app/ShellTestSupport.h"

#include "platform/foundation/Application.h"
#include "platform/ui/controllers/SplitViewController.h"
#include "platform/ui/controllers/ViewController.h"
#include "platform/ui/controllers/navigation/NavigationController.h"
#include "platform/ui/controllers/navigation/NavigationItem.h"
#include "platform/ui/view/Window.h"
#include "toolkit/screens/ZVScreenCoordinator.h"

using namespace Qt::StringLiterals;
using Mode = platform::SplitViewController::DisplayMode;

namespace shelltest {
namespace {

class ZVGlobalsTabletTest : public ShellTest {};

TEST_F(ZVGlobalsTabletTest, BothSidesShowInASplitViewThatFollowsTheOpenConversation) {
    platform::Application::shared().setUserInterfaceIdiom(platform::UserInterfaceIdiom::Pad);
    launch();
    EXPECT_EQ(ZVApi::applicationId(), u"ZelvoIPad"_s);
    const auto anna = signIn(kAnna);
    ASSERT_TRUE(anna);
    ASSERT_TRUE(waitForStreamEnd(anna));

    const auto split = globals().splitViewController();
    ASSERT_TRUE(split);
    EXPECT_EQ(globals().window()->rootViewController(), split);
    const auto left = globals().leftNavigationController();
    const auto right = globals().rightNavigationController();
    ASSERT_NE(left, right);
    EXPECT_EQ(split->viewControllers(),
              (std::vector<std::shared_ptr<platform::ViewController>>{left, right}));
    EXPECT_DOUBLE_EQ(split->preferredPrimaryColumnWidthFraction(), 0.3);
    EXPECT_DOUBLE_EQ(split->minimumPrimaryColumnWidth(), 320);
    EXPECT_DOUBLE_EQ(split->maximumPrimaryColumnWidth(), 400);
    EXPECT_EQ(ZVScreenCoordinator::shared().displayModeButtonItem(),
              split->displayModeButtonItem());
    globals().window()->layoutIfNeeded();

    // In portrait: both columns until a conversation opens, then the inbox column may hide.
    scheduler().advance(ZVGlobals::kSplitViewSetUpDelay);
    EXPECT_EQ(split->preferredDisplayMode(), Mode::AllVisible);
    const QString conversation = emulator.addConversation(u"plans"_s, {account(kAnna)});
    emulator.appendEvent(account(kAnna), *emulator.conversationRecord(conversation));
    ASSERT_TRUE(waitForStreamEnd(anna));
    globals().setConversationId(conversation);
    scheduler().advance(ZVGlobals::kSplitViewDelay);
    EXPECT_EQ(split->preferredDisplayMode(), Mode::Automatic);

    // Screens shown on the conversation side carry the display-mode button.
    auto page = std::make_shared<platform::ViewController>();
    right->pushViewController(page, false);
    EXPECT_EQ(page->navigationItem().leftBarButtonItem(), split->displayModeButtonItem());

    globals().setConversationId(std::nullopt, false);
    EXPECT_EQ(right->viewControllers().size(), 1u);
    scheduler().advance(ZVGlobals::kSplitViewDelay);
    EXPECT_EQ(split->preferredDisplayMode(), Mode::AllVisible);

    anna->endSession(ZVApiSession::EndReason::Logout);
    ASSERT_TRUE(scheduler().runUntil([&] { return !globals().isLoggedIn(); }));
    EXPECT_FALSE(globals().splitViewController());
}

}  // namespace
}  // namespace shelltest
