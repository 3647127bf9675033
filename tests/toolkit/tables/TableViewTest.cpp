#include "TableStage.h"

#include "toolkit/widgets/ZVBackgroundView.h"

#include <gtest/gtest.h>

namespace {

constexpr double kJustBefore = 0.09;

TEST(ZVTableView, AHeightNoticeMovesTheBottomAtOnceAndTheRealHeightTakesOverLater) {
    struct Case {
        const char* name;
        std::vector<std::pair<int, qreal>> grow;  // row, new height
        qreal delta;
    };
    // Rows 3 to 13 show at the top of the 20 rows of 60.
    const Case cases[] = {
        {"one row grows 30 pt", {{5, 90}}, 30},
        {"0.9 pt is rounding", {{5, 60.9}}, 0},
        {"one grows, one shrinks", {{5, 90}, {7, 50}}, 20},
        {"a row out of sight is not counted", {{19, 200}}, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TableStage stage;
        stage.table->setContentOffset({0, 200});
        stage.window->updateNow();
        const qreal before = stage.table->bottomScrollPos();
        EXPECT_EQ(before, 20 * 60 - 667);
        for (const auto& [row, height] : c.grow) {
            stage.rows->heights[row] = height;
        }
        stage.rowAt(5)->notifyCellHeightChangeAnimated(false);
        TableStage::wait(kJustBefore);
        EXPECT_TRUE(stage.rows->deltas.empty());
        TableStage::wait(0.01);
        ASSERT_EQ(stage.rows->deltas.size(), 1u);
        EXPECT_NEAR(stage.rows->deltas[0], c.delta, 1e-9);
        EXPECT_NEAR(stage.table->bottomScrollPos(), before + c.delta, 1e-9);

        TableStage::wait(ZVTableView::kNewContentHeightDuration);
        EXPECT_EQ(stage.table->newContentHeight(), 0);
        stage.window->updateNow();
        // Past the expected height, the laid-out rows tell: every change counts now.
        qreal total = 0;
        for (qreal h : stage.rows->heights) {
            total += h;
        }
        EXPECT_EQ(stage.table->bottomScrollPos(), total - 667);
    }
}

TEST(ZVTableView, AnimatedNoticeExpectsTheNewHeightBeforeTheRowsMove) {
    TableStage stage;
    stage.rows->heights[2] = 100;
    stage.rowAt(2)->notifyCellHeightChangeAnimated(true);
    TableStage::wait(ZVTableViewCell::kHeightNoticeDelay);
    EXPECT_EQ(stage.table->newContentHeight(), 20 * 60 + 40);
    EXPECT_EQ(stage.table->bottomScrollPos(), 20 * 60 + 40 - 667);
}

TEST(ZVTableView, TheNoticeOfARowThatLeftTheTableIsDropped) {
    TableStage stage;
    // A row that left the table before its notice was due.
    auto row = stage.rowAt(1);
    row->notifyCellHeightChangeAnimated(false);
    row->removeFromSuperview();
    TableStage::wait(1);
    EXPECT_TRUE(stage.rows->deltas.empty());
}

TEST(ZVTableView, TheScrollLockDropsOffsetsUntilItLapsesOrARequestStaysPut) {
    TableStage stage;
    stage.table->setContentOffset({0, 100});
    stage.table->disableScroll();
    stage.table->setContentOffset({0, 300});
    EXPECT_EQ(stage.table->contentOffset().y(), 100);
    EXPECT_TRUE(stage.table->isScrollDisabled());

    // A request at the current offset ends the lock, and is dropped itself.
    stage.table->setContentOffset({0, 100.4});
    EXPECT_FALSE(stage.table->isScrollDisabled());
    EXPECT_EQ(stage.table->contentOffset().y(), 100);
    stage.table->setContentOffset({0, 300});
    EXPECT_EQ(stage.table->contentOffset().y(), 300);

    stage.table->disableScroll();
    TableStage::wait(ZVTableView::kScrollLockDuration - 0.01);
    stage.table->setContentOffset({0, 50});
    EXPECT_EQ(stage.table->contentOffset().y(), 300);
    TableStage::wait(0.01);
    stage.table->setContentOffset({0, 50});
    EXPECT_EQ(stage.table->contentOffset().y(), 50);
}

TEST(ZVTableView, OnlyItsOwnerSetsTheInsetsAndTheEmptyStateSitsBelowTheRows) {
    TableStage stage([](Rows& rows) { rows.heights.assign(3, 50); });
    auto background = platform::View::make<ZVBackgroundView>();
    stage.table->setBackgroundView(background);

    stage.table->setContentInset({64, 0, 0, 0});
    EXPECT_EQ(stage.table->contentInset(), platform::EdgeInsets());

    stage.table->doSetContentInset({10, 1, 216, 2});
    EXPECT_EQ(stage.table->contentInset(), (platform::EdgeInsets{10, 1, 216, 2}));
    EXPECT_EQ(background->contentInset(), (platform::EdgeInsets{150, 1, 216, 2}));
    // The bottom inset counts for the bottom: 150 of rows, a 667 view, a 216 keyboard.
    EXPECT_EQ(stage.table->bottomScrollPos(), 0);
    stage.table->doSetContentInset({0, 0, 600, 0});
    EXPECT_EQ(stage.table->bottomScrollPos(), 150 - 667 + 600);
    stage.table->scrollToBottomAnimated(false);
    EXPECT_EQ(stage.table->contentOffset().y(), 83);
    EXPECT_TRUE(stage.table->isScrolledToBottom());
    stage.table->setContentOffset({0, 63});
    EXPECT_FALSE(stage.table->isScrolledToBottom());
}

TEST(ZVTableView, TheBottomViewSitsUnderTheLastRow) {
    TableStage stage([](Rows& rows) { rows.heights.assign(3, 50); });
    auto first = platform::View::make(QRectF(0, 0, 10, 44));
    stage.table->setBottomView(first);
    stage.window->updateNow();
    EXPECT_EQ(first->frame(), QRectF(0, 150, 375, 44));

    // A new one comes in beside the old, which its owner moves out; none takes the current away.
    auto second = platform::View::make(QRectF(0, 0, 10, 30));
    stage.table->setBottomView(second);
    EXPECT_TRUE(first->superview() == stage.table.get());
    stage.table->setBottomView(nullptr);
    EXPECT_EQ(second->superview(), nullptr);
    EXPECT_EQ(stage.table->bottomView(), nullptr);
}

}  // namespace
