#include "tests/toolkit/screens/ScreenStage.h"
#include "toolkit/menus/ZVVerticalMenuItem.h"

#include <gtest/gtest.h>

namespace {

// A right menu shown by a screen of the stage and held at `position`, animations settled.
std::shared_ptr<ZVSlideInMenu> shownAt(ScreenStage& stage, std::shared_ptr<TestScreen>& screen,
                                       qreal position, ZVMenuSide side = ZVMenuSide::Right) {
    screen = stage.show(TestScreen::withMenus({side}));
    const auto menu = screen->menus[side];
    screen->setSlideInMenu(menu);
    platform::ViewAnimation::performWithoutAnimation([&] { menu->setPosition(position); });
    stage.settle();
    return menu;
}

qreal contentShift(const ScreenStage& stage) {
    return stage.coordinator->left->view()->transform().dx();
}

}  // namespace

TEST(ZVSlideInMenuTest, DurationFollowsTheReleaseSpeed) {
    ScreenStage stage;
    std::shared_ptr<TestScreen> screen;
    const auto menu = shownAt(stage, screen, 100);
    const struct {
        qreal speed;
        double duration;
    } cases[] = {{0, 0.3},    {49, 0.3},    {-49, 0.3},    {50, 0.3},
                 {1000, 0.3}, {2000, 0.15}, {-2000, 0.15}, {6000, 0.05}};
    for (const auto& c : cases) {
        EXPECT_DOUBLE_EQ(menu->durationForSpeed(c.speed), c.duration) << c.speed;
    }
}

// Let go without speed, a menu opens from half its width on; speed counts half.
TEST(ZVSlideInMenuTest, SettlesOpenOrClosedByPositionAndSpeed) {
    const struct {
        qreal position;
        qreal speed;
        bool opens;
    } cases[] = {
        {99, 0, false}, {100, 0, true}, {101, 0, true}, {60, 80, true}, {150, -110, false}};
    for (const auto& c : cases) {
        ScreenStage stage;
        std::shared_ptr<TestScreen> screen;
        const auto menu = shownAt(stage, screen, c.position);
        menu->completeTransitionWithSpeed(c.speed);
        stage.settle();
        if (c.opens) {
            EXPECT_EQ(menu->position(), 200) << c.position;
            EXPECT_EQ(screen->slideInMenu(), menu);
        } else {
            EXPECT_EQ(menu->superview(), nullptr) << c.position;
            EXPECT_EQ(screen->slideInMenu(), nullptr);
            EXPECT_EQ(contentShift(stage), 0);
        }
    }
}

// The position stays within the menu's width and the content moves by exactly that much, away
// from the menu's side.
TEST(ZVSlideInMenuTest, PositionIsClampedAndMovesTheContent) {
    const struct {
        ZVMenuSide side;
        qreal asked;
        qreal position;
        qreal menuX;
        qreal shift;
    } cases[] = {
        {ZVMenuSide::Right, 250, 200, 175, -200}, {ZVMenuSide::Right, -5, 0, 375, 0},
        {ZVMenuSide::Right, 80, 80, 295, -80},    {ZVMenuSide::Left, 50, 50, -150, 50},
        {ZVMenuSide::Left, 300, 200, 0, 200},     {ZVMenuSide::Left, -1, 0, -200, 0},
    };
    for (const auto& c : cases) {
        ScreenStage stage;
        std::shared_ptr<TestScreen> screen;
        const auto menu = shownAt(stage, screen, c.asked, c.side);
        EXPECT_EQ(menu->position(), c.position) << c.asked;
        EXPECT_EQ(menu->frame(), QRectF(c.menuX, 0, 200, 667)) << c.asked;
        EXPECT_EQ(contentShift(stage), c.shift) << c.asked;
    }
}

TEST(ZVSlideInMenuTest, AppearDuringAHideKeepsTheMenu) {
    ScreenStage stage;
    std::shared_ptr<TestScreen> screen;
    const auto menu = shownAt(stage, screen, 200);
    menu->disappearWithSpeed(0);
    EXPECT_TRUE(menu->isDisappearing());
    menu->appearWithSpeed(0);
    stage.settle();
    EXPECT_EQ(menu->superview(), &stage.window());
    EXPECT_EQ(screen->slideInMenu(), menu);
    EXPECT_EQ(menu->position(), 200);
}

// The screen's menu buttons open and close their menus; the other side's button replaces the one
// shown, which leaves.
TEST(ZVSlideInMenuTest, MenuButtonsToggleAndReplace) {
    ScreenStage stage;
    auto screen = stage.show(TestScreen::withMenus({ZVMenuSide::Left, ZVMenuSide::Right}));
    const auto left = screen->menus[ZVMenuSide::Left];
    const auto right = screen->menus[ZVMenuSide::Right];
    screen->showRightMenu();
    stage.settle();
    EXPECT_EQ(screen->slideInMenu(), right);
    EXPECT_EQ(right->position(), 200);
    EXPECT_TRUE(stage.window().statusBarAppearance().hidden);

    screen->showLeftMenu();
    stage.settle();
    EXPECT_EQ(screen->slideInMenu(), left);
    EXPECT_EQ(right->superview(), nullptr);
    EXPECT_EQ(right->viewController(), nullptr);
    EXPECT_EQ(left->viewController(), screen);
    EXPECT_EQ(contentShift(stage), 200);

    screen->showLeftMenu();
    stage.settle();
    EXPECT_EQ(screen->slideInMenu(), nullptr);
    EXPECT_EQ(left->superview(), nullptr);
    EXPECT_EQ(contentShift(stage), 0);
    EXPECT_FALSE(stage.window().statusBarAppearance().hidden);

    // Leaving the screen sends its menu away.
    screen->showRightMenu();
    stage.settle();
    stage.left().popViewControllerAnimated(false);
    stage.settle();
    EXPECT_EQ(right->superview(), nullptr);
    EXPECT_EQ(screen->slideInMenu(), nullptr);
}

// A choice that navigates: the menu goes at once while a picture of the old screen slides off to
// the left and the content comes back from the right.
TEST(ZVSlideInMenuTest, DisappearLeftSlidesTheContentBackIn) {
    ScreenStage stage;
    std::shared_ptr<TestScreen> screen;
    const auto menu = shownAt(stage, screen, 200);
    const std::size_t viewsBefore = stage.window().subviews().size();
    menu->disappearLeft();
    EXPECT_EQ(stage.window().subviews().size(), viewsBefore + 1);
    EXPECT_EQ(menu->position(), 0);
    stage.settle();
    EXPECT_EQ(menu->superview(), nullptr);
    EXPECT_EQ(screen->slideInMenu(), nullptr);
    EXPECT_EQ(contentShift(stage), 0);
    EXPECT_EQ(stage.window().subviews().size(), viewsBefore - 1);
}

// The menu's own pan: a sideways drag moves it, and let go it settles.
TEST(ZVSlideInMenuTest, OwnPanDragsTheMenu) {
    ScreenStage stage;
    std::shared_ptr<TestScreen> screen;
    const auto menu = shownAt(stage, screen, 200);
    const QPointF start(300, 300);
    stage.down(start);
    for (int step = 1; step <= 6; ++step) {
        ScreenStage::wait(0.05);
        stage.move(start + QPointF(step * 25, 0));
    }
    EXPECT_EQ(menu->position(), 50);
    EXPECT_EQ(contentShift(stage), -50);
    ScreenStage::wait(0.2);
    stage.move(start + QPointF(150, 0));
    stage.up(start + QPointF(150, 0));
    stage.settle();
    EXPECT_EQ(menu->superview(), nullptr);
    EXPECT_EQ(screen->slideInMenu(), nullptr);
}

namespace {

// An open right menu with three items, the first selected; rows at y 20, 65 and 110.
std::shared_ptr<ZVSlideInMenu> openWithItems(ScreenStage& stage,
                                             std::shared_ptr<TestScreen>& screen) {
    const auto menu = shownAt(stage, screen, 200);
    for (const char* title : {"Pins", "Files", "Tasks"}) {
        auto item = std::make_shared<ZVVerticalMenuItem>();
        item->setTitle(title);
        menu->addItem(item);
    }
    menu->setSelectedItemIndex(0);
    stage.settle();
    return menu;
}

}  // namespace

// Dragging along the items moves the selection with the finger and announces the item the
// finger ends on; once the drag turns sideways the selection goes back and the menu follows.
TEST(ZVSlideInMenuTest, VerticalDragSelectsAndASidewaysOneRestores) {
    for (const bool sideways : {false, true}) {
        ScreenStage stage;
        std::shared_ptr<TestScreen> screen;
        const auto menu = openWithItems(stage, screen);
        int announced = 0;
        auto observation = menu->observe(QString(ZVVerticalMenu::SelectedItemIndexKey),
                                         [&](const QString&) { ++announced; });
        const QPointF start(260, 75);
        stage.down(start);
        for (int step = 1; step <= 5; ++step) {
            ScreenStage::wait(0.05);
            stage.move(start + QPointF(0, step * 10));
        }
        EXPECT_EQ(menu->selectedItemIndex(), 2);
        QPointF end = start + QPointF(0, 50);
        if (sideways) {
            for (int step = 1; step <= 4; ++step) {
                ScreenStage::wait(0.05);
                stage.move(end + QPointF(step * 15, 0));
            }
            end += QPointF(60, 0);
            EXPECT_EQ(menu->selectedItemIndex(), 0);
            EXPECT_EQ(menu->position(), 140);
        }
        ScreenStage::wait(0.2);
        stage.move(end);
        stage.up(end);
        stage.settle();
        EXPECT_EQ(menu->selectedItemIndex(), sideways ? 0 : 2) << sideways;
        EXPECT_EQ(announced, sideways ? 0 : 1) << sideways;
        EXPECT_FALSE(menu->selectionChanging());
        EXPECT_EQ(menu->position(), 200);
    }
}

// After a drag chose an item, a tap on it in toggle mode compares with that item, not with the
// one selected before the drag: it deselects.
TEST(ZVSlideInMenuTest, NextTouchAfterADragStartsFromItsChoice) {
    ScreenStage stage;
    std::shared_ptr<TestScreen> screen;
    const auto menu = openWithItems(stage, screen);
    menu->setToggleItems(true);
    stage.drag({260, 75}, {260, 125}, 5);
    stage.settle();
    ASSERT_EQ(menu->selectedItemIndex(), 2);
    stage.down({260, 125});
    stage.up({260, 125});
    stage.settle();
    EXPECT_EQ(menu->selectedItemIndex(), ZVVerticalMenu::kNotFound);
}

// On a tablet the left stack is narrower than the window: the right menu's edge and its position
// are both taken from the left stack, so a position reads back as it was set and a drag moves the
// menu by the finger's distance.
TEST(ZVSlideInMenuTest, TabletPositionReadsBackAsSet) {
    ScreenStage stage(platform::DeviceProfile::tablet());
    std::shared_ptr<TestScreen> screen;
    const auto menu = shownAt(stage, screen, 120);
    EXPECT_EQ(menu->frame(), QRectF(200, 0, 200, 1024));
    EXPECT_EQ(menu->position(), 120);
    menu->completeTransitionWithSpeed(0);
    stage.settle();
    EXPECT_EQ(menu->position(), 200);
}
