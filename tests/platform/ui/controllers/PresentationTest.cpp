#include "platform/ui/controllers/PopoverPresentation.h"
#include "platform/ui/controllers/ViewController.h"
#include "platform/ui/view/Window.h"
#include "tests/platform/ui/controllers/RecordingControllers.h"

#include <gtest/gtest.h>

using namespace platform;

namespace {

using Style = ViewController::ModalPresentationStyle;
using Transition = ViewController::ModalTransitionStyle;

void advancePresentation(TimeInterval seconds) {
    Scheduler::main().advance(seconds);
}

struct Screens {
    CallLog log = makeLog();
    std::shared_ptr<Window> window;
    std::shared_ptr<RecordingController> root = recording("R", log);

    explicit Screens(DeviceProfile profile = DeviceProfile::phone())
        : window(Window::make(profile)) {
        window->setRootViewController(root);
        log->clear();
    }

    std::function<void()> note(const QString& line) {
        return [log = log, line] { *log << line; };
    }
};

struct TransitionCase {
    Transition style;
    TimeInterval duration;
};

class PresentationByTransition : public testing::TestWithParam<TransitionCase> {};

}  // namespace

TEST_P(PresentationByTransition, CompletionsRunWhenTheAnimationEndsOnTheClock) {
    const auto [style, duration] = GetParam();
    Screens s;
    const auto modal = recording("M", s.log);
    modal->setModalTransitionStyle(style);
    ASSERT_TRUE(s.root->presentViewController(modal, true, s.note("presented")));
    EXPECT_EQ(s.root->presentedViewController(), modal);
    EXPECT_EQ(modal->presentingViewController(), s.root.get());
    EXPECT_TRUE(modal->isBeingPresented());
    EXPECT_EQ(modal->view()->window(), s.window.get());
    advancePresentation(duration - 0.05);
    EXPECT_EQ(*s.log, (QStringList{"M didLoad", "R willDisappear", "M willAppear"}));
    advancePresentation(0.1);
    EXPECT_EQ(*s.log, (QStringList{"M didLoad", "R willDisappear", "M willAppear", "R didDisappear",
                                   "M didAppear", "presented"}));
    EXPECT_FALSE(modal->isBeingPresented());
    EXPECT_TRUE(s.root->view()->isHidden()) << "the covered screen stops drawing";
    EXPECT_EQ(modal->view()->frame(), s.window->bounds());
    EXPECT_EQ(modal->view()->alpha(), 1);

    s.log->clear();
    modal->dismissViewController(true, s.note("dismissed"));
    EXPECT_TRUE(modal->isBeingDismissed());
    EXPECT_FALSE(s.root->view()->isHidden());
    advancePresentation(duration - 0.05);
    EXPECT_EQ(*s.log, (QStringList{"M willDisappear", "R willAppear"}));
    advancePresentation(0.1);
    EXPECT_EQ(*s.log, (QStringList{"M willDisappear", "R willAppear", "M didDisappear",
                                   "R didAppear", "dismissed"}));
    EXPECT_EQ(s.root->presentedViewController(), nullptr);
    EXPECT_EQ(modal->presentingViewController(), nullptr);
    EXPECT_EQ(modal->view()->window(), nullptr);
    EXPECT_EQ(s.window->subviews().size(), 1u) << "only the root's view is left";
}

INSTANTIATE_TEST_SUITE_P(
    Styles, PresentationByTransition,
    testing::Values(TransitionCase{Transition::CoverVertical, ViewController::kCoverDuration},
                    TransitionCase{Transition::CrossDissolve,
                                   ViewController::kCrossDissolveDuration},
                    TransitionCase{Transition::FlipHorizontal, ViewController::kFlipDuration}));

TEST(Presentation, WithoutAnimationEverythingHappensAtOnce) {
    Screens s;
    const auto modal = recording("M", s.log);
    s.root->presentViewController(modal, false, s.note("presented"));
    EXPECT_EQ(*s.log, (QStringList{"M didLoad", "R willDisappear", "M willAppear", "R didDisappear",
                                   "M didAppear", "presented"}));
    s.log->clear();
    s.root->dismissViewController(false, s.note("dismissed"));
    EXPECT_EQ(*s.log, (QStringList{"M willDisappear", "R willAppear", "M didDisappear",
                                   "R didAppear", "dismissed"}));
}

TEST(Presentation, OverFullScreenLeavesTheScreenBelowShowing) {
    Screens s;
    const auto modal = recording("M", s.log);
    modal->setModalPresentationStyle(Style::OverFullScreen);
    s.root->presentViewController(modal, false);
    s.root->dismissViewController(false);
    EXPECT_EQ(*s.log, (QStringList{"M didLoad", "M willAppear", "M didAppear", "M willDisappear",
                                   "M didDisappear"}));
    EXPECT_FALSE(s.root->view()->isHidden());
}

TEST(Presentation, AChildPresentsFromItsTopAncestorAndEitherEndDismisses) {
    Screens s;
    const auto child = recording("C", s.log);
    s.root->addChildViewController(child);
    s.root->view()->addSubview(child->view());
    const auto modal = ViewController::make();
    const auto inner = ViewController::make();
    modal->addChildViewController(inner);
    ASSERT_TRUE(child->presentViewController(modal, false));
    EXPECT_EQ(modal->presentingViewController(), s.root.get());
    EXPECT_EQ(inner->presentingViewController(), s.root.get());
    EXPECT_EQ(child->presentedViewController(), modal);
    bool done = false;
    inner->dismissViewController(false, [&] { done = true; });
    EXPECT_TRUE(done);
    EXPECT_EQ(s.root->presentedViewController(), nullptr);
}

TEST(Presentation, RefusedWhileBusyOrOffScreenWithoutRunningTheCompletion) {
    Screens s;
    bool ran = false;
    const auto first = ViewController::make();
    ASSERT_TRUE(s.root->presentViewController(first, true));
    EXPECT_FALSE(s.root->presentViewController(ViewController::make(), false, [&] { ran = true; }))
        << "the root already presents one";
    EXPECT_FALSE(first->presentViewController(ViewController::make(), false, [&] { ran = true; }))
        << "the first is still on its way in";
    EXPECT_FALSE(ViewController::make()->presentViewController(ViewController::make(), false, [&] {
        ran = true;
    })) << "not in a window";
    EXPECT_FALSE(s.root->presentViewController(s.root, false)) << "itself";
    advancePresentation(1);
    EXPECT_FALSE(ran);
    EXPECT_EQ(s.root->presentedViewController(), first);
}

TEST(Presentation, ADismissalAskedDuringThePresentationWaitsForItsEnd) {
    Screens s;
    const auto modal = recording("M", s.log);
    s.root->presentViewController(modal, true, s.note("presented"));
    modal->dismissViewController(true, s.note("dismissed"));
    modal->dismissViewController(false, s.note("dismissed again"));
    advancePresentation(ViewController::kCoverDuration + 0.05);
    EXPECT_TRUE(s.log->contains("presented"));
    EXPECT_FALSE(s.log->contains("dismissed"));
    advancePresentation(ViewController::kCoverDuration + 0.05);
    EXPECT_EQ(s.log->mid(s.log->indexOf("presented")),
              (QStringList{"presented", "M willDisappear", "R willAppear", "M didDisappear",
                           "R didAppear", "dismissed", "dismissed again"}));
    // With nothing left to dismiss, the completion still runs.
    bool ran = false;
    s.root->dismissViewController(true, [&] { ran = true; });
    EXPECT_TRUE(ran);
}

TEST(Presentation, RequestsThatWaitAreEachCompletedOnceWhicheverEndsTheScreen) {
    Screens s;
    int first = 0;
    int second = 0;
    // Two dismissals wait for a presentation; the first ends the screen at once.
    s.root->presentViewController(ViewController::make(), true);
    s.root->dismissViewController(false, [&] { ++first; });
    s.root->dismissViewController(false, [&] { ++second; });
    advancePresentation(1);
    EXPECT_EQ(first, 1);
    EXPECT_EQ(second, 1);
    EXPECT_EQ(s.root->presentedViewController(), nullptr);

    // The bottom of a chain is dismissed while its top is still sliding away.
    const auto a = ViewController::make();
    s.root->presentViewController(a, false);
    a->presentViewController(ViewController::make(), false);
    int top = 0;
    int bottom = 0;
    a->dismissViewController(true, [&] { ++top; });
    s.root->dismissViewController(true, [&] { ++bottom; });
    advancePresentation(2);
    EXPECT_EQ(top, 1);
    EXPECT_EQ(bottom, 1);
    EXPECT_EQ(s.root->presentedViewController(), nullptr);
    EXPECT_EQ(s.window->subviews().size(), 1u);
}

TEST(Presentation, DismissingTheBottomOfAChainTakesEveryScreenAboveItAway) {
    Screens s;
    const auto first = recording("A", s.log);
    const auto second = recording("B", s.log);
    s.root->presentViewController(first, false);
    first->presentViewController(second, false);
    EXPECT_TRUE(first->view()->superview()->isHidden()) << "the first one's layer is covered";
    s.log->clear();
    int completions = 0;
    s.root->dismissViewController(true, [&] { ++completions; });
    advancePresentation(1);
    EXPECT_EQ(*s.log,
              (QStringList{"B willDisappear", "A willAppear", "B didDisappear", "A didAppear",
                           "A willDisappear", "R willAppear", "A didDisappear", "R didAppear"}));
    EXPECT_EQ(completions, 1);
    EXPECT_EQ(s.window->subviews().size(), 1u);
    EXPECT_FALSE(s.root->view()->isHidden());
}

TEST(Presentation, APresenterDestroyedWhilePresentingTakesItsScreenAway) {
    auto window = Window::make();
    auto root = ViewController::make();
    window->setRootViewController(root);
    const auto modal = ViewController::make();
    root->presentViewController(modal, true);
    window->setRootViewController(nullptr);
    root.reset();
    advancePresentation(1);
    EXPECT_EQ(modal->presentingViewController(), nullptr);
    EXPECT_EQ(modal->view()->window(), nullptr);
    EXPECT_TRUE(window->subviews().empty());
}

TEST(Presentation, APopoverOnATabletPointsAtItsSourceAndGoesOnATouchOutside) {
    Screens s(DeviceProfile::tablet());
    const auto anchor = View::make(QRectF(600, 100, 40, 40));
    s.root->view()->addSubview(anchor);
    const auto modal = recording("M", s.log);
    modal->setModalPresentationStyle(Style::Popover);
    modal->setPreferredContentSize({300, 200});
    auto& popover = modal->popoverPresentationController();
    popover.setSourceView(anchor);
    bool allow = false;
    int dismissed = 0;
    popover.shouldDismiss = [&] { return allow; };
    popover.didDismiss = [&] { ++dismissed; };
    s.root->presentViewController(modal, true, s.note("presented"));
    advancePresentation(0.5);
    EXPECT_EQ(*s.log, (QStringList{"M didLoad", "M willAppear", "M didAppear", "presented"}))
        << "the screen below stays";
    EXPECT_EQ(popover.arrowDirection(), PopoverArrowDirection::Up);
    const QRectF shown = modal->view()->convertRectTo(modal->view()->bounds(), nullptr);
    EXPECT_EQ(shown.size(), QSizeF(300, 200));
    EXPECT_NEAR(shown.top(), 140 + PopoverPlacement::kArrowHeight, 0.01);

    // A touch in the popover stays with it; one outside asks, then dismisses.
    s.window->sendTouch(1, TouchPhase::Began, shown.center());
    s.window->sendTouch(1, TouchPhase::Ended, shown.center());
    s.window->sendTouch(2, TouchPhase::Began, {50, 900});
    s.window->sendTouch(2, TouchPhase::Ended, {50, 900});
    advancePresentation(0.5);
    EXPECT_EQ(s.root->presentedViewController(), modal) << "refused by shouldDismiss";
    allow = true;
    s.window->sendTouch(3, TouchPhase::Began, {50, 900});
    s.window->sendTouch(3, TouchPhase::Ended, {50, 900});
    EXPECT_EQ(dismissed, 0) << "told once it is gone";
    advancePresentation(0.5);
    EXPECT_EQ(dismissed, 1);
    EXPECT_EQ(s.root->presentedViewController(), nullptr);
    s.root->presentViewController(modal, false);
    s.root->dismissViewController(false);
    EXPECT_EQ(dismissed, 1) << "not told of a dismissal in code";
}

TEST(Presentation, APopoverOnAPhoneTakesTheWholeScreen) {
    Screens s;
    const auto modal = recording("M", s.log);
    modal->setModalPresentationStyle(Style::Popover);
    modal->popoverPresentationController().setSourceView(s.root->view());
    s.root->presentViewController(modal, false);
    EXPECT_EQ(modal->view()->frame(), s.window->bounds());
    EXPECT_TRUE(s.log->contains("R didDisappear"));
}
