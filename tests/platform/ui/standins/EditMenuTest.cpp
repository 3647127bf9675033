#include "platform/foundation/NotificationCenter.h"
#include "platform/foundation/Scheduler.h"
#include "platform/ui/standins/FakeEditMenu.h"
#include "platform/ui/standins/OverlayEditMenu.h"
#include "platform/ui/standins/WindowOverlay.h"
#include "platform/ui/view/Window.h"

#include "tests/platform/ui/standins/ActionView.h"

#include <gtest/gtest.h>

namespace platform {
namespace {

const EditMenuItem kQuote{QStringLiteral("Quote"), QStringLiteral("quote:")};

QStringList titles(const QList<EditMenuItem>& items) {
    QStringList result;
    for (const EditMenuItem& item : items) {
        result.append(item.title);
    }
    return result;
}

// A phone window at one pixel per point with a view that quotes and copies, 100 pt down.
class EditMenuTest : public ::testing::Test {
protected:
    void SetUp() override {
        window->setRootView(root);
        root->addSubview(target);
        hides = NotificationCenter::defaultCenter().addObserverForName(
            EditMenu::kDidHideNotification, [this](const Notification&) { ++hideCount; });
    }

    void tap(QPointF at) {
        window->sendTouch(0, TouchPhase::Began, at);
        window->sendTouch(0, TouchPhase::Ended, at);
        Scheduler::main().runPending();
    }

    std::shared_ptr<Window> window = Window::make({DeviceProfile::Idiom::Phone, {375, 667}, 1, 20});
    std::shared_ptr<View> root = View::make(QRectF(0, 0, 375, 667));
    std::shared_ptr<ActionView> target =
        std::make_shared<ActionView>(QRectF(20, 100, 300, 200), QSet<QString>{"quote:", "copy:"});
    Observation hides;
    int hideCount = 0;
};

TEST_F(EditMenuTest, ShowsTheItemsTheChainPerformsAboveTheTargetAndATapRunsOneOnce) {
    OverlayEditMenu menu;
    menu.setMenuItems({kQuote, {QStringLiteral("Reply"), QStringLiteral("reply:")}});
    menu.setTargetRect(QRectF(10, 40, 100, 20), target);
    menu.setMenuVisible(true, false);

    ASSERT_TRUE(menu.isMenuVisible());
    // Standard items first; only what the view performs.
    EXPECT_EQ(titles(menu.shownItems()), (QStringList{"Copy", "Quote"}));
    const auto bar = menu.bar();
    ASSERT_TRUE(bar);
    EXPECT_EQ(bar->superview(), window.get());
    // The target in the window is (30, 140, 100, 20): the bar sits above it, centred on it.
    const QRectF frame = bar->frame();
    EXPECT_DOUBLE_EQ(frame.bottom(), 140 - WindowOverlay::kMargin);
    EXPECT_DOUBLE_EQ(frame.center().x(), 80);
    ASSERT_EQ(bar->subviews().size(), 2u);

    const QRectF quoteButton = bar->subviews()[1]->frame().translated(frame.topLeft());
    tap(quoteButton.center());
    EXPECT_EQ(target->performed, QStringList{"quote:"});
    EXPECT_FALSE(menu.isMenuVisible());
    EXPECT_EQ(bar->superview(), nullptr);
    EXPECT_EQ(hideCount, 1);

    // A tap where the bar was reaches nothing of the menu any more.
    tap(quoteButton.center());
    EXPECT_EQ(target->performed, QStringList{"quote:"});
    EXPECT_EQ(hideCount, 1);
}

TEST_F(EditMenuTest, ATouchElsewhereHidesTheMenuAndStillReachesWhatItTouched) {
    OverlayEditMenu menu;
    menu.setTargetRect(QRectF(10, 40, 100, 20), target);
    menu.setMenuVisible(true);
    const auto bar = menu.bar();

    // The touch's own view shows the menu again before the turn ends: it stays.
    window->sendTouch(0, TouchPhase::Began, QPointF(200, 250));
    menu.setMenuVisible(true);
    Scheduler::main().runPending();
    EXPECT_TRUE(menu.isMenuVisible());
    EXPECT_EQ(hideCount, 0);
    window->sendTouch(0, TouchPhase::Ended, QPointF(200, 250));

    window->sendTouch(1, TouchPhase::Began, QPointF(200, 250));
    Scheduler::main().runPending();
    EXPECT_FALSE(menu.isMenuVisible());
    EXPECT_EQ(hideCount, 1);
    EXPECT_EQ(target->touchesBegun, 2);
    window->sendTouch(1, TouchPhase::Ended, QPointF(200, 250));
    Scheduler::main().advance(WindowOverlay::kFadeDuration + 0.05);
    EXPECT_EQ(window->subviews().size(), 1u);

    // Hidden, the menu watches no more touches.
    window->sendTouch(2, TouchPhase::Began, QPointF(200, 250));
    Scheduler::main().runPending();
    EXPECT_EQ(hideCount, 1);
    EXPECT_TRUE(window->gestureRecognizers().empty());
}

TEST_F(EditMenuTest, PlacesTheBarBelowOrOverTheTargetWhenThereIsNoRoomAbove) {
    struct Case {
        QRectF rect;  // in the target view, which starts at (20, 100)
        qreal expectedTop;
    };
    const Case cases[] = {
        // 40 pt from the top of the window: no room for the bar under the status bar.
        {QRectF(0, -60, 50, 10), 50 + WindowOverlay::kMargin},
        {QRectF(0, -90, 50, 10), 20 + WindowOverlay::kMargin},
        // The whole screen: over its middle.
        {QRectF(-20, -100, 375, 667), 667.0 / 2 - OverlayEditMenu::kBarHeight / 2},
    };
    for (const Case& c : cases) {
        OverlayEditMenu menu;
        menu.setTargetRect(c.rect, target);
        menu.setMenuVisible(true);
        ASSERT_TRUE(menu.bar()) << c.rect.y();
        EXPECT_DOUBLE_EQ(menu.bar()->frame().top(), c.expectedTop) << c.rect.y();
        EXPECT_GE(menu.bar()->frame().left(), WindowOverlay::kMargin);
    }
}

TEST_F(EditMenuTest, StaysHiddenWithoutAPerformerOrAWindow) {
    FakeEditMenu menu;
    menu.setMenuItems({kQuote});
    const auto silent = std::make_shared<ActionView>(QRectF(0, 0, 10, 10));
    root->addSubview(silent);
    const auto outside =
        std::make_shared<ActionView>(QRectF(0, 0, 10, 10), QSet<QString>{"quote:"});
    for (const auto& view : {std::shared_ptr<View>(silent), std::shared_ptr<View>(outside)}) {
        menu.setTargetRect(QRectF(0, 0, 10, 10), view);
        menu.setMenuVisible(true);
        EXPECT_FALSE(menu.isMenuVisible());
    }
    EXPECT_TRUE(menu.showings().empty());
    EXPECT_EQ(hideCount, 0);
}

TEST_F(EditMenuTest, AsksTheChainFromTheFirstResponderAndSendsTheActionWhereItIsPerformed) {
    // The first responder performs copying itself; quoting is its superview's.
    const auto field =
        std::make_shared<ActionView>(QRectF(0, 0, 50, 20), QSet<QString>{"copy:"}, true);
    target->addSubview(field);
    ASSERT_TRUE(field->becomeFirstResponder());
    FakeEditMenu menu;
    menu.setMenuItems({kQuote});
    menu.setTargetRect(QRectF(0, 0, 50, 20), field);
    menu.setMenuVisible(true, true);

    ASSERT_EQ(menu.showings().size(), 1u);
    EXPECT_EQ(titles(menu.showings()[0].items), (QStringList{"Copy", "Quote"}));
    EXPECT_TRUE(menu.showings()[0].animated);
    EXPECT_TRUE(menu.chooseTitle(QStringLiteral("Quote")));
    EXPECT_EQ(target->performed, QStringList{"quote:"});
    EXPECT_TRUE(field->performed.isEmpty());
    EXPECT_EQ(menu.hideCount(), 1);
    EXPECT_EQ(hideCount, 1);
    // Hidden now: nothing more to choose, and hiding again tells nobody.
    EXPECT_FALSE(menu.chooseTitle(QStringLiteral("Copy")));
    menu.setMenuVisible(false);
    EXPECT_EQ(hideCount, 1);
}

TEST_F(EditMenuTest, ShowingAgainMovesTheBarAndKeepsOneOnScreen) {
    OverlayEditMenu menu;
    menu.setTargetRect(QRectF(0, 100, 50, 20), target);
    menu.setMenuVisible(true);
    const auto first = menu.bar();
    menu.setTargetRect(QRectF(0, 150, 50, 20), target);
    menu.setMenuVisible(true);
    EXPECT_EQ(first->superview(), nullptr);
    EXPECT_DOUBLE_EQ(menu.bar()->frame().bottom(), 250 - WindowOverlay::kMargin);
    EXPECT_EQ(hideCount, 0);
    menu.setMenuVisible(false, true);
    // Fades out on the clock, then leaves the window.
    EXPECT_EQ(hideCount, 1);
    Scheduler::main().advance(WindowOverlay::kFadeDuration + 0.1);
    for (const auto& view : window->subviews()) {
        EXPECT_NE(view, first);
    }
    EXPECT_EQ(window->subviews().size(), 1u);
}

}  // namespace
}  // namespace platform
