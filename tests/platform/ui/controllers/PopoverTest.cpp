#include "platform/ui/controllers/navigation/NavigationController.h"
#include "platform/ui/controllers/popover/PopoverController.h"
#include "platform/ui/controllers/popover/PopoverHostView.h"
#include "platform/ui/controllers/popover/PopoverPlacement.h"
#include "platform/ui/view/Window.h"
#include "tests/platform/ui/controllers/RecordingControllers.h"

#include <gtest/gtest.h>

using namespace platform;
namespace Arrow = PopoverArrowDirection;

namespace {

// The tablet's screen less the margins and the status bar.
const QRectF kArea(10, 20, 748, 994);
const QSizeF kContent(300, 400);

// Where the arrow's tip is, in window points.
QPointF tipOf(const PopoverPlacement& p) {
    switch (p.arrowDirection) {
        case Arrow::Up:
            return {p.frame.left() + p.arrowOffset, p.frame.top()};
        case Arrow::Down:
            return {p.frame.left() + p.arrowOffset, p.frame.bottom()};
        case Arrow::Left:
            return {p.frame.left(), p.frame.top() + p.arrowOffset};
        case Arrow::Right:
            return {p.frame.right(), p.frame.top() + p.arrowOffset};
        default:
            return p.frame.center();
    }
}

struct PlacementCase {
    const char* name;
    QRectF anchor;
    unsigned permitted;
    unsigned arrow;
    QPointF tip;
};

void PrintTo(const PlacementCase& c, std::ostream* os) {
    *os << c.name;
}

class PopoverPlacementCases : public testing::TestWithParam<PlacementCase> {};

}  // namespace

TEST_P(PopoverPlacementCases, PointsAtTheAnchorFromTheSideWithRoomAndStaysOnScreen) {
    const PlacementCase& c = GetParam();
    const PopoverPlacement p = PopoverPlacement::place(c.anchor, kContent, kArea, c.permitted);
    EXPECT_EQ(p.arrowDirection, c.arrow);
    EXPECT_TRUE(kArea.contains(p.frame)) << "frame " << p.frame.x() << "," << p.frame.y();
    EXPECT_EQ(p.bodyFrame().size(), kContent);
    const QPointF tip = tipOf(p);
    EXPECT_NEAR(tip.x(), c.tip.x(), 0.01);
    EXPECT_NEAR(tip.y(), c.tip.y(), 0.01);
    // The arrow never runs into a rounded corner.
    const qreal along = (c.arrow == Arrow::Up || c.arrow == Arrow::Down) ? p.bodyFrame().width()
                                                                         : p.bodyFrame().height();
    const qreal margin = PopoverPlacement::kCornerRadius + PopoverPlacement::kArrowBase / 2;
    EXPECT_GE(p.arrowOffset, margin);
    EXPECT_LE(p.arrowOffset, along - margin);
}

INSTANTIATE_TEST_SUITE_P(
    NearEachEdge, PopoverPlacementCases,
    testing::Values(
        // Near the top: below the anchor, arrow up at the anchor's bottom middle.
        PlacementCase{"top", {350, 30, 60, 40}, Arrow::Any, Arrow::Up, {380, 70}},
        // Near the bottom: no room below, so above it.
        PlacementCase{"bottom", {350, 960, 60, 40}, Arrow::Any, Arrow::Down, {380, 960}},
        // Near the left edge with only sideways arrows: to its right.
        PlacementCase{
            "left", {12, 500, 30, 30}, Arrow::Left | Arrow::Right, Arrow::Left, {42, 515}},
        // Near the right edge with only sideways arrows: to its left.
        PlacementCase{
            "right", {720, 500, 30, 30}, Arrow::Left | Arrow::Right, Arrow::Right, {720, 515}},
        // In the top-left corner the body slides right, the arrow still on the anchor...
        PlacementCase{
            "top-left corner",
            {12, 22, 20, 20},
            Arrow::Any,
            Arrow::Up,
            {10 + PopoverPlacement::kCornerRadius + PopoverPlacement::kArrowBase / 2, 42}},
        // ...and in the bottom-right corner it slides left and goes above.
        PlacementCase{
            "bottom-right corner", {700, 980, 50, 30}, Arrow::Any, Arrow::Down, {725, 980}},
        // An anchor partly off the screen counts where it shows.
        PlacementCase{
            "anchor partly off screen", {-20, 300, 40, 40}, Arrow::Left, Arrow::Left, {20, 320}}),
    [](const testing::TestParamInfo<PlacementCase>& info) {
        std::string name = info.param.name;
        std::replace_if(
            name.begin(), name.end(), [](char ch) { return !std::isalnum(ch); }, '_');
        return name;
    });

TEST(PopoverPlacement, ShrinksToTheBestSideWhenNothingFitsAndCentresWithoutRoom) {
    // Only "down" from an anchor 100 pt below the top: the body gets what is there.
    const PopoverPlacement cut =
        PopoverPlacement::place({300, 120, 40, 40}, kContent, kArea, Arrow::Down);
    EXPECT_EQ(cut.arrowDirection, Arrow::Down);
    EXPECT_EQ(cut.bodyFrame().height(), 120 - 20 - PopoverPlacement::kArrowHeight);
    EXPECT_EQ(cut.frame.bottom(), 120);

    // An anchor covering the whole area leaves no side: no arrow, centred.
    const PopoverPlacement none = PopoverPlacement::place(kArea, kContent, kArea, Arrow::Any);
    EXPECT_EQ(none.arrowDirection, Arrow::Unknown);
    EXPECT_EQ(none.frame.center(), kArea.center());
}

TEST(PopoverController, ShowsContentFromARectAndGoesOnATouchOutside) {
    const auto log = makeLog();
    auto window = Window::make(DeviceProfile::tablet());
    const auto root = ViewController::make();
    window->setRootViewController(root);
    const auto anchor = View::make(QRectF(100, 900, 80, 40));
    root->view()->addSubview(anchor);
    const auto content = recording("C", log);
    content->setPreferredContentSize({320, 300});
    bool tapped = false;
    auto popover = std::make_unique<PopoverController>(content);
    int dismissals = 0;
    popover->didDismissPopover = [&](PopoverController&) { ++dismissals; };

    ASSERT_TRUE(popover->presentFromRect(anchor->bounds(), anchor, Arrow::Any, true));
    EXPECT_TRUE(popover->isPopoverVisible());
    EXPECT_EQ(popover->popoverArrowDirection(), Arrow::Down);
    EXPECT_EQ(popover->popoverFrame().bottom(), 900);
    Scheduler::main().advance(0.5);
    EXPECT_EQ(*log, (QStringList{"C didLoad", "C willAppear", "C didAppear"}));

    // Touches on the content reach it.
    struct Target : View {
        bool* hit;
        explicit Target(bool* h) : hit(h) {}
        void touchesBegan(const TouchSet&, const TouchEvent&) override { *hit = true; }
    };
    auto target = std::make_shared<Target>(&tapped);
    target->setFrame(content->view()->bounds());
    content->view()->addSubview(target);
    const QPointF inside = content->view()->convertPointTo({10, 10}, nullptr);
    window->sendTouch(1, TouchPhase::Began, inside);
    window->sendTouch(1, TouchPhase::Ended, inside);
    EXPECT_TRUE(tapped);
    EXPECT_TRUE(popover->isPopoverVisible());

    // A touch outside asks first.
    popover->shouldDismissPopover = [](PopoverController&) { return false; };
    window->sendTouch(2, TouchPhase::Began, {700, 100});
    window->sendTouch(2, TouchPhase::Ended, {700, 100});
    EXPECT_TRUE(popover->isPopoverVisible());
    popover->shouldDismissPopover = {};
    window->sendTouch(3, TouchPhase::Began, {700, 100});
    window->sendTouch(3, TouchPhase::Ended, {700, 100});
    EXPECT_FALSE(popover->isPopoverVisible());
    EXPECT_EQ(dismissals, 0) << "told once the fade ends";
    Scheduler::main().advance(0.5);
    EXPECT_EQ(dismissals, 1);
    EXPECT_EQ(window->subviews().size(), 1u);
    EXPECT_EQ(log->mid(3), (QStringList{"C willDisappear", "C didDisappear"}));

    // A dismissal in code tells nobody; a popover controller destroyed while showing takes its
    // popover along.
    popover->presentFromRect(anchor->bounds(), anchor, Arrow::Any, false);
    popover->dismissPopoverAnimated(false);
    EXPECT_EQ(dismissals, 1);
    popover->presentFromRect(anchor->bounds(), anchor, Arrow::Any, false);
    popover.reset();
    EXPECT_EQ(window->subviews().size(), 1u);
    EXPECT_EQ(content->view()->window(), nullptr);
}

TEST(PopoverController, RefusesAnAnchorOutsideAnyWindow) {
    PopoverController popover(ViewController::make());
    EXPECT_FALSE(popover.presentFromRect({0, 0, 10, 10}, View::make(), Arrow::Any, false));
    EXPECT_FALSE(popover.isPopoverVisible());
}

TEST(PopoverController, PointsAtABarItemInANavigationBar) {
    auto window = Window::make(DeviceProfile::tablet());
    const auto screen = ViewController::make();
    const auto navigation = std::make_shared<NavigationController>(screen);
    window->setRootViewController(navigation);
    const auto share = BarButtonItem::withTitle("Share", BarButtonItem::Style::Plain, {});
    screen->navigationItem().setRightBarButtonItem(share);
    window->layoutIfNeeded();

    PopoverController popover(ViewController::make());
    EXPECT_FALSE(popover.presentFromBarButtonItem(
        BarButtonItem::withTitle("Not shown", BarButtonItem::Style::Plain, {}), Arrow::Any, false));
    ASSERT_TRUE(popover.presentFromBarButtonItem(share, Arrow::Any, false));
    const QRectF item = share->shownView()->convertRectTo(share->shownView()->bounds(), nullptr);
    EXPECT_EQ(popover.popoverArrowDirection(), Arrow::Up);
    EXPECT_EQ(popover.popoverFrame().top(), item.bottom());
    EXPECT_LE(popover.popoverFrame().right(), 768 - PopoverHostView::kScreenMargin);
}
