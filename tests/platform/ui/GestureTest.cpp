#include "platform/ui/gesture/LongPressGestureRecognizer.h"
#include "platform/ui/gesture/PanGestureRecognizer.h"
#include "platform/ui/gesture/SwipeGestureRecognizer.h"
#include "platform/ui/gesture/TapGestureRecognizer.h"
#include "platform/ui/view/Window.h"

#include <gtest/gtest.h>

using namespace platform;
using State = GestureRecognizerState;

namespace {

// Writes down every state it passes through, whoever sets it.
template <typename Base>
class Recording : public Base {
public:
    using Base::Base;
    std::vector<State> states;
    void setState(State state) override {
        const State before = this->state();
        Base::setState(state);
        if (this->state() != before || this->state() == State::Changed) {
            states.push_back(this->state());
        }
    }
};

struct Stage {
    std::shared_ptr<Window> window = Window::make();
    std::shared_ptr<View> view = View::make(QRectF(0, 0, 375, 667));
    Stage() { window->setRootView(view); }
    void touch(TouchPhase phase, QPointF at) { window->sendTouch(1, phase, at); }
    static void wait(TimeInterval seconds) { Scheduler::main().advance(seconds); }
};

}  // namespace

TEST(Gestures, LongPressBeginsAfterHalfASecondAndFollowsTheFinger) {
    Stage stage;
    auto press = std::make_shared<Recording<LongPressGestureRecognizer>>();
    std::vector<State> actions;
    press->addTarget([&](GestureRecognizer& r) { actions.push_back(r.state()); });
    stage.view->addGestureRecognizer(press);

    stage.touch(TouchPhase::Began, {100, 100});
    stage.wait(LongPressGestureRecognizer::kDefaultMinimumPressDuration - 0.01);
    EXPECT_EQ(press->state(), State::Possible);
    stage.wait(0.01);
    EXPECT_EQ(press->state(), State::Began);
    stage.touch(TouchPhase::Moved, {140, 100});  // past the allowance, but it already began
    stage.touch(TouchPhase::Ended, {140, 100});
    EXPECT_EQ(actions, (std::vector<State>{State::Began, State::Changed, State::Ended}));
    EXPECT_EQ(press->states,
              (std::vector<State>{State::Began, State::Changed, State::Ended, State::Possible}));

    struct Case {
        const char* name;
        std::function<void()> script;
    };
    const Case failures[] = {
        {"lifted early",
         [&] {
             stage.touch(TouchPhase::Began, {100, 100});
             stage.wait(0.3);
             stage.touch(TouchPhase::Ended, {100, 100});
         }},
        {"moved too far first",
         [&] {
             stage.touch(TouchPhase::Began, {100, 100});
             stage.touch(TouchPhase::Moved,
                         {100, 100 + LongPressGestureRecognizer::kDefaultAllowableMovement + 1});
             stage.wait(1);
             stage.touch(TouchPhase::Ended, {100, 111});
         }},
    };
    for (const Case& c : failures) {
        SCOPED_TRACE(c.name);
        press->states.clear();
        actions.clear();
        c.script();
        stage.wait(1);
        EXPECT_EQ(press->states, (std::vector<State>{State::Failed, State::Possible}));
        EXPECT_TRUE(actions.empty());
    }
}

TEST(Gestures, PanReportsTranslationAndVelocityOnTheClock) {
    Stage stage;
    auto inner = View::make(QRectF(50, 50, 200, 200));
    inner->setTransform(QTransform::fromScale(2, 2));
    stage.view->addSubview(inner);
    auto pan = std::make_shared<Recording<PanGestureRecognizer>>();
    std::vector<QPointF> translations;
    pan->addTarget([&](GestureRecognizer& r) {
        translations.push_back(static_cast<PanGestureRecognizer&>(r).translationInView(nullptr));
    });
    stage.view->addGestureRecognizer(pan);

    stage.touch(TouchPhase::Began, {100, 100});
    stage.wait(0.02);
    stage.touch(TouchPhase::Moved, {105, 100});  // within the hysteresis
    EXPECT_EQ(pan->state(), State::Possible);
    for (int step = 1; step <= 5; ++step) {
        stage.wait(0.02);
        stage.touch(TouchPhase::Moved, {105.0 + 10 * step, 100});
    }
    const QPointF velocity = pan->velocityInView(nullptr);
    EXPECT_NEAR(velocity.x(), 10 / 0.02, 0.01);
    EXPECT_NEAR(velocity.y(), 0, 1e-6);
    // The same motion in a view drawn twice as large is half as far.
    EXPECT_NEAR(pan->translationInView(inner.get()).x(), 27.5, 1e-6);
    stage.touch(TouchPhase::Ended, {155, 100});

    EXPECT_EQ(pan->states.front(), State::Began);
    EXPECT_EQ(pan->states[pan->states.size() - 2], State::Ended);
    EXPECT_EQ(pan->states.back(), State::Possible);
    ASSERT_EQ(translations.size(), 6u);  // began, four changes, ended
    EXPECT_DOUBLE_EQ(translations.front().x(), 15);
    EXPECT_DOUBLE_EQ(translations.back().x(), 55);
}

namespace {

// Refuses, once begun, any drag that started within the edge margin: as a screen's side swipe
// leaves edge drags to the system's back gesture.
class EdgeRefusingPan : public Recording<PanGestureRecognizer> {
public:
    static constexpr qreal kEdge = 20;
    void setState(State state) override {
        Recording::setState(state);
        if (this->state() == State::Began && startX < kEdge) {
            Recording::setState(State::Cancelled);
        }
    }
    void touchesBegan(const TouchSet& touches, const TouchEvent& event) override {
        startX = touches.front()->windowLocation().x();
        PanGestureRecognizer::touchesBegan(touches, event);
    }
    qreal startX = 0;
};

}  // namespace

TEST(Gestures, OverriddenSetStateCancelsABeganGesture) {
    Stage stage;
    auto pan = std::make_shared<EdgeRefusingPan>();
    std::vector<State> actions;
    pan->addTarget([&](GestureRecognizer& r) { actions.push_back(r.state()); });
    stage.view->addGestureRecognizer(pan);

    stage.touch(TouchPhase::Began, {10, 300});
    stage.touch(TouchPhase::Moved, {60, 300});
    stage.touch(TouchPhase::Moved, {90, 300});
    stage.touch(TouchPhase::Ended, {90, 300});
    EXPECT_EQ(pan->states, (std::vector<State>{State::Began, State::Cancelled, State::Possible}));
    // Actions go out after the touch is delivered, so they see the final word.
    EXPECT_EQ(actions, (std::vector<State>{State::Cancelled}));

    pan->states.clear();
    stage.touch(TouchPhase::Began, {100, 300});
    stage.touch(TouchPhase::Moved, {150, 300});
    stage.touch(TouchPhase::Ended, {150, 300});
    EXPECT_EQ(pan->states, (std::vector<State>{State::Began, State::Ended, State::Possible}));
}

TEST(Gestures, FailureRequirementsAndSimultaneousRecognition) {
    Stage stage;
    auto single = std::make_shared<Recording<TapGestureRecognizer>>();
    auto twice = std::make_shared<Recording<TapGestureRecognizer>>();
    twice->setNumberOfTapsRequired(2);
    single->requireGestureRecognizerToFail(twice);
    stage.view->addGestureRecognizer(single);
    stage.view->addGestureRecognizer(twice);

    // One tap: the single tap waits until the double tap has given up.
    stage.touch(TouchPhase::Began, {10, 10});
    stage.touch(TouchPhase::Ended, {10, 10});
    EXPECT_EQ(single->state(), State::Possible);
    stage.wait(TapGestureRecognizer::kTapInterval);
    EXPECT_EQ(single->states, (std::vector<State>{State::Ended, State::Possible}));
    EXPECT_EQ(twice->states, (std::vector<State>{State::Failed, State::Possible}));

    // Two taps: the double tap wins and the single one fails.
    single->states.clear();
    twice->states.clear();
    for (int i = 0; i < 2; ++i) {
        stage.touch(TouchPhase::Began, {10, 10});
        stage.touch(TouchPhase::Ended, {10, 10});
        stage.wait(0.1);
    }
    EXPECT_EQ(twice->states, (std::vector<State>{State::Ended, State::Possible}));
    EXPECT_EQ(single->states, (std::vector<State>{State::Failed, State::Possible}));

    // Two drags over nested views: one wins unless a delegate lets them share the finger.
    auto inner = View::make(QRectF(0, 0, 200, 200));
    stage.view->addSubview(inner);
    auto outerPan = std::make_shared<Recording<PanGestureRecognizer>>();
    auto innerPan = std::make_shared<Recording<PanGestureRecognizer>>();
    stage.view->addGestureRecognizer(outerPan);
    inner->addGestureRecognizer(innerPan);
    const auto drag = [&] {
        stage.touch(TouchPhase::Began, {50, 50});
        stage.touch(TouchPhase::Moved, {50, 90});
        stage.touch(TouchPhase::Ended, {50, 90});
    };
    drag();
    EXPECT_EQ(innerPan->states.front(), State::Began);
    EXPECT_EQ(outerPan->states.front(), State::Failed);

    struct Sharing : GestureRecognizerDelegate {
        bool gestureRecognizerShouldRecognizeSimultaneously(GestureRecognizer&,
                                                            GestureRecognizer&) override {
            return true;
        }
    };
    const auto sharing = std::make_shared<Sharing>();
    outerPan->setDelegate(sharing);
    innerPan->states.clear();
    outerPan->states.clear();
    drag();
    EXPECT_EQ(innerPan->states.front(), State::Began);
    EXPECT_EQ(outerPan->states.front(), State::Began);
}

TEST(Gestures, SwipeNeedsAQuickStraightStrokeInItsDirection) {
    struct Case {
        const char* name;
        unsigned direction;
        QPointF end;
        TimeInterval duration;
        State expected;
    };
    const Case cases[] = {
        {"right", SwipeGestureRecognizer::Right, {170, 110}, 0.2, State::Ended},
        {"too short", SwipeGestureRecognizer::Right, {140, 100}, 0.2, State::Failed},
        {"too slow", SwipeGestureRecognizer::Right, {200, 100}, 0.8, State::Failed},
        {"wrong way", SwipeGestureRecognizer::Right, {30, 100}, 0.2, State::Failed},
        {"crooked", SwipeGestureRecognizer::Right, {170, 150}, 0.2, State::Failed},
        {"either way",
         SwipeGestureRecognizer::Right | SwipeGestureRecognizer::Left,
         {30, 100},
         0.2,
         State::Ended},
        {"down", SwipeGestureRecognizer::Down, {100, 170}, 0.2, State::Ended},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Stage stage;
        auto swipe = std::make_shared<Recording<SwipeGestureRecognizer>>();
        swipe->setDirection(c.direction);
        stage.view->addGestureRecognizer(swipe);
        stage.touch(TouchPhase::Began, {100, 100});
        stage.wait(c.duration);
        stage.touch(TouchPhase::Moved, c.end);
        stage.touch(TouchPhase::Ended, c.end);
        ASSERT_FALSE(swipe->states.empty());
        EXPECT_EQ(swipe->states.front(), c.expected);
    }
}
