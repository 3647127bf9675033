#include "tests/app/ShellTestSupport.h"

#include "platform/ui/controllers/ViewController.h"
#include "platform/ui/controllers/navigation/NavigationController.h"
#include "platform/ui/view/Window.h"
#include "toolkit/screens/ZVScreenCoordinator.h"

using namespace Qt::StringLiterals;
using platform::TouchPhase;

namespace shelltest {
namespace {

// Longer than any navigation animation.
constexpr double kAnimationsDone = 1.0;

class ZVGlobalsConversationTest : public ShellTest {
protected:
    void SetUp() override {
        ShellTest::SetUp();
        launch();
        session = signIn(kAnna);
        ASSERT_TRUE(session);
        ASSERT_TRUE(waitForStreamEnd(session));
        for (const QString& topic : {u"first"_s, u"second"_s, u"third"_s}) {
            const QString id = emulator.addConversation(topic, {account(kAnna)});
            emulator.appendEvent(account(kAnna), *emulator.conversationRecord(id));
            conversations << id;
        }
        ASSERT_TRUE(waitForStreamEnd(session));
        navigation = globals().rightNavigationController();
        ASSERT_TRUE(navigation);
        globals().window()->layoutIfNeeded();
    }

    void push(bool animated) {
        navigation->pushViewController(std::make_shared<platform::ViewController>(), animated);
    }
    // Moves the clock in small steps until the running transition has ended.
    void finishTransition() {
        constexpr double kStep = 0.01;
        for (double t = 0; t < kAnimationsDone && globals().pageIsAppearing(); t += kStep) {
            scheduler().advance(kStep);
        }
        ASSERT_FALSE(globals().pageIsAppearing());
    }
    QStringList opened() const {
        QStringList ids;
        for (const ZVOpenRequest& request : pagesOpened) {
            ids << request.conversationId;
        }
        return ids;
    }

    std::shared_ptr<ZVRepositorySession> session;
    QStringList conversations;
    std::shared_ptr<platform::NavigationController> navigation;
};

TEST_F(ZVGlobalsConversationTest, OpensDuringAnAnimationWaitAndTheLastRequestRunsWhole) {
    push(true);
    ASSERT_TRUE(globals().pageIsAppearing());
    globals().setConversationId(ZVOpenRequest{conversations[0], {}, {}}, true);
    const ZVOpenRequest last{conversations[1], 2, 7};
    globals().setConversationId(last, true);
    EXPECT_TRUE(pagesOpened.empty());

    finishTransition();
    EXPECT_TRUE(pagesOpened.empty()) << "runs 0.1 s after the animation";
    scheduler().advance(ZVGlobals::kDeferredChangeDelay);
    ASSERT_EQ(pagesOpened.size(), 1u);
    EXPECT_EQ(pagesOpened[0], last);
    EXPECT_EQ(globals().conversationId(), conversations[1]);

    // Unknown ids open nothing; another conversation replaces the pages.
    globals().setConversationId(u"no-such-conversation"_s);
    EXPECT_EQ(globals().conversationId(), conversations[1]);
    globals().setConversationId(conversations[2]);
    EXPECT_EQ(opened(), (QStringList{conversations[1], conversations[2]}));
    EXPECT_EQ(pagesReset, 1);
}

TEST_F(ZVGlobalsConversationTest, GoingBackToTheFirstScreenClosesAfterTheAnimation) {
    globals().setConversationId(conversations[0]);
    push(false);
    int announcements = 0;
    const auto watch = globals().observe(QString(ZVGlobals::kConversationIdKey),
                                         [&](const QString&) { ++announcements; });
    navigation->popViewControllerAnimated(true);
    EXPECT_EQ(globals().conversationId(), conversations[0]);
    finishTransition();
    EXPECT_EQ(globals().conversationId(), conversations[0]);
    scheduler().advance(ZVGlobals::kDeferredChangeDelay);
    EXPECT_EQ(globals().conversationId(), u""_s);
    EXPECT_EQ(announcements, 1);

    // Back to the inbox without an announcement.
    globals().setConversationId(conversations[1]);
    announcements = 0;
    globals().navigateToInbox();
    EXPECT_EQ(globals().conversationId(), u""_s);
    EXPECT_EQ(announcements, 0);
}

TEST_F(ZVGlobalsConversationTest, ACancelledPopKeepsTheConversationAndRunsWhatWasAskedMeanwhile) {
    const auto window = globals().window();
    const auto drag = [&](bool askMeanwhile) {
        push(false);
        window->sendTouch(1, TouchPhase::Began, {5, 300});
        window->sendTouch(1, TouchPhase::Moved, {40, 300});
        scheduler().advance(0.05);
        window->sendTouch(1, TouchPhase::Moved, {125, 300});
        ASSERT_TRUE(globals().pageIsAppearing());
        ASSERT_TRUE(navigation->isTransitioning());
        if (askMeanwhile) {
            globals().setConversationId(ZVOpenRequest{conversations[2], {}, 4}, true);
        }
        scheduler().advance(0.5);
        // Held still and let go: called off.
        window->sendTouch(1, TouchPhase::Ended, {125, 300});
        scheduler().advance(kAnimationsDone);
        EXPECT_FALSE(globals().pageIsAppearing());
    };

    globals().setConversationId(conversations[0]);
    drag(false);
    scheduler().advance(ZVGlobals::kDeferredChangeDelay);
    EXPECT_EQ(globals().conversationId(), conversations[0]);
    EXPECT_EQ(navigation->viewControllers().size(), 2u);

    drag(true);
    scheduler().advance(ZVGlobals::kDeferredChangeDelay);
    EXPECT_EQ(globals().conversationId(), conversations[2]);
    ASSERT_FALSE(pagesOpened.empty());
    EXPECT_EQ(pagesOpened.back().messageNr, 4);
}

TEST_F(ZVGlobalsConversationTest, TheSharedScreensReachTheCoordinator) {
    ZVScreenCoordinator& seen = ZVScreenCoordinator::shared();
    EXPECT_EQ(seen.window(), globals().window());
    EXPECT_EQ(seen.leftNavigationController(), globals().leftNavigationController());
    EXPECT_EQ(seen.rightNavigationController(), globals().rightNavigationController());
    seen.setConversationId(conversations[0], false);
    EXPECT_EQ(globals().conversationId(), conversations[0]);
    EXPECT_EQ(seen.conversationId(), conversations[0]);
    seen.setConversationId(QString(), false);
    EXPECT_EQ(globals().conversationId(), u""_s);

    // Gone with the coordinator.
    quit();
    EXPECT_FALSE(ZVScreenCoordinator::shared().window());
}

TEST_F(ZVGlobalsConversationTest, PagesThatCannotBeMadeLeaveNothingOpen) {
    ZVAppServices::shared().makeConversationPages = nullptr;
    testing::internal::CaptureStderr();
    globals().setConversationId(conversations[0]);
    const std::string log = testing::internal::GetCapturedStderr();
    EXPECT_EQ(globals().conversationId(), u""_s);
    EXPECT_NE(log.find("Failed to initialize pages"), std::string::npos) << log;
}

}  // namespace
}  // namespace shelltest
