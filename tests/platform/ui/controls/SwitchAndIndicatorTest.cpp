#include "platform/foundation/Scheduler.h"
#include "platform/ui/controls/ActivityIndicator.h"
#include "platform/ui/controls/SegmentedControl.h"
#include "platform/ui/controls/Switch.h"
#include "platform/ui/view/Window.h"

#include <gtest/gtest.h>

using namespace platform;

namespace {

// A window holding one control at (0, 100), and the log of the events it sent.
template <typename T>
struct ControlScreen {
    std::shared_ptr<Window> window = Window::make();
    std::shared_ptr<T> control;
    std::vector<QString> log;

    explicit ControlScreen(std::shared_ptr<T> made) : control(std::move(made)) {
        auto root = View::make(window->bounds());
        window->setRootView(root);
        root->addSubview(control);
        control->setFrame({QPointF(0, 100), control->frame().size()});
        control->addTarget(Control::ValueChanged,
                           [this](Control&) { log.push_back(QStringLiteral("changed")); });
        control->addTarget(Control::TouchUpInside,
                           [this](Control&) { log.push_back(QStringLiteral("up inside")); });
    }
    void tap(QPointF inControl, int finger = 1) {
        const QPointF at = inControl + QPointF(0, 100);
        window->sendTouch(finger, TouchPhase::Began, at);
        window->sendTouch(finger, TouchPhase::Ended, at);
    }
};

}  // namespace

TEST(Switch, TapTogglesAndSendsValueChangedAfterTouchUp) {
    ControlScreen screen(std::make_shared<Switch>());
    bool seenInAction = false;
    screen.control->addTarget(Control::ValueChanged, [&](Control& sender) {
        seenInAction = static_cast<Switch&>(sender).isOn();
    });
    screen.tap({25, 15});
    EXPECT_TRUE(screen.control->isOn());
    EXPECT_TRUE(seenInAction);
    EXPECT_EQ(screen.log, (std::vector<QString>{"up inside", "changed"}));

    // Setting in code sends nothing; a finger that lifts far away changes nothing.
    screen.log.clear();
    screen.control->setOn(false);
    screen.window->sendTouch(2, TouchPhase::Began, {25, 115});
    screen.window->sendTouch(2, TouchPhase::Moved, {300, 600});
    screen.window->sendTouch(2, TouchPhase::Ended, {300, 600});
    EXPECT_FALSE(screen.control->isOn());
    EXPECT_TRUE(screen.log.empty());

    screen.control->setEnabled(false);
    screen.tap({25, 15}, 3);
    EXPECT_FALSE(screen.control->isOn());
    EXPECT_TRUE(screen.log.empty());
    EXPECT_EQ(screen.control->bounds().size(), QSizeF(Switch::kWidth, Switch::kHeight));
}

TEST(ActivityIndicator, TurnsOnTheClockOnlyWhileAnimating) {
    auto& scheduler = Scheduler::main();
    auto indicator = std::make_shared<ActivityIndicator>(ActivityIndicator::Style::Gray);
    EXPECT_TRUE(indicator->isHidden());
    indicator->startAnimating();
    indicator->startAnimating();
    EXPECT_FALSE(indicator->isHidden());
    scheduler.advance(ActivityIndicator::kStepInterval * 3.5);
    // Started twice, turning once.
    EXPECT_EQ(indicator->phase(), 3);
    scheduler.advance(1.0);
    // A whole turn later it is back where it was.
    EXPECT_EQ(indicator->phase(), 3);

    indicator->stopAnimating();
    EXPECT_TRUE(indicator->isHidden());
    scheduler.advance(1.0 + ActivityIndicator::kStepInterval);
    EXPECT_EQ(indicator->phase(), 3);

    indicator->setHidesWhenStopped(false);
    EXPECT_FALSE(indicator->isHidden());
    indicator->startAnimating();
    indicator.reset();
    // Its timer went with it.
    scheduler.advance(1.0);
    EXPECT_EQ(scheduler.pendingCount(), 0u);
}

TEST(ActivityIndicator, StyleGivesTheSize) {
    EXPECT_EQ(ActivityIndicator(ActivityIndicator::Style::WhiteLarge).bounds().size(),
              QSizeF(ActivityIndicator::kLargeSize, ActivityIndicator::kLargeSize));
    ActivityIndicator gray(ActivityIndicator::Style::Gray);
    EXPECT_EQ(gray.sizeThatFits({}),
              QSizeF(ActivityIndicator::kSmallSize, ActivityIndicator::kSmallSize));
    EXPECT_NE(gray.color(), QColor(Qt::white));
}

TEST(SegmentedControl, LiftingOnASegmentSelectsItOnce) {
    ControlScreen screen(std::make_shared<SegmentedControl>(QStringList{"A", "B", "C"}));
    screen.control->setFrame({0, 100, 300, 30});
    EXPECT_EQ(screen.control->selectedSegmentIndex(), SegmentedControl::kNoSegment);

    screen.tap({250, 15});
    EXPECT_EQ(screen.control->selectedSegmentIndex(), 2);
    EXPECT_EQ(screen.log, (std::vector<QString>{"up inside", "changed"}));

    screen.log.clear();
    screen.tap({210, 15}, 2);
    EXPECT_EQ(screen.log, (std::vector<QString>{"up inside"}));

    screen.control->setEnabledForSegment(false, 0);
    screen.tap({10, 15}, 3);
    EXPECT_EQ(screen.control->selectedSegmentIndex(), 2);
}

TEST(SegmentedControl, SelectionFollowsItsSegmentThroughEdits) {
    SegmentedControl control(QStringList{"A", "B", "C"});
    control.setFrame({0, 0, 300, 30});
    struct Step {
        const char* name;
        std::function<void()> edit;
        int selected;
    };
    const Step steps[] = {
        {"select B", [&] { control.setSelectedSegmentIndex(1); }, 1},
        {"insert before", [&] { control.insertSegment("Z", 0); }, 2},
        {"insert after", [&] { control.insertSegment("Y", 99); }, 2},
        {"remove before", [&] { control.removeSegment(0); }, 1},
        {"remove it", [&] { control.removeSegment(1); }, SegmentedControl::kNoSegment},
        {"out of range", [&] { control.setSelectedSegmentIndex(7); }, SegmentedControl::kNoSegment},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.name);
        step.edit();
        EXPECT_EQ(control.selectedSegmentIndex(), step.selected);
    }
    EXPECT_EQ(control.numberOfSegments(), 3);
    EXPECT_EQ(control.titleForSegment(2), QStringLiteral("Y"));
    EXPECT_EQ(control.segmentAt({299.9, 5}), 2);
    EXPECT_EQ(control.segmentAt({-1, 5}), SegmentedControl::kNoSegment);
    EXPECT_EQ(control.rectForSegment(1), QRectF(100, 0, 100, 30));
}
