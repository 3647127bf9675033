#include "AlertStage.h"

#include "platform/ui/gesture/LongPressGestureRecognizer.h"
#include "platform/ui/table/TableView.h"
#include "platform/ui/table/TableViewDataSource.h"
#include "platform/ui/table/TableViewDelegate.h"
#include "platform/ui/text/AttributedText.h"
#include "toolkit/alerts/ZVActionMenu.h"
#include "toolkit/alerts/ZVActionMenuButton.h"
#include "toolkit/alerts/ZVActionMenuHost.h"
#include "toolkit/alerts/ZVHighlightableCell.h"
#include "toolkit/style/ZVColorTable.h"

#include <gtest/gtest.h>

namespace {

using State = platform::GestureRecognizerState;

// A row that keeps its highlight while asked to and notes the colours it is given.
class Row : public platform::TableViewCell, public ZVHighlightableCell {
public:
    Row() : TableViewCell(Style::Default, QStringLiteral("row")) {}
    bool keep = false;
    bool isSelecting = false;
    std::vector<std::pair<QColor, double>> colours;

    QRectF contentRect() const override { return bounds().adjusted(20, 0, 0, 0); }
    bool selecting() const override { return isSelecting; }
    void setKeepHighlight(bool value) override { keep = value; }
    void setHighlightColor(const QColor& color, double duration) override {
        colours.emplace_back(color, duration);
    }
    void setHighlighted(bool highlighted, bool animated) override {
        if (!highlighted && keep) {
            return;
        }
        TableViewCell::setHighlighted(highlighted, animated);
    }
};

class Rows : public platform::TableViewDataSource, public platform::TableViewDelegate {
public:
    int tableViewNumberOfRowsInSection(platform::TableView&, int) override { return 10; }
    std::shared_ptr<platform::TableViewCell> tableViewCellForRowAtIndexPath(
        platform::TableView& table, platform::IndexPath) override {
        auto cell = table.dequeueReusableCell(QStringLiteral("row"));
        return cell ? cell : platform::View::make<Row>();
    }
    std::optional<qreal> tableViewHeightForRowAtIndexPath(platform::TableView&,
                                                          platform::IndexPath) override {
        return 60;
    }
};

// A host whose menu offers what the test asks, and which writes down its states and runs.
class Host : public ZVActionMenuHost {
public:
    using ZVActionMenuHost::ZVActionMenuHost;
    bool offer = true;
    std::vector<QString> ran;
    std::vector<State> states;
    int disappearances = 0;

    void copyRow() { ran.push_back(QStringLiteral("copy")); }
    void menuWillAppear() override {
        if (offer) {
            addOption("copy", "Copy", bind(&Host::copyRow));
        }
        ZVActionMenuHost::menuWillAppear();
    }
    void menuWillDisappear() override {
        ++disappearances;
        ZVActionMenuHost::menuWillDisappear();
    }
    void setState(State state) override {
        ZVActionMenuHost::setState(state);
        states.push_back(this->state());
    }
};

struct TableStage : AlertStage {
    std::shared_ptr<Rows> rows = std::make_shared<Rows>();
    std::shared_ptr<platform::TableView> table =
        std::make_shared<platform::TableView>(QRectF(0, 0, 375, 667));
    std::shared_ptr<Host> host;

    TableStage() {
        table->setDataSource(rows);
        table->setDelegate(rows);
        root->addSubview(table);
        table->reloadData();
        window->updateNow();
        host = ZVActionMenuHost::attach<Host>(table);
    }
    std::shared_ptr<Row> rowAt(int index) {
        return std::dynamic_pointer_cast<Row>(table->cellForRowAtIndexPath({0, index}));
    }
    // Holds a finger on `at` until a long press is due, and lifts it.
    void longPress(QPointF at) {
        window->sendTouch(1, platform::TouchPhase::Began, at);
        wait(platform::LongPressGestureRecognizer::kDefaultMinimumPressDuration + 0.01);
        window->sendTouch(1, platform::TouchPhase::Ended, at);
    }
};

TEST(ActionMenuHost, ALongPressOnARowOpensItsMenuAndKeepsTheRowHighlighted) {
    TableStage stage;
    const auto row = stage.rowAt(8);
    stage.window->sendTouch(1, platform::TouchPhase::Began, {100, 510});
    AlertStage::wait(platform::LongPressGestureRecognizer::kDefaultMinimumPressDuration + 0.01);
    EXPECT_EQ(stage.host->states.front(), State::Began);
    EXPECT_TRUE(stage.host->menuShowing());
    EXPECT_EQ(stage.host->cell(), row);
    const auto menu = stage.host->menu();
    ASSERT_NE(menu, nullptr);
    EXPECT_EQ(AlertStage::manager().currentAlertView(), menu);
    EXPECT_EQ(menu->pointAtView(), row);
    // The arrow points at the middle of the row's content, not of the whole row.
    EXPECT_EQ(menu->center().x() + menu->arrowPos(), 20 + (375 - 20) / 2.0);
    stage.window->sendTouch(1, platform::TouchPhase::Ended, {100, 510});
    stage.settle();

    EXPECT_TRUE(row->isHighlighted());
    ASSERT_EQ(row->colours.size(), 1u);
    EXPECT_EQ(row->colours[0].first,
              QColor(platform::resolveColor(ZVColorTable::colorWithName("cellHighlight"))));

    stage.tap(AlertStage::middleOf(*menu->buttonByIndex(0)));
    EXPECT_EQ(stage.host->ran, std::vector<QString>{"copy"});
    EXPECT_EQ(stage.host->disappearances, 1);
    EXPECT_FALSE(stage.host->menuShowing());
    EXPECT_EQ(stage.host->cell(), nullptr);
    EXPECT_EQ(stage.host->menu(), nullptr);
    EXPECT_FALSE(row->keep);
    ASSERT_EQ(row->colours.size(), 2u);
    EXPECT_FALSE(row->colours[1].first.isValid());
    EXPECT_EQ(row->colours[1].second, ZVActionMenuHost::kHighlightFadeDuration);
    stage.settle();
    EXPECT_FALSE(ZVAlertView::alertViewShowing());
}

TEST(ActionMenuHost, NoMenuWithoutAHighlightedRowOrWhileTextIsSelected) {
    struct Case {
        const char* name;
        std::function<void(TableStage&)> arrange;
        QPointF at;
    };
    const Case cases[] = {
        {"below the rows, nothing highlighted", [](TableStage&) {}, {100, 640}},
        {"a row whose text is being selected",
         [](TableStage& s) { s.rowAt(1)->isSelecting = true; },
         {100, 90}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TableStage stage;
        c.arrange(stage);
        stage.longPress(c.at);
        EXPECT_EQ(stage.host->states.front(), State::Cancelled);
        EXPECT_FALSE(stage.host->menuShowing());
        EXPECT_FALSE(ZVAlertView::alertViewShowing());
        EXPECT_EQ(stage.host->disappearances, 0);
    }
}

TEST(ActionMenuHost, AMenuWithoutOptionsLeavesTheHostIdleAtOnce) {
    TableStage stage;
    stage.host->offer = false;
    const auto row = stage.rowAt(2);
    stage.longPress({100, 150});
    EXPECT_EQ(stage.host->states.front(), State::Cancelled);
    EXPECT_FALSE(stage.host->menuShowing());
    EXPECT_EQ(stage.host->cell(), nullptr);
    EXPECT_EQ(stage.host->menu(), nullptr);
    EXPECT_EQ(stage.host->disappearances, 1);
    EXPECT_FALSE(ZVAlertView::alertViewShowing());
    EXPECT_FALSE(row->keep);
    stage.settle();
    EXPECT_FALSE(row->isHighlighted());

    // The next press with options opens a menu as usual.
    stage.host->offer = true;
    stage.host->states.clear();
    stage.longPress({100, 150});
    EXPECT_EQ(stage.host->states.front(), State::Began);
    EXPECT_TRUE(stage.host->menuShowing());
}

}  // namespace
