#include "platform/ui/controllers/WindowControllers.h"
#include "platform/ui/view/Window.h"
#include "tests/platform/ui/controllers/RecordingControllers.h"

#include <gtest/gtest.h>

using namespace platform;

namespace {

// A screen whose view is made by the screen itself and which answers the window's questions as
// it is told to.
class CustomScreen : public RecordingController {
public:
    using RecordingController::RecordingController;

    void loadView() override {
        ++loads;
        setView(View::make(QRectF(0, 0, 10, 10)));
    }
    bool prefersStatusBarHidden() const override { return hideStatusBar; }
    StatusBarStyle preferredStatusBarStyle() const override { return style; }
    unsigned supportedInterfaceOrientations() const override { return orientations; }
    void viewWillTransitionToSize(QSizeF size, TransitionCoordinator& coordinator) override {
        RecordingController::viewWillTransitionToSize(size, coordinator);
        sizesAnnounced.push_back(size);
        coordinator.animateAlongsideTransition(
            {}, [this](const TransitionCoordinator&) { ++transitionsCompleted; });
    }

    int loads = 0;
    bool hideStatusBar = false;
    StatusBarStyle style = StatusBarStyle::Default;
    unsigned orientations = InterfaceOrientationMask::AllButUpsideDown;
    std::vector<QSizeF> sizesAnnounced;
    int transitionsCompleted = 0;
};

}  // namespace

TEST(ViewController, LoadsItsViewOnceOnFirstUseAndPassesTouchesOnThroughIt) {
    const auto log = makeLog();
    const auto screen = recording<CustomScreen>("A", log);
    EXPECT_FALSE(screen->isViewLoaded());
    EXPECT_EQ(screen->viewIfLoaded(), nullptr);
    const auto view = screen->view();
    EXPECT_EQ(screen->view(), view);
    EXPECT_EQ(screen->loads, 1);
    EXPECT_EQ(*log, QStringList{"A didLoad"});
    EXPECT_EQ(view->nextResponder(), screen.get()) << "the controller follows its view";

    auto window = Window::make();
    window->setRootViewController(screen);
    EXPECT_EQ(screen->nextResponder(), window.get()) << "and the view's superview follows it";
}

TEST(ViewController, ChangingTheWindowsRootRunsBothCyclesInThePlatformsOrder) {
    const auto log = makeLog();
    auto window = Window::make();
    const auto a = recording("A", log);
    const auto b = recording("B", log);
    window->setRootViewController(a);
    EXPECT_EQ(window->rootView(), a->view());
    window->setRootViewController(b);
    EXPECT_EQ(window->rootView(), b->view());
    EXPECT_EQ(a->view()->window(), nullptr);
    window->setRootViewController(nullptr);
    EXPECT_EQ(*log, (QStringList{"A didLoad", "A willAppear", "A didAppear", "A willDisappear",
                                 "B didLoad", "B willAppear", "A didDisappear", "B didAppear",
                                 "B willDisappear", "B didDisappear"}));
}

TEST(ViewController, ChildrenAppearWithTheirParentAndWithTheirViews) {
    const auto log = makeLog();
    auto window = Window::make();
    const auto parent = recording("P", log);
    const auto kept = recording("K", log);
    // A child whose view is in the parent's before the parent appears appears with it.
    parent->addChildViewController(kept);
    parent->view()->addSubview(kept->view());
    kept->didMoveToParentViewController(parent.get());
    window->setRootViewController(parent);
    EXPECT_EQ(*log, (QStringList{"K willMove(P)", "P didLoad", "K didLoad", "K didMove(P)",
                                 "P willAppear", "K willAppear", "P didAppear", "K didAppear"}));

    // One added to a parent on screen appears as its view enters the window, and goes as it
    // leaves.
    log->clear();
    const auto late = recording("L", log);
    parent->addChildViewController(late);
    parent->view()->addSubview(late->view());
    late->didMoveToParentViewController(parent.get());
    late->willMoveToParentViewController(nullptr);
    late->view()->removeFromSuperview();
    late->removeFromParentViewController();
    EXPECT_EQ(*log, (QStringList{"L willMove(P)", "L didLoad", "L willAppear", "L didAppear",
                                 "L didMove(P)", "L willMove(none)", "L willDisappear",
                                 "L didDisappear", "L didMove(none)"}));
    EXPECT_EQ(late->parentViewController(), nullptr);
    EXPECT_EQ(parent->childViewControllers().size(), 1u);

    // A child moved to another parent leaves the first one's list.
    const auto other = ViewController::make();
    other->addChildViewController(kept);
    EXPECT_TRUE(parent->childViewControllers().empty());
    EXPECT_EQ(kept->parentViewController(), other.get());
}

TEST(ViewController, RepeatedOrUnmatchedAppearanceCallsAreDropped) {
    const auto log = makeLog();
    const auto a = recording("A", log);
    a->view();
    log->clear();
    a->endAppearanceTransition();
    a->beginAppearanceTransition(true, false);
    a->beginAppearanceTransition(true, false);
    a->endAppearanceTransition();
    a->endAppearanceTransition();
    a->beginAppearanceTransition(true, false);
    // Coming back while still going is allowed: an interactive pop called off does it.
    a->beginAppearanceTransition(false, false);
    a->beginAppearanceTransition(true, false);
    a->endAppearanceTransition();
    EXPECT_EQ(*log, (QStringList{"A willAppear", "A didAppear", "A willDisappear", "A willAppear",
                                 "A didAppear"}));
    EXPECT_EQ(a->appearance(), ViewController::Appearance::Appeared);
}

TEST(ViewController, TheWindowRecordsTheStatusBarAnswersOfTheScreenOnTop) {
    const auto log = makeLog();
    auto window = Window::make();
    const auto root = recording<CustomScreen>("R", log);
    root->hideStatusBar = true;
    window->setRootViewController(root);
    EXPECT_TRUE(window->statusBarAppearance().hidden);

    root->hideStatusBar = false;
    root->style = ViewController::StatusBarStyle::LightContent;
    EXPECT_TRUE(window->statusBarAppearance().hidden) << "read only when asked";
    root->setNeedsStatusBarAppearanceUpdate();
    EXPECT_FALSE(window->statusBarAppearance().hidden);
    EXPECT_EQ(window->statusBarAppearance().style, 1);
}

TEST(ViewController, TurningTheWindowAsksTheTopScreenAndTellsTheNewSizeFirst) {
    const auto log = makeLog();
    auto window = Window::make();
    const auto root = recording<CustomScreen>("R", log);
    const auto child = recording<CustomScreen>("C", log);
    root->addChildViewController(child);
    window->setRootViewController(root);

    EXPECT_FALSE(rotateWindow(*window, InterfaceOrientation::PortraitUpsideDown));
    EXPECT_EQ(window->bounds().size(), QSizeF(375, 667));
    EXPECT_TRUE(root->sizesAnnounced.empty());

    ASSERT_TRUE(rotateWindow(*window, InterfaceOrientation::LandscapeLeft, 0.3));
    EXPECT_EQ(root->sizesAnnounced, std::vector<QSizeF>{QSizeF(667, 375)});
    EXPECT_EQ(child->sizesAnnounced, std::vector<QSizeF>{QSizeF(667, 375)}) << "children too";
    EXPECT_EQ(window->bounds().size(), QSizeF(667, 375));
    EXPECT_EQ(root->view()->bounds().size(), QSizeF(667, 375));
    EXPECT_EQ(window->interfaceOrientation(), 4);
    Scheduler::main().advance(0.2);
    EXPECT_EQ(root->transitionsCompleted, 0) << "the turn is still running";
    Scheduler::main().advance(0.2);
    EXPECT_EQ(root->transitionsCompleted, 1);
    EXPECT_EQ(child->transitionsCompleted, 1);

    // A screen that allows only portrait keeps the window as it is.
    root->orientations = InterfaceOrientationMask::Portrait;
    EXPECT_FALSE(rotateWindow(*window, InterfaceOrientation::LandscapeRight));
    EXPECT_TRUE(rotateWindow(*window, InterfaceOrientation::Portrait, 0));
    EXPECT_EQ(window->bounds().size(), QSizeF(375, 667));
}

TEST(ViewController, EditingIsRecordedAndTitleReachesTheNavigationItem) {
    const auto screen = ViewController::make();
    screen->setEditing(true, true);
    EXPECT_TRUE(screen->isEditing());
    screen->setTitle("Settings");
    EXPECT_EQ(screen->navigationItem().title(), "Settings");
}
