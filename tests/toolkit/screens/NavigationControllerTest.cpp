#include "ZelvoKit/support/log/ZVErrorLog.h"
#include "platform/ui/view/Window.h"
#include "tests/toolkit/screens/ScreenStage.h"
#include "toolkit/alerts/ZVAlertView.h"
#include "toolkit/alerts/ZVAlertViewManager.h"
#include "toolkit/screens/ZVNavigationController.h"

#include <QtCore/QFile>
#include <QtCore/QRegularExpression>

#include <gtest/gtest.h>

namespace {

// Ends the wait as the coordinator does, when the stack reports a screen shown.
class EndingDelegate : public platform::NavigationControllerDelegate {
public:
    int shown = 0;
    int cancelled = 0;
    void didShowViewController(platform::NavigationController& navigation,
                               platform::ViewController&, bool) override {
        ++shown;
        static_cast<ZVNavigationController&>(navigation).notifyAnimationEnded();
    }
    void didCancelShowViewController(platform::NavigationController&,
                                     platform::ViewController&) override {
        ++cancelled;
    }
};

std::shared_ptr<platform::ViewController> screen(const QString& title) {
    auto c = platform::ViewController::make();
    c->setTitle(title);
    return c;
}

// A window showing a logged stack over "A".
struct LoggedStack {
    std::shared_ptr<platform::Window> window = platform::Window::make();
    std::shared_ptr<platform::ViewController> a = screen("A");
    std::shared_ptr<ZVNavigationController> navigation =
        std::make_shared<ZVNavigationController>(a);
    std::shared_ptr<EndingDelegate> delegate = std::make_shared<EndingDelegate>();

    LoggedStack() {
        navigation->setDelegate(delegate);
        window->setRootViewController(navigation);
        window->layoutIfNeeded();
        settle();
    }
    static void settle() { platform::Scheduler::main().advance(1); }

    // The log's messages from `from` on, without their dates.
    static QStringList messages(qsizetype from = 0) {
        QFile file(ZVErrorLog::errorLog().logFilePath());
        if (!file.open(QIODevice::ReadOnly)) {
            return {};
        }
        QStringList lines = QString::fromUtf8(file.readAll()).split('\n', Qt::SkipEmptyParts);
        static const QRegularExpression date(QStringLiteral(R"(^.*?[+-]\d{4} )"));
        for (QString& line : lines) {
            line.remove(date);
        }
        return lines.mid(from);
    }
};

}  // namespace

TEST(ZVNavigationControllerTest, EveryStackChangeIsLoggedAfterTheStack) {
    LoggedStack s;
    const auto b = screen("B");
    const auto c = screen("C");
    const qsizetype start = LoggedStack::messages().size();
    s.navigation->pushViewController(b, true);
    s.settle();
    s.navigation->pushViewController(c, false);
    s.navigation->popToViewController(b.get(), false);
    s.navigation->popViewControllerAnimated(true);
    s.settle();
    s.navigation->setViewControllers({s.a, b}, false);
    s.navigation->popToRootViewControllerAnimated(false);
    const QString vc = QStringLiteral("platform::ViewController: ");
    EXPECT_EQ(
        LoggedStack::messages(start),
        (QStringList{
            "ViewControllers = " + vc + "A", "PushViewController: <" + vc + "B> animated = YES",
            "NotifyAnimationEnded", "ViewControllers = " + vc + "A " + vc + "B",
            "PushViewController: <" + vc + "C> animated = NO", "NotifyAnimationEnded",
            "ViewControllers = " + vc + "A " + vc + "B " + vc + "C",
            "PopToViewController: <" + vc + "B> animated = NO", "NotifyAnimationEnded",
            "ViewControllers = " + vc + "A " + vc + "B", "PopViewController: animated = YES",
            "NotifyAnimationEnded", "ViewControllers = " + vc + "A",
            "SetViewControllers: [" + vc + "A " + vc + "B] animated = NO", "NotifyAnimationEnded",
            "ViewControllers = " + vc + "A " + vc + "B", "PopToRootViewController: animated = NO",
            "NotifyAnimationEnded"}));
}

// `animating` runs from an animated change to the end the delegate reports, and only when the
// change started a transition: the coordinator waits for it before opening a conversation.
TEST(ZVNavigationControllerTest, AnimatingOnlyWhileAnAnimatedTransitionRuns) {
    enum Op { PushAnimated, Push, PopAnimated, PopAtRootAnimated, PopToTopAnimated, SetSame };
    const struct {
        Op op;
        bool animating;
    } cases[] = {
        {PushAnimated, true},      {Push, false},
        {PopAnimated, true},       {PopAtRootAnimated, false},
        {PopToTopAnimated, false}, {SetSame, false},
    };
    for (const auto& c : cases) {
        LoggedStack s;
        if (c.op == PopAnimated || c.op == PopToTopAnimated) {
            s.navigation->pushViewController(screen("B"), false);
        }
        const int shownBefore = s.delegate->shown;
        switch (c.op) {
            case PushAnimated:
                s.navigation->pushViewController(screen("B"), true);
                break;
            case Push:
                s.navigation->pushViewController(screen("B"), false);
                break;
            case PopAnimated:
            case PopAtRootAnimated:
                s.navigation->popViewControllerAnimated(true);
                break;
            case PopToTopAnimated:
                s.navigation->popToViewController(s.navigation->topViewController(), true);
                break;
            case SetSame:
                s.navigation->setViewControllers(s.navigation->viewControllers(), true);
                break;
        }
        EXPECT_EQ(s.navigation->animating(), c.animating) << c.op;
        s.settle();
        EXPECT_FALSE(s.navigation->animating()) << c.op;
        EXPECT_EQ(s.delegate->shown > shownBefore, c.animating || c.op == Push) << c.op;
    }
}

// An edge pan pops as an animated pop does; let go too early it shows nothing new, so no end
// arrives from the delegate and the flag drops by itself.
TEST(ZVNavigationControllerTest, InteractivePopAnimatesAndACancelledOneEndsTheWait) {
    for (const bool complete : {false, true}) {
        LoggedStack s;
        s.navigation->pushViewController(screen("B"), false);
        s.settle();
        const int shownBefore = s.delegate->shown;
        const qsizetype start = LoggedStack::messages().size();
        const QPointF from(5, 300);
        const qreal distance = complete ? 300 : 40;
        s.window->sendTouch(1, platform::TouchPhase::Began, from);
        for (int i = 1; i <= 4; ++i) {
            platform::Scheduler::main().advance(0.2);
            s.window->sendTouch(1, platform::TouchPhase::Moved,
                                from + QPointF(distance * i / 4, 0));
        }
        EXPECT_TRUE(s.navigation->animating());
        platform::Scheduler::main().advance(0.2);
        s.window->sendTouch(1, platform::TouchPhase::Ended, from + QPointF(distance, 0));
        s.settle();
        EXPECT_FALSE(s.navigation->animating()) << complete;
        EXPECT_EQ(s.navigation->viewControllers().size(), complete ? 1u : 2u);
        EXPECT_EQ(s.delegate->shown - shownBefore, complete ? 1 : 0);
        EXPECT_EQ(s.delegate->cancelled, complete ? 0 : 1);
        EXPECT_TRUE(LoggedStack::messages(start).contains("PopViewController: animated = YES"));
    }
}

// The window asks the stack, so the top screen's upright lock under an alert must come through.
TEST(ZVNavigationControllerTest, OrientationsAreTheTopScreens) {
    ScreenStage stage;
    auto navigation = std::make_shared<ZVNavigationController>(std::make_shared<TestScreen>());
    stage.window().setRootViewController(navigation);
    stage.settle();
    ZVAlertViewManager::alertViewManager().setKeyWindow(stage.coordinator->shownWindow);
    ZVAlertView::showMessage("Message", "Title");
    stage.settle();
    EXPECT_EQ(navigation->supportedInterfaceOrientations(),
              platform::InterfaceOrientationMask::Portrait);
    ZVAlertViewManager::alertViewManager().dismissAlert();
    stage.settle();
}
