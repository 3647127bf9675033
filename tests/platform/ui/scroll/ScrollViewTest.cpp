#include "platform/ui/gesture/PanGestureRecognizer.h"
#include "platform/ui/scroll/ScrollView.h"
#include "platform/ui/view/Window.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace platform;

namespace {

constexpr TimeInterval kFrame = 1.0 / 60;

// Writes down each delegate call with the offset and motion flags it saw.
class ScrollRecordingDelegate : public ScrollViewDelegate {
public:
    std::vector<std::string> calls;
    int scrolls = 0;
    bool allowTop = true;

    void scrollViewDidScroll(ScrollView&) override { ++scrolls; }
    void scrollViewWillBeginDragging(ScrollView& view) override {
        calls.push_back(view.isDragging() ? "will begin dragging (dragging)"
                                          : "will begin dragging");
    }
    void scrollViewDidEndDragging(ScrollView& view, bool willDecelerate) override {
        calls.push_back(std::string("did end dragging, will decelerate: ") +
                        (willDecelerate ? "yes" : "no") +
                        (view.isDecelerating() ? " (decelerating)" : ""));
    }
    void scrollViewDidEndDecelerating(ScrollView& view) override {
        calls.push_back(view.isDecelerating() ? "did end decelerating (still decelerating)"
                                              : "did end decelerating");
    }
    bool scrollViewShouldScrollToTop(ScrollView&) override {
        calls.push_back("should scroll to top");
        return allowTop;
    }
    void scrollViewDidScrollToTop(ScrollView&) override { calls.push_back("did scroll to top"); }
};

// A 200 × 400 scroll view over 200 × 2000 of content, filling a window.
struct Stage {
    std::shared_ptr<Window> window = Window::make({DeviceProfile::Idiom::Phone, {200, 400}, 1, 20});
    std::shared_ptr<ScrollView> scroll = View::make<ScrollView>(QRectF(0, 0, 200, 400));
    std::shared_ptr<ScrollRecordingDelegate> delegate = std::make_shared<ScrollRecordingDelegate>();

    Stage() {
        scroll->setContentSize({200, 2000});
        scroll->setDelegate(delegate);
        window->setRootView(scroll);
    }

    // A finger down at `from`, moved in `steps` frames to `to`, then (after `hold` still frames)
    // lifted there.
    void drag(QPointF from, QPointF to, int steps, int hold = 0) {
        window->sendTouch(1, TouchPhase::Began, from);
        for (int i = 1; i <= steps; ++i) {
            Scheduler::main().advance(kFrame);
            window->sendTouch(1, TouchPhase::Moved, from + (to - from) * i / steps);
        }
        for (int i = 0; i < hold; ++i) {
            Scheduler::main().advance(kFrame);
            window->sendTouch(1, TouchPhase::Moved, to);
        }
        window->sendTouch(1, TouchPhase::Ended, to);
    }

    // Runs frames until the content stops (bounded, so a motion that never ends fails the test).
    void settle() {
        for (int i = 0; i < 60 * 10 && scroll->isDecelerating(); ++i) {
            Scheduler::main().advance(kFrame);
        }
    }
};

}  // namespace

TEST(ScrollView, FlickDeceleratesOnTheClockWhileDefaultModeTimersWait) {
    Stage stage;
    std::vector<std::string> timers;
    const auto defaultTimer = Scheduler::main().after(
        0.05, [&] { timers.push_back("default"); }, RunLoopMode::Default);
    const auto commonTimer = Scheduler::main().after(
        0.05, [&] { timers.push_back("common"); }, RunLoopMode::Common);

    stage.drag({100, 300}, {100, 100}, 6);  // 200 pt up in a tenth of a second
    EXPECT_EQ(stage.delegate->calls,
              (std::vector<std::string>{"will begin dragging (dragging)",
                                        "did end dragging, will decelerate: yes (decelerating)"}));
    EXPECT_EQ(timers, std::vector<std::string>{"common"});
    EXPECT_TRUE(Scheduler::main().isTracking());
    const qreal liftedAt = stage.scroll->contentOffset().y();
    EXPECT_NEAR(liftedAt, 200 - PanGestureRecognizer::kMinimumDistance, 40)
        << "the content follows the finger from where the drag began";

    Scheduler::main().advance(0.5);
    EXPECT_TRUE(stage.scroll->isDecelerating());
    EXPECT_EQ(timers, std::vector<std::string>{"common"}) << "deceleration still tracks";
    const qreal midway = stage.scroll->contentOffset().y();
    EXPECT_GT(midway, liftedAt + 200) << "the content went on with the lift's speed";

    stage.settle();
    EXPECT_FALSE(stage.scroll->isDecelerating());
    EXPECT_EQ(stage.delegate->calls.back(), "did end decelerating");
    EXPECT_EQ(stage.delegate->calls.size(), 3u);
    EXPECT_FALSE(Scheduler::main().isTracking());
    Scheduler::main().advance(0);
    EXPECT_EQ(timers, (std::vector<std::string>{"common", "default"}));
    const qreal rest = stage.scroll->contentOffset().y();
    EXPECT_GT(rest, midway);
    EXPECT_LE(rest, stage.scroll->maximumContentOffset().y());
    EXPECT_GT(stage.delegate->scrolls, 10);
}

TEST(ScrollView, LiftsThatLeaveNothingMoving) {
    struct Case {
        const char* name;
        QPointF from, to;
        int steps, hold;
        qreal offset;  // where the content rests
    };
    // The content follows the finger from the second move, where the pan began (20 pt in).
    const Case cases[] = {
        {"finger stopped before lifting", {100, 300}, {100, 200}, 10, 12, 80},
        {"sideways drag of vertical content", {50, 300}, {150, 300}, 5, 12, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Stage stage;
        stage.drag(c.from, c.to, c.steps, c.hold);
        EXPECT_EQ(stage.delegate->calls,
                  (std::vector<std::string>{"will begin dragging (dragging)",
                                            "did end dragging, will decelerate: no"}));
        EXPECT_FALSE(Scheduler::main().isTracking());
        EXPECT_FALSE(stage.scroll->isDecelerating());
        EXPECT_EQ(stage.scroll->contentOffset(), QPointF(0, c.offset));
    }
}

TEST(ScrollView, DragPastTheTopStretchesAndSpringsBack) {
    Stage stage;
    stage.scroll->setContentInset({20, 0, 0, 0});
    stage.scroll->setContentOffset({0, -20});
    stage.window->sendTouch(1, TouchPhase::Began, {100, 90});
    for (int y = 100; y <= 210; y += 10) {  // the pan begins at 110
        Scheduler::main().advance(kFrame);
        stage.window->sendTouch(1, TouchPhase::Moved, {100, qreal(y)});
    }
    // 100 pt of drag past the pan's start, half of it shown past the top inset.
    EXPECT_DOUBLE_EQ(stage.scroll->contentOffset().y(), -20 - 100 * ScrollView::kRubberBandFactor);
    for (int i = 0; i < 10; ++i) {  // held still, so no speed is left
        Scheduler::main().advance(kFrame);
        stage.window->sendTouch(1, TouchPhase::Moved, {100, 210});
    }
    stage.window->sendTouch(1, TouchPhase::Ended, {100, 210});
    EXPECT_EQ(stage.delegate->calls.back(),
              "did end dragging, will decelerate: yes (decelerating)");
    stage.settle();
    EXPECT_EQ(stage.delegate->calls.back(), "did end decelerating");
    EXPECT_EQ(stage.scroll->contentOffset(), QPointF(0, -20));
    EXPECT_FALSE(Scheduler::main().isTracking());
}

TEST(ScrollView, AFingerOnDeceleratingContentHoldsIt) {
    Stage stage;
    stage.drag({100, 300}, {100, 100}, 6);
    Scheduler::main().advance(0.2);
    ASSERT_TRUE(stage.scroll->isDecelerating());
    stage.window->sendTouch(1, TouchPhase::Began, {100, 200});
    const QPointF held = stage.scroll->contentOffset();
    EXPECT_FALSE(stage.scroll->isDecelerating());
    EXPECT_EQ(stage.delegate->calls.back(), "did end decelerating");
    EXPECT_FALSE(Scheduler::main().isTracking());
    Scheduler::main().advance(1);
    EXPECT_EQ(stage.scroll->contentOffset(), held);
    stage.window->sendTouch(1, TouchPhase::Ended, {100, 200});
    EXPECT_FALSE(stage.scroll->isTracking());
}

TEST(ScrollView, GoingAwayMidDragEndsTracking) {
    Stage stage;
    stage.window->sendTouch(1, TouchPhase::Began, {100, 300});
    Scheduler::main().advance(kFrame);
    stage.window->sendTouch(1, TouchPhase::Moved, {100, 250});
    ASSERT_TRUE(stage.scroll->isDragging());
    ASSERT_TRUE(Scheduler::main().isTracking());
    stage.window->setRootView(View::make(QRectF(0, 0, 200, 400)));
    stage.scroll.reset();
    EXPECT_FALSE(Scheduler::main().isTracking());
}

TEST(ScrollView, OffsetsSetFromOutside) {
    Stage stage;
    stage.scroll->setContentOffset({0, -500});
    EXPECT_EQ(stage.scroll->contentOffset(), QPointF(0, -500)) << "not clamped when set";
    EXPECT_EQ(stage.delegate->scrolls, 1);

    stage.scroll->setContentOffset({0, 300}, true);
    EXPECT_EQ(stage.scroll->contentOffset(), QPointF(0, -500));
    Scheduler::main().advance(ScrollView::kScrollAnimationDuration / 2);
    EXPECT_GT(stage.scroll->contentOffset().y(), -500);
    EXPECT_LT(stage.scroll->contentOffset().y(), 300);
    Scheduler::main().advance(ScrollView::kScrollAnimationDuration);
    EXPECT_EQ(stage.scroll->contentOffset(), QPointF(0, 300));

    struct Case {
        const char* name;
        QRectF rect;
        qreal offset;
    };
    // Visible: 300 to 700, with a bottom inset of 50 the rows show down to 650.
    const Case cases[] = {
        {"already visible", {0, 400, 200, 100}, 300},
        {"below: its bottom comes to the visible bottom", {0, 700, 200, 100}, 450},
        {"above: its top comes to the top", {0, 100, 200, 50}, 100},
        {"taller than the view: its top", {0, 800, 200, 600}, 800},
        {"past the end: no further than the end", {0, 1990, 200, 30}, 1650},
    };
    stage.scroll->setContentInset({0, 0, 50, 0});
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        stage.scroll->setContentOffset({0, 300});
        stage.scroll->scrollRectToVisible(c.rect, false);
        EXPECT_EQ(stage.scroll->contentOffset(), QPointF(0, c.offset));
    }
}

TEST(ScrollView, StatusBarTapScrollsTheOneScrollViewThatScrollsToTop) {
    Stage stage;
    stage.scroll->setContentOffset({0, 800});
    EXPECT_TRUE(ScrollView::scrollToTop(*stage.window));
    Scheduler::main().advance(ScrollView::kScrollAnimationDuration + kFrame);
    EXPECT_EQ(stage.scroll->contentOffset(), QPointF(0, 0));
    EXPECT_EQ(stage.delegate->calls,
              (std::vector<std::string>{"should scroll to top", "did scroll to top"}));

    stage.delegate->calls.clear();
    stage.delegate->allowTop = false;
    stage.scroll->setContentOffset({0, 800});
    EXPECT_FALSE(ScrollView::scrollToTop(*stage.window));
    EXPECT_EQ(stage.scroll->contentOffset(), QPointF(0, 800));

    stage.delegate->allowTop = true;
    auto second = View::make<ScrollView>(QRectF(0, 0, 100, 100));
    stage.scroll->addSubview(second);
    EXPECT_FALSE(ScrollView::scrollToTop(*stage.window)) << "two candidates: neither moves";
    second->setScrollsToTop(false);
    EXPECT_TRUE(ScrollView::scrollToTop(*stage.window));
}
