#include "platform/ui/controllers/WindowControllers.h"
#include "platform/ui/controllers/navigation/NavigationController.h"
#include "platform/ui/controls/Button.h"
#include "platform/ui/view/Window.h"
#include "tests/platform/ui/controllers/RecordingControllers.h"

#include <gtest/gtest.h>

using namespace platform;

namespace {

class RecordingNavigationDelegate : public platform::NavigationControllerDelegate {
public:
    explicit RecordingNavigationDelegate(CallLog log) : log_(std::move(log)) {}

    void willShowViewController(platform::NavigationController&, platform::ViewController& c,
                                bool animated) override {
        *log_ << QStringLiteral("delegate willShow %1%2")
                     .arg(c.title(), animated ? QStringLiteral(" animated") : QString());
    }
    void didShowViewController(platform::NavigationController&, platform::ViewController& c,
                               bool animated) override {
        *log_ << QStringLiteral("delegate didShow %1%2")
                     .arg(c.title(), animated ? QStringLiteral(" animated") : QString());
    }
    void didCancelShowViewController(platform::NavigationController&,
                                     platform::ViewController& c) override {
        *log_ << QStringLiteral("delegate didCancelShow %1").arg(c.title());
    }

private:
    CallLog log_;
};

void advance(TimeInterval seconds) {
    Scheduler::main().advance(seconds);
}

// A phone window whose root is a navigation stack over "A", with a recording delegate.
struct Stack {
    CallLog log = makeLog();
    std::shared_ptr<Window> window = Window::make();
    std::shared_ptr<RecordingController> a = recording("A", log);
    std::shared_ptr<NavigationController> navigation = std::make_shared<NavigationController>(a);
    std::shared_ptr<RecordingNavigationDelegate> delegate =
        std::make_shared<RecordingNavigationDelegate>(log);

    Stack() {
        navigation->setTitle("nav");
        navigation->setDelegate(delegate);
        window->setRootViewController(navigation);
        window->layoutIfNeeded();
        log->clear();
    }

    std::shared_ptr<RecordingController> screen(const QString& name) {
        auto c = recording(name, log);
        c->view();
        c->showContainment = false;
        log->clear();
        return c;
    }

    QStringList titles() const {
        QStringList names;
        for (const auto& c : navigation->viewControllers()) {
            names << c->title();
        }
        return names;
    }

    void drag(QPointF from, QPointF to, int steps, TimeInterval stepTime) {
        window->sendTouch(1, TouchPhase::Began, from);
        for (int i = 1; i <= steps; ++i) {
            advance(stepTime);
            window->sendTouch(1, TouchPhase::Moved, from + (to - from) * i / steps);
        }
        advance(stepTime);
        window->sendTouch(1, TouchPhase::Ended, to);
    }
};

}  // namespace

TEST(NavigationController, TheRootAppearsWithTheStackAndTheDelegateHearsOfIt) {
    const auto log = makeLog();
    auto window = Window::make();
    const auto root = recording("A", log);
    root->showAnimated = true;
    const auto navigation = std::make_shared<NavigationController>(root);
    const auto delegate = std::make_shared<RecordingNavigationDelegate>(log);
    navigation->setDelegate(delegate);
    window->setRootViewController(navigation);
    window->layoutIfNeeded();
    EXPECT_EQ(*log, (QStringList{"A willMove()", "A didMove()", "A didLoad", "delegate willShow A",
                                 "A willAppear", "A didAppear", "delegate didShow A"}));
    EXPECT_EQ(root->parentViewController(), navigation.get());
    EXPECT_EQ(root->navigationController(), navigation.get());
    // Under the bar and the status bar.
    EXPECT_EQ(navigation->navigationBar().frame(), QRectF(0, 20, 375, 44));
    EXPECT_EQ(root->view()->frame(), QRectF(0, 0, 375, 667)) << "the platform's default: under";
    root->setEdgesForExtendedLayout(ViewController::EdgeNone);
    navigation->view()->setNeedsLayout();
    navigation->view()->layoutIfNeeded();
    EXPECT_EQ(root->view()->frame(), QRectF(0, 64, 375, 603));
    navigation->setNavigationBarHidden(true, false);
    EXPECT_EQ(root->view()->frame(), QRectF(0, 0, 375, 667));
}

TEST(NavigationController, PushAndPopRunWillThenDidAroundTheAnimation) {
    Stack s;
    s.a->showContainment = false;
    const auto b = s.screen("B");
    s.navigation->pushViewController(b, true);
    EXPECT_TRUE(s.navigation->isTransitioning());
    EXPECT_EQ(s.navigation->topViewController(), b.get());
    EXPECT_EQ(*s.log,
              (QStringList{"delegate willShow B animated", "A willDisappear", "B willAppear"}));
    EXPECT_TRUE(b->isMovingToParentViewController());
    advance(NavigationController::kTransitionDuration - 0.05);
    EXPECT_EQ(s.log->size(), 3) << "nothing more until the slide ends";
    EXPECT_GT(b->view()->layer().presentationPosition().x(), b->view()->center().x());
    advance(0.1);
    EXPECT_EQ(s.log->mid(3),
              (QStringList{"A didDisappear", "B didAppear", "delegate didShow B animated"}));
    EXPECT_FALSE(b->isMovingToParentViewController());
    EXPECT_EQ(s.a->view()->window(), nullptr) << "the covered screen leaves the window";

    s.log->clear();
    bool movingDuringDisappear = false;
    const auto popped = s.navigation->popViewControllerAnimated(true);
    EXPECT_EQ(popped, b);
    movingDuringDisappear = b->isMovingFromParentViewController();
    advance(NavigationController::kTransitionDuration + 0.05);
    EXPECT_TRUE(movingDuringDisappear);
    EXPECT_EQ(*s.log,
              (QStringList{"delegate willShow A animated", "B willDisappear", "A willAppear",
                           "B didDisappear", "A didAppear", "delegate didShow A animated"}));
    EXPECT_EQ(b->parentViewController(), nullptr);
    EXPECT_EQ(b->view()->window(), nullptr);
    EXPECT_EQ(s.navigation->popViewControllerAnimated(true), nullptr) << "the root stays";
}

TEST(NavigationController, StackChangesWithoutAnimationAndTheirContainmentCalls) {
    Stack s;
    const auto b = recording("B", s.log);
    const auto c = recording("C", s.log);
    const auto d = recording("D", s.log);
    s.navigation->pushViewController(b, false);
    s.navigation->pushViewController(c, false);
    EXPECT_EQ(s.titles(), (QStringList{"A", "B", "C"}));
    s.log->clear();
    const auto popped = s.navigation->popToRootViewControllerAnimated(false);
    ASSERT_EQ(popped.size(), 2u);
    EXPECT_EQ(popped[0], b);
    EXPECT_EQ(*s.log,
              (QStringList{"B willMove(none)", "C willMove(none)", "delegate willShow A",
                           "C willDisappear", "A willAppear", "C didDisappear", "A didAppear",
                           "B didMove(none)", "C didMove(none)", "delegate didShow A"}));
    EXPECT_EQ(s.titles(), QStringList{"A"});

    // A new stack whose top is new slides in as a push; the old screens leave.
    s.log->clear();
    s.navigation->setViewControllers({b, d}, false);
    EXPECT_EQ(s.titles(), (QStringList{"B", "D"}));
    EXPECT_EQ(*s.log,
              (QStringList{"B willMove(nav)", "D willMove(nav)", "A willMove(none)",
                           "delegate willShow D", "A willDisappear", "D didLoad", "D willAppear",
                           "A didDisappear", "D didAppear", "A didMove(none)", "B didMove(nav)",
                           "D didMove(nav)", "delegate didShow D"}));
}

TEST(NavigationController, BadRequestsChangeNothing) {
    Stack s;
    const auto b = s.screen("B");
    s.navigation->pushViewController(b, false);
    s.log->clear();
    s.navigation->pushViewController(b, false);
    s.navigation->pushViewController(nullptr, false);
    const auto elsewhere = ViewController::make();
    const auto otherParent = ViewController::make();
    otherParent->addChildViewController(elsewhere);
    s.navigation->pushViewController(elsewhere, false);
    EXPECT_TRUE(s.navigation->popToViewController(ViewController::make().get(), false).empty());
    s.navigation->setViewControllers({b, b}, false);
    s.navigation->setViewControllers({b, nullptr}, false);
    EXPECT_EQ(s.titles(), (QStringList{"A", "B"}));
    EXPECT_TRUE(s.log->isEmpty());
}

TEST(NavigationController, AChangeAskedDuringASlideEndsThatSlideFirst) {
    Stack s;
    const auto b = s.screen("B");
    const auto c = s.screen("C");
    s.navigation->pushViewController(b, true);
    s.navigation->pushViewController(c, true);
    EXPECT_EQ(*s.log,
              (QStringList{"delegate willShow B animated", "A willDisappear", "B willAppear",
                           "A didDisappear", "B didAppear", "delegate didShow B animated",
                           "delegate willShow C animated", "B willDisappear", "C willAppear"}));
    advance(1);
    EXPECT_EQ(s.log->last(), "delegate didShow C animated");
    EXPECT_EQ(s.titles(), (QStringList{"A", "B", "C"}));
    EXPECT_EQ(b->view()->window(), nullptr);
    EXPECT_EQ(c->view()->frame(), s.navigation->contentFrameFor(*c));
}

TEST(NavigationController, AnEdgeDragPopsOrIsCalledOffAndTheCancelIsReported) {
    Stack s;
    s.a->showContainment = false;
    const auto b = s.screen("B");
    s.navigation->pushViewController(b, false);
    s.log->clear();
    bool cancelledSeen = false;

    // Dragged a third of the way, then held still and let go: called off.
    s.window->sendTouch(1, TouchPhase::Began, {5, 300});
    s.window->sendTouch(1, TouchPhase::Moved, {40, 300});
    ASSERT_TRUE(s.navigation->isTransitioning());
    s.navigation->transitionCoordinator()->notifyWhenInteractionEnds(
        [&](const TransitionCoordinator& c) { cancelledSeen = c.isCancelled(); });
    advance(0.05);
    s.window->sendTouch(1, TouchPhase::Moved, {125, 300});
    EXPECT_NEAR(b->view()->frame().x(), 120, 0.5) << "the top screen follows the finger";
    advance(0.5);
    s.window->sendTouch(1, TouchPhase::Ended, {125, 300});
    EXPECT_TRUE(cancelledSeen);
    advance(1);
    EXPECT_EQ(*s.log, (QStringList{"delegate willShow A animated", "B willDisappear",
                                   "A willAppear", "A willDisappear", "B willAppear",
                                   "A didDisappear", "B didAppear", "delegate didCancelShow A"}));
    EXPECT_EQ(s.titles(), (QStringList{"A", "B"}));
    EXPECT_EQ(b->view()->frame().x(), 0);
    EXPECT_EQ(s.a->view()->window(), nullptr);
    EXPECT_FALSE(b->isMovingFromParentViewController());

    // Dragged past half way: the pop completes after the finger lifts.
    s.log->clear();
    s.drag({5, 300}, {250, 300}, 5, 0.05);
    advance(1);
    EXPECT_EQ(*s.log,
              (QStringList{"delegate willShow A animated", "B willDisappear", "A willAppear",
                           "B didDisappear", "A didAppear", "delegate didShow A animated"}));
    EXPECT_EQ(s.titles(), QStringList{"A"});
    EXPECT_EQ(b->parentViewController(), nullptr);

    // A drag that starts away from the edge, or on the root, pops nothing.
    s.navigation->pushViewController(b, false);
    s.log->clear();
    s.drag({30, 300}, {300, 300}, 5, 0.05);
    advance(1);
    EXPECT_EQ(s.titles(), (QStringList{"A", "B"}));
    s.navigation->popViewControllerAnimated(false);
    s.log->clear();
    s.drag({5, 300}, {300, 300}, 5, 0.05);
    advance(1);
    EXPECT_TRUE(s.log->isEmpty());
}

TEST(NavigationController, AFlickCompletesAShortDragAndAPushCallsOffADragInProgress) {
    Stack s;
    const auto b = s.screen("B");
    s.navigation->pushViewController(b, false);
    s.drag({5, 300}, {100, 300}, 2, 0.01);
    advance(1);
    EXPECT_EQ(s.titles(), QStringList{"A"}) << "fast enough to count as a flick";

    s.navigation->pushViewController(b, false);
    s.log->clear();
    s.window->sendTouch(1, TouchPhase::Began, {5, 300});
    s.window->sendTouch(1, TouchPhase::Moved, {60, 300});
    const auto c = s.screen("C");
    s.navigation->pushViewController(c, false);
    EXPECT_TRUE(s.log->contains("delegate didCancelShow A"));
    EXPECT_EQ(s.titles(), (QStringList{"A", "B", "C"}));
    s.window->sendTouch(1, TouchPhase::Moved, {200, 300});
    s.window->sendTouch(1, TouchPhase::Ended, {200, 300});
    advance(1);
    EXPECT_EQ(s.titles(), (QStringList{"A", "B", "C"})) << "the old drag has no say any more";
}

TEST(NavigationController, TheBarShowsTheTopItemAndABackButtonNamingTheOneBelow) {
    Stack s;
    auto& bar = s.navigation->navigationBar();
    EXPECT_EQ(bar.shownTitle(), "A");
    EXPECT_EQ(bar.backButton(), nullptr);

    const auto b = s.screen("B");
    s.navigation->pushViewController(b, false);
    ASSERT_NE(bar.backButton(), nullptr);
    EXPECT_EQ(bar.backButton()->currentTitle(), "A");
    s.a->navigationItem().setBackBarButtonItem(
        BarButtonItem::withTitle("", BarButtonItem::Style::Plain, {}));
    EXPECT_EQ(bar.backButton()->currentTitle(), "") << "an empty back item leaves only the arrow";
    s.a->navigationItem().setBackBarButtonItem(nullptr);
    s.a->setTitle(QString());
    EXPECT_EQ(bar.backButton()->currentTitle(), NavigationBar::kDefaultBackTitle);

    // Right items from the right edge inwards, a fixed space shifting the next one; a custom
    // view keeps its size; left items take the back button's place.
    const auto menu = BarButtonItem::withTitle("Menu", BarButtonItem::Style::Plain, {});
    const auto space = BarButtonItem::fixedSpace(-10);
    const auto custom = BarButtonItem::withCustomView(View::make(QRectF(0, 0, 30, 20)));
    b->navigationItem().setRightBarButtonItems({space, menu, custom});
    bar.layoutIfNeeded();
    const auto frames = bar.itemFrames();
    ASSERT_EQ(frames.size(), 3u);
    EXPECT_EQ(frames[0].second.right(), 375 - NavigationBar::kEdgeMargin);
    EXPECT_EQ(frames[0].second.width(), -10);
    EXPECT_EQ(frames[1].second.right(), 375 - NavigationBar::kEdgeMargin + 10);
    EXPECT_EQ(frames[2].second.size(), QSizeF(30, 20));
    EXPECT_LT(frames[2].second.right(), frames[1].second.left());
    EXPECT_EQ(custom->customView()->superview(), &bar);
    b->navigationItem().setLeftBarButtonItem(
        BarButtonItem::withTitle("Cancel", BarButtonItem::Style::Plain, {}));
    EXPECT_EQ(bar.backButton(), nullptr);
    b->navigationItem().setLeftBarButtonItem(nullptr);
    b->navigationItem().setHidesBackButton(true);
    EXPECT_EQ(bar.backButton(), nullptr);
    b->navigationItem().setHidesBackButton(false);

    // A title view stands in for the title.
    const auto titleView = View::make(QRectF(0, 0, 100, 30));
    b->navigationItem().setTitleView(titleView);
    bar.layoutIfNeeded();
    EXPECT_EQ(titleView->superview(), &bar);
    EXPECT_EQ(titleView->frame().center().x(), 187.5);
    EXPECT_EQ(bar.shownTitle(), "");

    // Tapping an item sends its action; tapping back pops.
    int taps = 0;
    menu->setAction([&](BarButtonItem&) { ++taps; });
    const QPointF menuPoint =
        menu->shownView()->convertPointTo(menu->shownView()->bounds().center(), nullptr);
    s.window->sendTouch(1, TouchPhase::Began, menuPoint);
    s.window->sendTouch(1, TouchPhase::Ended, menuPoint);
    EXPECT_EQ(taps, 1);
    menu->setEnabled(false);
    EXPECT_FALSE(std::dynamic_pointer_cast<Control>(menu->shownView())->isEnabled());
    const QPointF again =
        menu->shownView()->convertPointTo(menu->shownView()->bounds().center(), nullptr);
    s.window->sendTouch(2, TouchPhase::Began, again);
    s.window->sendTouch(2, TouchPhase::Ended, again);
    EXPECT_EQ(taps, 1) << "a disabled item does nothing";
    const QPointF back =
        bar.backButton()->convertPointTo(bar.backButton()->bounds().center(), nullptr);
    s.window->sendTouch(3, TouchPhase::Began, back);
    s.window->sendTouch(3, TouchPhase::Ended, back);
    advance(1);
    EXPECT_EQ(s.titles(), QStringList{""});
    EXPECT_EQ(bar.shownTitle(), "");
}

TEST(NavigationController, TheTopScreenAnswersForTheStatusBar) {
    class Dark : public RecordingController {
    public:
        using RecordingController::RecordingController;
        bool prefersStatusBarHidden() const override { return true; }
    };
    Stack s;
    s.navigation->pushViewController(recording<Dark>("D", s.log), false);
    EXPECT_EQ(statusBarController(*s.window), s.navigation->topViewController());
    EXPECT_TRUE(s.window->statusBarAppearance().hidden);
    s.navigation->popViewControllerAnimated(false);
    EXPECT_FALSE(s.window->statusBarAppearance().hidden);
}

TEST(NavigationController, BarsMadeAfterAnAppearanceChangeTakeIt) {
    auto& look = NavigationBar::appearance();
    look.barTintColor = QColor(0x12, 0x34, 0x56);
    look.tintColor = Qt::white;
    look.translucent = false;
    QImage arrow(QSize(20, 40), QImage::Format_ARGB32_Premultiplied);
    arrow.fill(Qt::black);
    look.backIndicatorImage = arrow;

    Stack s;
    auto& bar = s.navigation->navigationBar();
    EXPECT_EQ(bar.barTintColor(), QColor(0x12, 0x34, 0x56));
    EXPECT_EQ(bar.tintColor(), QColor(Qt::white));
    // An opaque bar keeps even a screen that extends under the top edge below it.
    EXPECT_EQ(s.a->view()->frame(), QRectF(0, 64, 375, 603));
    s.navigation->pushViewController(s.screen("B"), false);
    ASSERT_NE(bar.backButton(), nullptr);
    EXPECT_EQ(bar.backButton()->currentImage().size(), arrow.size());
    EXPECT_EQ(bar.backButton()->tintColor(), QColor(Qt::white));
}

TEST(NavigationController, AfterAPresentedScreenGoesTheDelegateHearsOnlyOfANewTop) {
    Stack s;
    s.a->showContainment = false;
    const auto modal = s.screen("M");
    s.navigation->presentViewController(modal, false);
    s.navigation->dismissViewController(false);
    EXPECT_EQ(*s.log,
              (QStringList{"A willDisappear", "M willAppear", "A didDisappear", "M didAppear",
                           "M willDisappear", "A willAppear", "M didDisappear", "A didAppear"}));

    // A screen pushed while the stack was covered is announced when the stack shows again.
    s.navigation->presentViewController(modal, false);
    s.navigation->pushViewController(s.screen("B"), false);
    s.log->clear();
    s.navigation->dismissViewController(false);
    EXPECT_EQ(*s.log, (QStringList{"M willDisappear", "delegate willShow B", "B willAppear",
                                   "M didDisappear", "B didAppear", "delegate didShow B"}));
}

TEST(NavigationController, ADelegateThatChangesTheStackFromWillShowGetsBothTransitionsWhole) {
    class Pushing : public RecordingNavigationDelegate {
    public:
        using RecordingNavigationDelegate::RecordingNavigationDelegate;
        void willShowViewController(NavigationController& navigation, ViewController& shown,
                                    bool animated) override {
            RecordingNavigationDelegate::willShowViewController(navigation, shown, animated);
            if (next) {
                navigation.pushViewController(std::exchange(next, nullptr), true);
            }
        }
        std::shared_ptr<ViewController> next;
    };
    Stack s;
    s.a->showContainment = false;
    const auto pushing = std::make_shared<Pushing>(s.log);
    s.navigation->setDelegate(pushing);
    const auto b = s.screen("B");
    pushing->next = s.screen("C");
    s.navigation->pushViewController(b, true);
    advance(1);
    EXPECT_EQ(*s.log,
              (QStringList{"delegate willShow B animated", "A willDisappear", "B willAppear",
                           "A didDisappear", "B didAppear", "delegate didShow B animated",
                           "delegate willShow C animated", "B willDisappear", "C willAppear",
                           "B didDisappear", "C didAppear", "delegate didShow C animated"}));
    EXPECT_EQ(s.titles(), (QStringList{"A", "B", "C"}));
    EXPECT_EQ(b->view()->window(), nullptr);
    EXPECT_EQ(s.navigation->topViewController()->view()->window(), s.window.get());
}
