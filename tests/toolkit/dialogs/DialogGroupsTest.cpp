#include "platform/foundation/Scheduler.h"
#include "platform/ui/gesture/LongPressGestureRecognizer.h"
#include "platform/ui/standins/input/MemoryPasteboard.h"
#include "platform/ui/table/TableViewDataSource.h"
#include "platform/ui/table/TableViewDelegate.h"
#include "platform/ui/view/Window.h"
#include "toolkit/alerts/ZVActionMenu.h"
#include "toolkit/alerts/ZVActionMenuButton.h"
#include "toolkit/alerts/ZVAlertViewManager.h"
#include "toolkit/dialogs/ZVArrayCellGroup.h"
#include "toolkit/dialogs/ZVCellMenu.h"
#include "toolkit/dialogs/ZVLabelCell.h"
#include "toolkit/dialogs/ZVOptionCell.h"
#include "toolkit/tables/ZVTableView.h"

#include <gtest/gtest.h>

namespace {

// A table whose first rows are a label row and an option row, then the rows of an array group.
class Source : public platform::TableViewDataSource, public platform::TableViewDelegate {
public:
    std::shared_ptr<ZVLabelCell> label = std::make_shared<ZVLabelCell>();
    std::shared_ptr<ZVOptionCell> option = std::make_shared<ZVOptionCell>();
    std::shared_ptr<ZVArrayCellGroup> group;
    int made = 0;

    int tableViewNumberOfRowsInSection(platform::TableView&, int) override {
        return 2 + (group ? group->count() : 0);
    }
    std::shared_ptr<platform::TableViewCell> tableViewCellForRowAtIndexPath(
        platform::TableView& table, platform::IndexPath path) override {
        if (path.row == 0) {
            return label;
        }
        if (path.row == 1) {
            return option;
        }
        return group->cellAtIndex(static_cast<ZVTableView&>(table), path.row - 2);
    }
    std::optional<qreal> tableViewHeightForRowAtIndexPath(platform::TableView&,
                                                          platform::IndexPath) override {
        return 50;
    }
};

struct GroupStage {
    std::shared_ptr<platform::Window> window = platform::Window::make();
    std::shared_ptr<platform::View> root = platform::View::make(window->bounds());
    std::shared_ptr<ZVTableView> table = platform::View::make<ZVTableView>(QRectF(0, 0, 375, 667));
    std::shared_ptr<Source> source = std::make_shared<Source>();
    std::shared_ptr<platform::MemoryPasteboard> pasteboard =
        std::make_shared<platform::MemoryPasteboard>();

    GroupStage() {
        platform::Pasteboard::setGeneral(pasteboard);
        ZVAlertViewManager::alertViewManager().setKeyWindow(window);
        window->setRootView(root);
        root->addSubview(table);
        table->setDataSource(source);
        table->setDelegate(source);
    }
    void show() {
        table->reloadData();
        window->updateNow();
    }
    static void wait(double seconds) { platform::Scheduler::main().advance(seconds); }
    void longPress(QPointF at) {
        window->sendTouch(1, platform::TouchPhase::Began, at);
        wait(platform::LongPressGestureRecognizer::kDefaultMinimumPressDuration + 0.01);
        window->sendTouch(1, platform::TouchPhase::Ended, at);
        wait(3);
    }
};

TEST(ZVArrayCellGroup, RowsAreReusedCellsFilledFromTheirElementsWithTheGroupsOuterLines) {
    GroupStage stage;
    QStringList filled;
    stage.source->group = std::make_shared<ZVArrayCellGroup>(
        QVariantList{"anna", "bert", "carl"}, ZVArrayCellGroup::CellClass::of<ZVLabelCell>("Label"),
        [&filled](ZVDialogCell& cell, const QVariant& element) {
            static_cast<ZVLabelCell&>(cell).setLabelText(element.toString());
            filled << element.toString();
        });
    EXPECT_EQ(stage.source->group->reuseId(), "LabelCell");
    stage.show();
    EXPECT_EQ(filled, (QStringList{"anna", "bert", "carl"}));
    std::vector<std::pair<bool, bool>> lines;
    for (int row = 2; row < 5; ++row) {
        const auto cell =
            std::dynamic_pointer_cast<ZVLabelCell>(stage.table->cellForRowAtIndexPath({0, row}));
        ASSERT_NE(cell, nullptr);
        EXPECT_EQ(cell->reuseIdentifier(), "LabelCell");
        EXPECT_EQ(cell->style(), platform::TableViewCell::Style::Value1);
        lines.emplace_back(cell->beginsGroup(), cell->endsGroup());
    }
    EXPECT_EQ(lines,
              (std::vector<std::pair<bool, bool>>{{true, false}, {false, false}, {false, true}}));

    // A reload hands out the same cells again, refilled.
    const auto first = stage.table->cellForRowAtIndexPath({0, 2});
    stage.source->group->setBeginsGroup(false);
    stage.show();
    const auto again =
        std::dynamic_pointer_cast<ZVLabelCell>(stage.table->cellForRowAtIndexPath({0, 2}));
    EXPECT_FALSE(again->beginsGroup());
    EXPECT_EQ(filled.size(), 6);
    EXPECT_EQ(stage.source->group->cellAtIndex(*stage.table, 3), nullptr);
}

TEST(ZVCellMenu, OnlyALabelRowOffersToCopyItsText) {
    GroupStage stage;
    stage.source->label->setLabelText("Account id");
    stage.source->label->setDetailText("42");
    stage.show();
    const auto menu = ZVActionMenuHost::attach<ZVCellMenu>(stage.table);

    stage.longPress({100, 75});
    EXPECT_FALSE(menu->menuShowing());

    stage.longPress({100, 25});
    ASSERT_TRUE(menu->menuShowing());
    ASSERT_EQ(menu->menu()->actionCount(), 1);
    const auto& button = *menu->menu()->buttonByIndex(0);
    EXPECT_EQ(button.title(), ZVCellMenu::kCopyTitle);
    const QPointF middle = button.convertPointTo(button.bounds().center(), nullptr);
    stage.window->sendTouch(1, platform::TouchPhase::Began, middle);
    stage.window->sendTouch(1, platform::TouchPhase::Ended, middle);
    EXPECT_EQ(stage.pasteboard->string(), "Account id");
    GroupStage::wait(3);
    EXPECT_FALSE(menu->menuShowing());
}

}  // namespace
