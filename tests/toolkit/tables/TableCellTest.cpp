#include "TableStage.h"

#include "platform/ui/text/AttributedText.h"
#include "toolkit/alerts/ZVActionMenu.h"
#include "toolkit/alerts/ZVActionMenuButton.h"
#include "toolkit/alerts/ZVActionMenuHost.h"
#include "toolkit/alerts/ZVAlertViewManager.h"
#include "toolkit/style/ZVColors.h"
#include "toolkit/tables/ZVCellOverlay.h"

#include <gtest/gtest.h>

namespace {

using platform::TouchPhase;

QColor cellHighlight() {
    return platform::resolveColor(ZVColors::cellHighlight());
}

// Row 2 of the stage's table spans y 120 to 180.
constexpr QPointF kRow2{100, 150};
// Animations end at the first display frame past their duration.
constexpr double kFrames = 0.05;

TEST(ZVTableViewCell, ATouchHighlightsAtOnceAndFadesOutAfterTheRelease) {
    TableStage stage;
    const auto cell = stage.rowAt(2);
    stage.touch(TouchPhase::Began, kRow2);
    TableStage::wait(platform::TableView::kHighlightDelay);
    const auto overlay = cell->overlay();
    ASSERT_NE(overlay, nullptr);
    EXPECT_EQ(overlay->alpha(), ZVTableViewCell::kHighlightOpacity);
    EXPECT_EQ(overlay->color(), cellHighlight());
    EXPECT_EQ(overlay->frame(), cell->contentView()->frame());
    // Right above the content.
    const auto& subviews = cell->subviews();
    const auto content = std::find(subviews.begin(), subviews.end(), cell->contentView());
    ASSERT_NE(content + 1, subviews.end());
    EXPECT_EQ(*(content + 1), overlay);

    stage.touch(TouchPhase::Ended, kRow2);
    TableStage::wait(ZVTableViewCell::kUnhighlightDuration / 2);
    EXPECT_EQ(overlay->superview(), cell.get());
    EXPECT_GT(overlay->layer().presentationOpacity(), 0);
    EXPECT_LT(overlay->layer().presentationOpacity(), ZVTableViewCell::kHighlightOpacity);
    TableStage::wait(ZVTableViewCell::kUnhighlightDuration / 2 + kFrames);
    EXPECT_EQ(cell->overlay(), nullptr);
    EXPECT_EQ(overlay->superview(), nullptr);
}

TEST(ZVTableViewCell, KeepHighlightHoldsTheOverlayUntilItIsClearedAndTheColourRemoved) {
    TableStage stage;
    const auto cell = stage.rowAt(2);
    stage.touch(TouchPhase::Began, kRow2);
    TableStage::wait(platform::TableView::kHighlightDelay);
    cell->setKeepHighlight(true);
    stage.touch(TouchPhase::Ended, kRow2);
    TableStage::wait(1);
    ASSERT_NE(cell->overlay(), nullptr);
    EXPECT_EQ(cell->overlay()->alpha(), ZVTableViewCell::kHighlightOpacity);

    cell->setKeepHighlight(false);
    cell->setHighlightColor(QColor());
    EXPECT_EQ(cell->overlay(), nullptr);
}

TEST(ZVTableViewCell, AnotherColourCrossFadesFromTheOldOverlayToANewOne) {
    TableStage stage;
    const auto cell = stage.rowAt(2);
    cell->setHighlightColor(Qt::red);
    const auto red = cell->overlay();
    ASSERT_NE(red, nullptr);
    cell->setHighlightColor(Qt::blue, 0.3);
    const auto blue = cell->overlay();
    ASSERT_NE(blue, nullptr);
    EXPECT_NE(blue, red);
    EXPECT_EQ(blue->color(), QColor(Qt::blue));
    TableStage::wait(0.15);
    EXPECT_LT(red->layer().presentationOpacity(), ZVTableViewCell::kHighlightOpacity);
    EXPECT_GT(blue->layer().presentationOpacity(), 0);
    EXPECT_EQ(red->superview(), cell.get());
    TableStage::wait(0.15 + kFrames);
    EXPECT_EQ(red->superview(), nullptr);
    EXPECT_EQ(blue->superview(), cell.get());
    EXPECT_EQ(blue->alpha(), ZVTableViewCell::kHighlightOpacity);

    // The same colour again changes nothing but the opacity.
    cell->setHighlightColor(Qt::blue, 0.5, 0.3);
    TableStage::wait(0.3);
    EXPECT_EQ(cell->overlay(), blue);
    EXPECT_EQ(blue->alpha(), 0.5);
}

TEST(ZVTableViewCell, AHighlightSetByOtherCodeOutlastsATouchEvenInTheSameColour) {
    TableStage stage;
    const auto cell = stage.rowAt(2);
    // A menu's highlight, equal in value to the touch highlight.
    cell->setHighlightColor(cellHighlight());
    stage.touch(TouchPhase::Began, kRow2);
    TableStage::wait(platform::TableView::kHighlightDelay);
    stage.touch(TouchPhase::Ended, kRow2);
    TableStage::wait(1);
    ASSERT_NE(cell->overlay(), nullptr);
    EXPECT_EQ(cell->highlightColor(), cellHighlight());

    // Once that code has taken its colour away, touches highlight again.
    cell->setHighlightColor(QColor());
    stage.touch(TouchPhase::Began, kRow2);
    TableStage::wait(platform::TableView::kHighlightDelay);
    EXPECT_NE(cell->overlay(), nullptr);
    stage.touch(TouchPhase::Ended, kRow2);
    TableStage::wait(1);
    EXPECT_EQ(cell->overlay(), nullptr);
}

TEST(ZVTableViewCell, ARowThatIsNotHighlightableIgnoresTouches) {
    TableStage stage;
    const auto cell = stage.rowAt(2);
    cell->setHighlightable(false);
    stage.touch(TouchPhase::Began, kRow2);
    TableStage::wait(platform::TableView::kHighlightDelay);
    EXPECT_EQ(cell->overlay(), nullptr);
    stage.touch(TouchPhase::Ended, kRow2);
}

// A host that offers one command, for a long press on the stage's rows.
class Host : public ZVActionMenuHost {
public:
    using ZVActionMenuHost::ZVActionMenuHost;
    void menuWillAppear() override {
        addOption("copy", "Copy", [] {});
        ZVActionMenuHost::menuWillAppear();
    }
};

TEST(ZVTableViewCell, ARowUnderAnOpenActionMenuStaysHighlightedAndFadesWhenItCloses) {
    TableStage stage;
    ZVAlertViewManager::alertViewManager().setKeyWindow(stage.window);
    const auto host = ZVActionMenuHost::attach<Host>(stage.table);
    const auto cell = stage.rowAt(2);
    stage.touch(TouchPhase::Began, kRow2);
    TableStage::wait(platform::LongPressGestureRecognizer::kDefaultMinimumPressDuration + 0.01);
    ASSERT_TRUE(host->menuShowing());
    stage.touch(TouchPhase::Ended, kRow2);
    TableStage::wait(1);
    ASSERT_NE(cell->overlay(), nullptr);
    EXPECT_TRUE(cell->keepHighlight());

    const auto& button = *host->menu()->buttonByIndex(0);
    stage.tap(button.convertPointTo(button.bounds().center(), nullptr));
    EXPECT_FALSE(host->menuShowing());
    EXPECT_FALSE(cell->keepHighlight());
    TableStage::wait(3);
    EXPECT_EQ(cell->overlay(), nullptr);
}

}  // namespace
