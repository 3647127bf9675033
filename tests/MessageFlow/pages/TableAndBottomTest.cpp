#include "tests/MessageFlow/pages/PagesTestSupport.h"

#include "MessageFlow/pages/ZVOverlayContainer.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/foundation/Scheduler.h"
#include "platform/ui/controllers/navigation/NavigationBar.h"
#include "platform/ui/standins/input/Keyboard.h"
#include "platform/ui/view/Window.h"

#include <gtest/gtest.h>

#include <cmath>

namespace pagestest {
namespace {

using platform::Keyboard;

constexpr qreal kTick = ZVTableAndBottomViewController::kScrollTick;

platform::Scheduler& scheduler() {
    return platform::Scheduler::main();
}

void postKeyboard(QLatin1StringView name, const QRectF& end) {
    platform::NotificationCenter::defaultCenter().postNotificationName(
        QString(name), nullptr, {}, {{QString(Keyboard::FrameEndUserInfoKey), end}});
}

// A screen of 1,000 rows of 44 pt, the root of a window of the given device.
class TableAndBottomTest : public ::testing::Test {
protected:
    void show(platform::DeviceProfile profile = platform::DeviceProfile::phone()) {
        window = platform::Window::make(profile);
        window->setRootViewController(screen);
        window->layoutIfNeeded();
    }
    void SetUp() override {
        show();
        screen->setScrollPos(0, false);
    }

    ZVTableView& table() { return *screen->table(); }
    qreal offset() { return table().contentOffset().y(); }
    // Ticks until the stepped scroll ends (at most `limit` seconds); the offsets it went through.
    std::vector<qreal> runScroll(qreal limit = 10) {
        screen->offsets.clear();
        for (qreal t = 0; t < limit && screen->animatingScroll(); t += kTick) {
            scheduler().advance(kTick);
        }
        return screen->offsets;
    }
    static std::shared_ptr<platform::View> bar(qreal height) {
        return platform::View::make(QRectF(0, 0, 375, height));
    }

    std::shared_ptr<RowsScreen> screen = std::make_shared<RowsScreen>();
    std::shared_ptr<platform::Window> window;
};

TEST_F(TableAndBottomTest, ASteppedScrollAcceleratesCruisesSlowsAndLandsExactly) {
    const qreal target = 1000;
    screen->setScrollPos(target, true);
    EXPECT_EQ(screen->scrollTarget(), target);
    const std::vector<qreal> offsets = runScroll();

    ASSERT_FALSE(screen->animatingScroll());
    ASSERT_GT(offsets.size(), 2u);
    EXPECT_EQ(offsets.back(), target);
    EXPECT_EQ(screen->decelerationEnds, 1);
    qreal previous = 0;
    qreal fastest = 0;
    // Every tick but the landing one, from the start at 0.
    for (std::size_t i = 0; i + 1 < offsets.size(); ++i) {
        const qreal step = offsets[i] - (i == 0 ? 0 : offsets[i - 1]);
        EXPECT_LE(step, ZVTableAndBottomViewController::kMaximumSpeed) << i;
        EXPECT_GE(step, ZVTableAndBottomViewController::kMinimumSpeed) << i;
        EXPECT_LE(std::abs(step - previous), ZVTableAndBottomViewController::kMaximumAcceleration)
            << i;
        fastest = std::max(fastest, step);
        previous = step;
    }
    EXPECT_EQ(fastest, ZVTableAndBottomViewController::kMaximumSpeed);
}

TEST_F(TableAndBottomTest, ShortScrollsRetargetsAndRefusedOffsetsEndTheScroll) {
    // Within a point: lands on the first tick and reports the end.
    screen->setScrollPos(offset() + 0.8, true);
    scheduler().advance(kTick);
    EXPECT_FALSE(screen->animatingScroll());
    EXPECT_DOUBLE_EQ(offset(), 0.8);
    EXPECT_EQ(screen->decelerationEnds, 1);

    // A new target behind the motion replaces the old one and is reached.
    screen->setScrollPos(2000, true);
    for (int i = 0; i < 40; ++i) {
        scheduler().advance(kTick);
    }
    ASSERT_TRUE(screen->animatingScroll());
    const qreal behind = offset() - 300;
    screen->setScrollPos(behind, true);
    runScroll();
    EXPECT_FALSE(screen->animatingScroll());
    EXPECT_EQ(offset(), behind);
    EXPECT_EQ(screen->decelerationEnds, 2);

    // A table that takes no offset (its scroll lock) ends the scroll instead of ticking for ever.
    table().disableScroll();
    screen->setScrollPos(offset() + 500, true);
    scheduler().advance(kTick);
    EXPECT_FALSE(screen->animatingScroll());
    EXPECT_EQ(offset(), behind);
}

TEST_F(TableAndBottomTest, ADragStopsTheScrollAndAScreenGoneLeavesNoTimer) {
    screen->setScrollPos(3000, true);
    for (int i = 0; i < 20; ++i) {
        scheduler().advance(kTick);
    }
    ASSERT_TRUE(screen->animatingScroll());
    window->sendTouch(1, platform::TouchPhase::Began, {200, 300});
    for (int y = 290; y >= 200; y -= 10) {
        scheduler().advance(kTick);
        window->sendTouch(1, platform::TouchPhase::Moved, {200, qreal(y)});
    }
    EXPECT_TRUE(screen->manualScrolling());
    EXPECT_FALSE(screen->animatingScroll());
    window->sendTouch(1, platform::TouchPhase::Ended, {200, 200});
    // Past the deceleration of the flick.
    scheduler().advance(5);
    EXPECT_FALSE(screen->manualScrolling());
    EXPECT_FALSE(screen->animatingScroll());
    EXPECT_LT(offset(), 3000);

    // The timer goes with the screen: nothing runs on a screen that is gone.
    const std::size_t idle = scheduler().pendingCount();
    screen->setScrollPos(0, true);
    ASSERT_TRUE(screen->animatingScroll());
    ASSERT_GT(scheduler().pendingCount(), idle);
    const std::weak_ptr<RowsScreen> gone = screen;
    window->setRootViewController(nullptr);
    screen.reset();
    ASSERT_TRUE(gone.expired());
    scheduler().advance(1);
    EXPECT_LE(scheduler().pendingCount(), idle);
}

TEST_F(TableAndBottomTest, TheInsetFollowsKeyboardBottomViewAndSpacingKeepingTheBottomInView) {
    const auto composer = bar(44);
    screen->setBottomSpacing(6);
    screen->setBottomView(composer);
    EXPECT_EQ(table().contentInset().bottom, 50);
    EXPECT_EQ(offset(), table().bottomScrollPos()) << "docking scrolls to the bottom";
    const platform::IndexPath last{999, 0};
    const auto lastRowShows = [&] {
        const QRectF row = table().rectForRowAtIndexPath(last);
        return row.bottom() <= offset() + table().bounds().height() - table().contentInset().bottom;
    };
    EXPECT_TRUE(lastRowShows());

    // At the bottom, the keyboard keeps the last row in view; the composer rides on it.
    postKeyboard(Keyboard::WillShowNotification, {0, 667 - 216, 375, 216});
    EXPECT_EQ(table().contentInset().bottom, 216 + 44 + 6);
    EXPECT_TRUE(lastRowShows());
    EXPECT_EQ(composer->frame(), QRectF(0, 667 - 216 - 44, 375, 44));
    postKeyboard(Keyboard::WillHideNotification, {0, 667, 375, 216});
    EXPECT_EQ(table().contentInset().bottom, 50);
    EXPECT_TRUE(lastRowShows());

    // Elsewhere, the offset stays.
    screen->setScrollPos(1000, false);
    postKeyboard(Keyboard::WillShowNotification, {0, 667 - 216, 375, 216});
    EXPECT_EQ(offset(), 1000);
    postKeyboard(Keyboard::WillHideNotification, {0, 667, 375, 216});
    EXPECT_EQ(offset(), 1000);

    // Differences under a point are rounding.
    screen->setBottomSpacing(6.5);
    EXPECT_EQ(table().contentInset().bottom, 50);
    screen->setBottomSpacing(7);
    EXPECT_EQ(table().contentInset().bottom, 51);

    // A growing composer keeps a table at the bottom there.
    screen->setScrollPos(table().bottomScrollPos(), false);
    screen->setBottomViewHeight(80);
    EXPECT_EQ(table().contentInset().bottom, 87);
    EXPECT_TRUE(lastRowShows());
    EXPECT_EQ(composer->frame(), QRectF(0, 667 - 80, 375, 80));
}

TEST_F(TableAndBottomTest, OneBottomViewAtATimeAndTheRightSideViewNarrowsTheRest) {
    const auto first = bar(44);
    const auto second = bar(20);
    screen->setBottomView(first);
    screen->setBottomView(second);
    EXPECT_EQ(screen->bottomView(), first);
    EXPECT_EQ(second->superview(), nullptr);
    screen->setBottomView(nullptr);
    EXPECT_EQ(first->superview(), nullptr);
    EXPECT_EQ(table().contentInset().bottom, 0);
    screen->setBottomView(second);
    EXPECT_EQ(screen->bottomView(), second);

    screen->setRightSideView(platform::View::make(QRectF(0, 0, 50, 10)));
    EXPECT_EQ(screen->rightSideView()->frame(), QRectF(325, 0, 50, 667));
    EXPECT_EQ(table().frame(), QRectF(0, 0, 325, 667));
    screen->updateBottomView();
    EXPECT_EQ(second->frame(), QRectF(0, 647, 325, 20));
}

class SidePanelTest : public TableAndBottomTest {
protected:
    void SetUp() override {
        show(platform::DeviceProfile::tablet());
        screen->setRightSideView(platform::View::make(QRectF(0, 0, 50, 10)));
        screen->setBottomView(bar(44));
    }
    QRectF panel() { return screen->overlayContainer()->frame(); }
};

TEST_F(SidePanelTest, ThePanelSlidesInBesideTheSideViewAboveKeyboardAndComposer) {
    const QRectF rect(768 - 50 - 320, 0, 320, 1024 - 44);
    EXPECT_EQ(screen->overlayContainerRect(), rect);
    const auto files = std::make_shared<SidePage>(3);
    screen->setOverlayViewController(files);
    ASSERT_TRUE(screen->overlayContainer());
    EXPECT_EQ(screen->overlayContainer()->layer().shadowOffset(), QPointF(-5, 0));
    EXPECT_EQ(files->view()->superview(), screen->overlayContainer().get());
    scheduler().advance(ZVTableAndBottomViewController::kOverlayDuration / 2);
    EXPECT_GT(screen->overlayContainer()->layer().presentationPosition().x(), rect.center().x());
    scheduler().advance(ZVTableAndBottomViewController::kOverlayDuration);
    EXPECT_EQ(panel(), rect);

    // The keyboard shortens it.
    postKeyboard(Keyboard::WillShowNotification, {0, 1024 - 264, 768, 264});
    EXPECT_EQ(panel(), QRectF(rect.x(), 0, 320, 1024 - 264 - 44));
    EXPECT_EQ(files->view()->frame(), QRectF(0, 0, 320, 1024 - 264 - 44));

    // An editing panel screen gets a bar over it.
    files->setEditing(true, false);
    ASSERT_TRUE(screen->navigationBar());
    EXPECT_EQ(screen->navigationBar()->frame(),
              QRectF(0, 0, 320, platform::NavigationBar::kHeight));
    EXPECT_EQ(files->view()->frame().y(), platform::NavigationBar::kHeight);
    files->setEditing(false, false);
    EXPECT_FALSE(screen->navigationBar());
    EXPECT_EQ(files->view()->frame().y(), 0);
}

TEST_F(SidePanelTest, ANewScreenWhileThePanelSlidesOutKeepsThePanel) {
    const auto files = std::make_shared<SidePage>(3);
    const auto members = std::make_shared<SidePage>(5);
    screen->setOverlayViewController(files);
    scheduler().advance(1);
    screen->setOverlayViewController(nullptr);
    scheduler().advance(ZVTableAndBottomViewController::kOverlayDuration / 2);
    screen->setOverlayViewController(members);
    scheduler().advance(1);
    ASSERT_TRUE(screen->overlayContainer());
    EXPECT_EQ(screen->overlayContainer()->superview(), screen->view().get());
    EXPECT_EQ(panel(), screen->overlayContainerRect());
    EXPECT_EQ(files->view()->superview(), nullptr);
    EXPECT_EQ(members->view()->superview(), screen->overlayContainer().get());

    // Out for good: the panel goes once it has slid out.
    screen->setOverlayViewController(nullptr);
    EXPECT_TRUE(screen->overlayContainer());
    scheduler().advance(1);
    EXPECT_FALSE(screen->overlayContainer());
    EXPECT_EQ(members->view()->superview(), nullptr);
}

}  // namespace
}  // namespace pagestest
