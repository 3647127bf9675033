#include "platform/ui/controllers/WindowControllers.h"
#include "tests/toolkit/screens/ScreenStage.h"

#include <gtest/gtest.h>

namespace {

// The content's sideways shift, as the menu pushes it.
qreal contentShift(const ScreenStage& stage) {
    return stage.coordinator->left->view()->transform().dx();
}

// The finger rests at `at`, so that it lets go without speed.
void hold(ScreenStage& stage, QPointF at) {
    ScreenStage::wait(0.2);
    stage.move(at);
}

}  // namespace

// A right swipe on a screen with the default target goes back once, unless the finger starts in
// the edge strip, strays vertically before the pan begins, or does not get past the distance.
TEST(ZVSwipeGestureRecognizerTest, SwipeRightGoesBack) {
    const struct {
        const char* name;
        QPointF start;
        std::vector<QPointF> moves;  // relative to the start
        bool pops;
    } cases[] = {
        {"edge strip", {19, 300}, {{11, 0}, {21, 0}, {40, 0}, {60, 0}}, false},
        {"past the strip", {20, 300}, {{11, 0}, {21, 0}, {40, 0}, {60, 0}}, true},
        {"11 pt down first", {100, 300}, {{5, 11}, {60, 11}, {80, 11}, {100, 11}}, false},
        {"10 pt down first", {100, 300}, {{5, 10}, {60, 10}, {80, 10}, {100, 10}}, true},
        {"30 pt", {100, 300}, {{11, 0}, {21, 0}, {30, 0}}, false},
        {"31 pt", {100, 300}, {{11, 0}, {21, 0}, {31, 0}}, true},
    };
    for (const auto& c : cases) {
        ScreenStage stage;
        // Only the screen's own recognizer is under test here.
        stage.left().interactivePopGestureRecognizer()->setEnabled(false);
        stage.show(std::make_shared<TestScreen>());
        stage.down(c.start);
        for (const QPointF step : c.moves) {
            ScreenStage::wait(0.05);
            stage.move(c.start + step);
        }
        stage.up(c.start + c.moves.back());
        stage.settle();
        EXPECT_EQ(stage.depth(), c.pops ? 1u : 2u) << c.name;
    }
}

// A leftward drag pulls the right-hand menu in under the finger and the content aside; let go
// past half way it opens.
TEST(ZVSwipeGestureRecognizerTest, LeftwardDragOpensTheRightMenu) {
    ScreenStage stage;
    auto screen = stage.show(TestScreen::withMenus({ZVMenuSide::Right}));
    const auto& menu = screen->menus[ZVMenuSide::Right];
    const QPointF start(300, 300);
    stage.down(start);
    for (int step = 1; step <= 10; ++step) {
        ScreenStage::wait(0.05);
        stage.move(start - QPointF(step * 10, 0));
    }
    EXPECT_EQ(screen->slideInMenu(), menu);
    EXPECT_EQ(menu->superview(), &stage.window());
    EXPECT_EQ(menu->position(), 100);
    EXPECT_EQ(menu->frame(), QRectF(275, 0, 200, 667));
    EXPECT_EQ(contentShift(stage), -100);
    EXPECT_TRUE(screen->prefersStatusBarHidden());
    hold(stage, start - QPointF(100, 0));
    stage.up(start - QPointF(100, 0));
    stage.settle();
    EXPECT_EQ(menu->position(), 200);
    EXPECT_EQ(contentShift(stage), -200);
    EXPECT_EQ(screen->swipesRight, 0);
}

// An open menu is grabbed wherever the finger lands on the screen, and the stack's edge pop is
// kept out of it; dragged mostly shut it closes and leaves the screen.
TEST(ZVSwipeGestureRecognizerTest, OpenMenuIsGrabbedAnywhere) {
    ScreenStage stage;
    auto first = stage.show(std::make_shared<TestScreen>());
    auto screen = stage.show(TestScreen::withMenus({ZVMenuSide::Right}));
    screen->showRightMenu();
    stage.settle();
    const auto menu = screen->slideInMenu();
    ASSERT_EQ(menu->position(), 200);

    const QPointF start(100, 300);
    stage.down(start);
    EXPECT_EQ(screen->swipeGestureRecognizer()->state(), platform::GestureRecognizerState::Began);
    EXPECT_EQ(stage.left().interactivePopGestureRecognizer()->state(),
              platform::GestureRecognizerState::Failed);
    for (int step = 1; step <= 5; ++step) {
        ScreenStage::wait(0.05);
        stage.move(start + QPointF(step * 30, 0));
    }
    EXPECT_EQ(menu->position(), 50);
    hold(stage, start + QPointF(150, 0));
    stage.up(start + QPointF(150, 0));
    stage.settle();
    EXPECT_EQ(menu->superview(), nullptr);
    EXPECT_EQ(screen->slideInMenu(), nullptr);
    EXPECT_EQ(contentShift(stage), 0);
    EXPECT_FALSE(screen->prefersStatusBarHidden());
    // Dragging the menu shut is not a swipe back.
    EXPECT_EQ(stage.depth(), 3u);
    EXPECT_EQ(screen->swipesRight, 0);
}

// Touches on a menu inside the screen belong to the menu.
TEST(ZVSwipeGestureRecognizerTest, TouchesOnAMenuAreCancelled) {
    ScreenStage stage;
    auto screen = stage.show(std::make_shared<TestScreen>());
    auto embedded = std::make_shared<ZVSlideInMenu>(ZVMenuSide::Left);
    screen->view()->addSubview(embedded);
    embedded->setFrame(QRectF(0, 100, 375, 300));
    stage.down({100, 300});
    EXPECT_EQ(screen->swipeGestureRecognizer()->state(),
              platform::GestureRecognizerState::Cancelled);
    stage.move({150, 300});
    stage.up({150, 300});
    stage.settle();
    EXPECT_EQ(stage.depth(), 2u);
}

// Turning sideways while a menu is being pulled in sends it away.
TEST(ZVSwipeGestureRecognizerTest, LandscapeLayoutHidesTheMenuBeingDragged) {
    ScreenStage stage;
    auto screen = stage.show(TestScreen::withMenus({ZVMenuSide::Right}));
    const QPointF start(300, 300);
    stage.down(start);
    for (int step = 1; step <= 5; ++step) {
        ScreenStage::wait(0.05);
        stage.move(start - QPointF(step * 20, 0));
    }
    const auto menu = screen->slideInMenu();
    ASSERT_NE(menu, nullptr);
    ASSERT_TRUE(
        platform::rotateWindow(stage.window(), platform::InterfaceOrientation::LandscapeLeft));
    stage.move(start - QPointF(150, 0));
    stage.up(start - QPointF(150, 0));
    stage.settle();
    EXPECT_EQ(menu->superview(), nullptr);
    EXPECT_EQ(screen->slideInMenu(), nullptr);
}
