#include "platform/ui/animation/ViewAnimation.h"
#include "platform/ui/table/TableView.h"
#include "tests/platform/ui/table/RecordingTable.h"

#include <gtest/gtest.h>

#include <numeric>

using namespace platform;
using Events = std::vector<std::string>;

namespace {

constexpr TimeInterval kTableFrame = 1.0 / 60;

// A 320 × 480 table at scale 1 over the recording data source.
struct TableStage {
    std::shared_ptr<Window> window = Window::make({DeviceProfile::Idiom::Phone, {320, 480}, 1, 20});
    std::shared_ptr<TableView> table = View::make<TableView>(QRectF(0, 0, 320, 480));
    std::shared_ptr<RecordingTable> source = std::make_shared<RecordingTable>();

    explicit TableStage(std::vector<std::vector<int>> sections, bool instant = true) {
        ViewAnimation::setInstant(instant);
        source->sections = std::move(sections);
        table->setDataSource(source);
        table->setDelegate(source);
        window->setRootView(table);
        window->updateNow();
    }
    ~TableStage() { ViewAnimation::setInstant(false); }

    static std::vector<int> items(int from, int count) {
        std::vector<int> out(static_cast<std::size_t>(count));
        std::iota(out.begin(), out.end(), from);
        return out;
    }

    // The items that should show at the table's offset, by the model's own heights.
    std::vector<int> expectedShown() const {
        std::vector<int> shown;
        qreal y = 0;
        const qreal top = table->contentOffset().y();
        const qreal bottom = top + table->bounds().height();
        for (const auto& section : source->sections) {
            for (const int item : section) {
                const qreal h = RecordingTable::heightOf(item);
                if (y + h > top && y < bottom) {
                    shown.push_back(item);
                }
                y += h;
            }
        }
        return shown;
    }

    void touch(TouchPhase phase, QPointF at) { window->sendTouch(1, phase, at); }
};

}  // namespace

TEST(TableView, RowsArePlacedByTheDelegatesHeightsWithoutMakingCells) {
    TableStage stage({TableStage::items(0, 1000)});
    EXPECT_EQ(stage.source->heightQuestions, 1000);
    const std::vector<int> shown = RecordingTable::shownItems(*stage.table);
    EXPECT_EQ(shown, stage.expectedShown());
    EXPECT_EQ(stage.source->cellsMade, static_cast<int>(shown.size()))
        << "cells only for the rows that show";

    qreal y = 0;
    for (int item = 0; item < 999; ++item) {
        y += RecordingTable::heightOf(item);
    }
    EXPECT_EQ(stage.table->rectForRowAtIndexPath({0, 999}), QRectF(0, y, 320, 20 + 999 % 3 * 20));
    EXPECT_EQ(stage.table->contentSize().height(), y + RecordingTable::heightOf(999));
    EXPECT_EQ(stage.table->indexPathForRowAtPoint({10, y + 1}), IndexPath({0, 999}));
    EXPECT_TRUE(stage.table->rectForRowAtIndexPath({0, 1000}).isEmpty());
    EXPECT_EQ(stage.source->cellsMade, static_cast<int>(shown.size()))
        << "asking for a rectangle makes no cell";

    const auto cells = stage.table->visibleCells();
    const auto paths = stage.table->indexPathsForVisibleRows();
    ASSERT_EQ(cells.size(), paths.size());
    for (std::size_t i = 0; i < cells.size(); ++i) {
        EXPECT_EQ(cells[i]->frame(), stage.table->rectForRowAtIndexPath(paths[i]));
        EXPECT_EQ(stage.table->cellForRowAtIndexPath(paths[i]), cells[i]);
    }
}

TEST(TableView, ScrolledOutCellsAreReusedForRowsScrollingIn) {
    TableStage stage({TableStage::items(0, 500)});
    auto scrollBy = [&](qreal dy) {
        stage.table->setContentOffset(stage.table->contentOffset() + QPointF(0, dy));
        stage.window->updateNow();
        ASSERT_EQ(RecordingTable::shownItems(*stage.table), stage.expectedShown());
    };
    for (int i = 0; i < 30; ++i) {  // warm up: a screen and a half, in small steps
        scrollBy(24);
    }
    const int afterWarmUp = stage.source->cellsMade;
    int reuses = 0;
    const qreal end = stage.table->contentSize().height() - stage.table->bounds().height();
    while (stage.table->contentOffset().y() + 37 < end) {
        scrollBy(37);
    }
    while (stage.table->contentOffset().y() > 0) {
        scrollBy(-std::min<qreal>(53, stage.table->contentOffset().y()));
    }
    for (const auto& cell : stage.table->visibleCells()) {
        reuses += static_cast<RecordingTable::ItemCell&>(*cell).reuses;
    }
    EXPECT_EQ(stage.source->cellsMade, afterWarmUp) << "no new cell after warm-up";
    EXPECT_GT(reuses, 0);
}

TEST(TableView, ScriptedChangesKeepTheRowsTheDataSourceHas) {
    TableStage stage({TableStage::items(0, 8), TableStage::items(100, 8)});
    auto& model = stage.source->sections;
    struct Step {
        const char* name;
        std::function<void()> change;
    };
    const Step steps[] = {
        {"insert two at the top",
         [&] {
             model[0].insert(model[0].begin(), {50, 51});
             stage.table->insertRows({{0, 0}, {0, 1}}, TableRowAnimation::Top);
         }},
        {"delete the third",
         [&] {
             model[0].erase(model[0].begin() + 2);
             stage.table->deleteRows({{0, 2}}, TableRowAnimation::Fade);
         }},
        {"move the first to the end of its section",
         [&] {
             std::rotate(model[0].begin(), model[0].begin() + 1, model[0].end());
             stage.table->moveRow({0, 0}, {0, static_cast<int>(model[0].size()) - 1});
         }},
        {"move a row into the next section",
         [&] {
             const int item = model[0][1];
             model[0].erase(model[0].begin() + 1);
             model[1].insert(model[1].begin(), item);
             stage.table->moveRow({0, 1}, {1, 0});
         }},
        {"a batch: delete old rows 0 and 3, insert new rows 0 and 5",
         [&] {
             stage.table->beginUpdates();
             model[0].erase(model[0].begin() + 3);
             model[0].erase(model[0].begin());
             stage.table->deleteRows({{0, 0}, {0, 3}}, TableRowAnimation::Left);
             model[0].insert(model[0].begin(), 60);
             model[0].insert(model[0].begin() + 5, 61);
             stage.table->insertRows({{0, 0}, {0, 5}}, TableRowAnimation::Right);
             stage.table->endUpdates();
         }},
        {"insert a section before",
         [&] {
             model.insert(model.begin(), TableStage::items(200, 3));
             stage.table->insertSections({0}, TableRowAnimation::Fade);
         }},
        {"delete the middle section",
         [&] {
             model.erase(model.begin() + 1);
             stage.table->deleteSections({1}, TableRowAnimation::Fade);
         }},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.name);
        const auto before = stage.table->visibleCells();
        const int made = stage.source->cellsMade;
        step.change();
        stage.window->updateNow();
        EXPECT_EQ(RecordingTable::shownItems(*stage.table), stage.expectedShown());
        for (std::size_t s = 0; s < model.size(); ++s) {
            EXPECT_EQ(stage.table->numberOfRowsInSection(static_cast<int>(s)),
                      static_cast<int>(model[s].size()));
        }
        // No reload behind the update: rows that stayed kept their very cells.
        int keptCells = 0;
        for (const auto& cell : stage.table->visibleCells()) {
            keptCells += std::count(before.begin(), before.end(), cell) > 0 ? 1 : 0;
        }
        EXPECT_GT(keptCells, 0);
        EXPECT_EQ(stage.source->cellsMade, made) << "rows that came in took the cells that left";
    }
}

TEST(TableView, AnUpdateThatDoesNotAddUpReloadsTheTable) {
    struct Case {
        const char* name;
        std::function<void(TableStage&)> change;
    };
    const Case cases[] = {
        {"an insert the data source does not have",
         [](TableStage& s) {
             s.table->insertRows({{0, 2}}, TableRowAnimation::Fade);
         }},
        {"rows added without telling, then one insert",
         [](TableStage& s) {
             s.source->sections[0].insert(s.source->sections[0].begin(), {70, 71});
             s.table->insertRows({{0, 0}}, TableRowAnimation::Fade);
         }},
        {"a section count that is off",
         [](TableStage& s) {
             s.source->sections.push_back({90});
             s.table->beginUpdates();
             s.table->endUpdates();
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TableStage stage({TableStage::items(0, 30)});
        stage.table->setContentOffset({0, 100});
        c.change(stage);
        stage.window->updateNow();
        EXPECT_EQ(RecordingTable::shownItems(*stage.table), stage.expectedShown());
        EXPECT_EQ(stage.table->numberOfSections(), static_cast<int>(stage.source->sections.size()));
        EXPECT_EQ(stage.table->numberOfRowsInSection(0),
                  static_cast<int>(stage.source->sections[0].size()));
    }
}

TEST(TableView, HeightsAreAskedAgainAtEndUpdatesAndRowsMoveThereOverTime) {
    TableStage stage({TableStage::items(0, 10)}, false);
    const auto second = stage.table->cellForRowAtIndexPath({0, 1});
    const QRectF secondBefore = second->frame();
    stage.source->heightOverrides[0] = 100;  // item 0 grows from 20 to 100
    stage.table->beginUpdates();
    stage.table->endUpdates();
    EXPECT_EQ(stage.table->rectForRowAtIndexPath({0, 1}), secondBefore.translated(0, 80));
    Scheduler::main().advance(TableView::kUpdateAnimationDuration / 2);
    stage.window->updateNow();
    const qreal midway = second->layer().presentationPosition().y() - second->bounds().height() / 2;
    EXPECT_GT(midway, secondBefore.top());
    EXPECT_LT(midway, secondBefore.top() + 80);
    Scheduler::main().advance(TableView::kUpdateAnimationDuration);
    EXPECT_EQ(second->frame(), secondBefore.translated(0, 80));
    EXPECT_EQ(stage.table->cellForRowAtIndexPath({0, 1}), second) << "the same cell moved";
}

TEST(TableView, DeletedRowsLeaveAnimatedAndTheirCellsAreReusedAfterwards) {
    TableStage stage({TableStage::items(0, 10)}, false);
    const auto first = stage.table->cellForRowAtIndexPath({0, 0});
    stage.source->sections[0].erase(stage.source->sections[0].begin());
    stage.table->deleteRows({{0, 0}}, TableRowAnimation::Fade);
    EXPECT_EQ(first->superview(), stage.table.get()) << "still fading out";
    EXPECT_FALSE(stage.table->indexPathForCell(*first));
    Scheduler::main().advance(TableView::kUpdateAnimationDuration + kTableFrame);
    EXPECT_EQ(first->superview(), nullptr);
    EXPECT_EQ(stage.table->dequeueReusableCell(QString::fromLatin1(RecordingTable::kIdentifier)),
              first);
}

TEST(TableView, TapHighlightsOnceCertainThenSelects) {
    TableStage stage({TableStage::items(0, 40)});
    const QPointF row2 = stage.table->rectForRowAtIndexPath({0, 2}).center();
    auto& events = stage.source->events;

    stage.touch(TouchPhase::Began, row2);
    Scheduler::main().advance(TableView::kHighlightDelay / 2);
    EXPECT_TRUE(events.empty()) << "no highlight before the tap is certain";
    Scheduler::main().advance(TableView::kHighlightDelay);
    EXPECT_EQ(events, Events{"did highlight 0.2"});
    EXPECT_TRUE(stage.table->cellForRowAtIndexPath({0, 2})->isHighlighted());
    stage.touch(TouchPhase::Ended, row2);
    EXPECT_EQ(events, (Events{"did highlight 0.2", "will select 0.2", "did select 0.2",
                              "did unhighlight 0.2"}));
    EXPECT_EQ(stage.table->indexPathForSelectedRow(), IndexPath({0, 2}));
    EXPECT_TRUE(stage.table->cellForRowAtIndexPath({0, 2})->isSelected());
    EXPECT_FALSE(stage.table->cellForRowAtIndexPath({0, 2})->isHighlighted());
    // Cells that fade a highlight out (and keep it without animation) are told: not animated.
    const auto& row2Cell =
        static_cast<RecordingTable::ItemCell&>(*stage.table->cellForRowAtIndexPath({0, 2}));
    EXPECT_EQ(std::vector<std::string>(row2Cell.highlights.end() - 2, row2Cell.highlights.end()),
              (std::vector<std::string>{"on", "off"}));

    struct Case {
        const char* name;
        std::function<std::optional<IndexPath>(IndexPath)> redirect;
        Events expected;
        std::optional<IndexPath> selected;
    };
    const Case quickTaps[] = {
        {"lifted at once: the whole sequence at the lift",
         {},
         {"did highlight 0.3", "will select 0.3", "did select 0.3", "did unhighlight 0.3"},
         IndexPath{0, 3}},
        {"redirected by will-select",
         [](IndexPath) {
             return IndexPath{0, 5};
         },
         {"did highlight 0.3", "will select 0.3", "did select 0.5", "did unhighlight 0.3"},
         IndexPath{0, 5}},
        {"refused by will-select: the selection stays",
         [](IndexPath) { return std::nullopt; },
         {"did highlight 0.3", "will select 0.3", "did unhighlight 0.3"},
         IndexPath{0, 5}},
    };
    const QPointF row3 = stage.table->rectForRowAtIndexPath({0, 3}).center();
    for (const Case& c : quickTaps) {
        SCOPED_TRACE(c.name);
        events.clear();
        stage.source->redirect = c.redirect;
        stage.touch(TouchPhase::Began, row3);
        stage.touch(TouchPhase::Ended, row3);
        EXPECT_EQ(events, c.expected);
        EXPECT_EQ(stage.table->indexPathForSelectedRow(), c.selected);
    }
    EXPECT_FALSE(stage.table->cellForRowAtIndexPath({0, 2})->isSelected());
}

TEST(TableView, ADragOrATouchThatStopsTheRowsIsNoTap) {
    TableStage stage({TableStage::items(0, 40)});
    const QPointF start = stage.table->rectForRowAtIndexPath({0, 4}).center();
    stage.touch(TouchPhase::Began, start);
    for (int i = 1; i <= 6; ++i) {
        Scheduler::main().advance(kTableFrame);
        stage.touch(TouchPhase::Moved, start - QPointF(0, 8 * i));
    }
    Scheduler::main().advance(1);
    stage.touch(TouchPhase::Ended, start - QPointF(0, 48));
    EXPECT_TRUE(stage.source->events.empty());
    EXPECT_GT(stage.table->contentOffset().y(), 0) << "the drag scrolled instead";
    EXPECT_FALSE(stage.table->indexPathForSelectedRow());

    // A flick, then a tap on the moving rows: it stops them and selects nothing.
    stage.touch(TouchPhase::Began, {100, 400});
    for (int i = 1; i <= 6; ++i) {
        Scheduler::main().advance(kTableFrame);
        stage.touch(TouchPhase::Moved, {100, 400 - 40.0 * i});
    }
    stage.touch(TouchPhase::Ended, {100, 160});
    Scheduler::main().advance(0.1);
    ASSERT_TRUE(stage.table->isDecelerating());
    stage.touch(TouchPhase::Began, {100, 200});
    Scheduler::main().advance(TableView::kHighlightDelay * 2);
    stage.touch(TouchPhase::Ended, {100, 200});
    EXPECT_FALSE(stage.table->isDecelerating());
    EXPECT_TRUE(stage.source->events.empty());
    EXPECT_FALSE(stage.table->indexPathForSelectedRow());
}

TEST(TableView, EditingDeletesAndMovesRows) {
    TableStage stage({TableStage::items(0, 6)});
    stage.table->setEditing(true, false);
    stage.window->updateNow();
    auto& events = stage.source->events;

    // The red control at the left of row 1.
    const QRectF row1 = stage.table->rectForRowAtIndexPath({0, 1});
    const QPointF control(TableViewCell::kEditingControlWidth / 2, row1.center().y());
    stage.touch(TouchPhase::Began, control);
    stage.touch(TouchPhase::Ended, control);
    EXPECT_EQ(events, Events{"commit delete 0.1"});
    EXPECT_EQ(stage.source->sections[0], (std::vector<int>{0, 2, 3, 4, 5}));
    stage.window->updateNow();
    EXPECT_EQ(RecordingTable::shownItems(*stage.table), (std::vector<int>{0, 2, 3, 4, 5}));

    // Row 0 (20 pt) dragged by its grip down past rows 1 and 2 (60 and 20 pt).
    const QPointF grip(320 - TableViewCell::kReorderControlWidth / 2, 10);
    stage.touch(TouchPhase::Began, grip);
    for (int y = 20; y <= 90; y += 10) {
        Scheduler::main().advance(kTableFrame);
        stage.touch(TouchPhase::Moved, {grip.x(), qreal(y)});
    }
    EXPECT_EQ(stage.table->contentOffset().y(), 0) << "the grip's drag does not scroll";
    stage.touch(TouchPhase::Ended, {grip.x(), 90});
    EXPECT_EQ(events.back(), "move from 0.0");
    EXPECT_EQ(stage.source->sections[0], (std::vector<int>{2, 3, 0, 4, 5}));
    stage.window->updateNow();
    EXPECT_EQ(RecordingTable::shownItems(*stage.table), (std::vector<int>{2, 3, 0, 4, 5}));
    const auto cells = stage.table->visibleCells();
    EXPECT_EQ(cells[2]->frame(), stage.table->rectForRowAtIndexPath({0, 2}));

    events.clear();
    const QPointF row0 = stage.table->rectForRowAtIndexPath({0, 0}).center();
    stage.touch(TouchPhase::Began, row0);
    stage.touch(TouchPhase::Ended, row0);
    EXPECT_TRUE(events.empty()) << "rows are not selected while editing";
}

TEST(TableView, SectionViewsAndTheTablesOwnHeaderAndFooter) {
    class Sections : public RecordingTable {
    public:
        std::optional<qreal> tableViewHeightForHeaderInSection(TableView&, int) override {
            return 30;
        }
        std::shared_ptr<View> tableViewViewForHeaderInSection(TableView&, int section) override {
            auto view = View::make();
            view->setTag(section + 1);
            return view;
        }
    };
    auto source = std::make_shared<Sections>();
    source->sections = {TableStage::items(0, 12), TableStage::items(20, 12)};
    TableStage stage({});
    stage.table->setDataSource(source);
    stage.table->setDelegate(source);
    auto header = View::make(QRectF(0, 0, 320, 50));
    auto footer = View::make(QRectF(0, 0, 320, 40));
    stage.table->setTableHeaderView(header);
    stage.table->setTableFooterView(footer);
    stage.window->updateNow();

    // 12 rows of 20, 40 and 60 points: 480 per section.
    EXPECT_EQ(stage.table->rectForHeaderInSection(0), QRectF(0, 50, 320, 30));
    EXPECT_EQ(stage.table->rectForRowAtIndexPath({0, 0}), QRectF(0, 80, 320, 20));
    EXPECT_EQ(stage.table->rectForHeaderInSection(1), QRectF(0, 560, 320, 30));
    EXPECT_EQ(stage.table->contentSize().height(), 50 + 2 * (30 + 480) + 40);
    EXPECT_EQ(footer->frame(), QRectF(0, 1070, 320, 40));
    EXPECT_EQ(header->frame(), QRectF(0, 0, 320, 50));

    struct Case {
        qreal offset;
        qreal firstHeaderTop;  // nan: not showing
        qreal secondHeaderTop;
    };
    const qreal none = std::nan("");
    const Case cases[] = {
        {0, 50, none},
        {200, 200, 560},  // pinned at the top while its section scrolls under it
        {545, 530, 560},  // pushed up by the next section's header
        {700, none, 700},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.offset);
        stage.table->setContentOffset({0, c.offset});
        for (const auto& [section, expected] :
             {std::pair{0, c.firstHeaderTop}, std::pair{1, c.secondHeaderTop}}) {
            const auto view = stage.table->headerViewForSection(section);
            if (std::isnan(expected)) {
                EXPECT_EQ(view, nullptr);
            } else {
                ASSERT_NE(view, nullptr);
                EXPECT_EQ(view->tag(), section + 1);
                EXPECT_EQ(view->frame().top(), expected);
            }
        }
    }
}

TEST(TableView, ScrollToARow) {
    TableStage stage({TableStage::items(0, 100)});
    stage.table->setContentInset({0, 0, 40, 0});
    struct Case {
        const char* name;
        TableView::ScrollPosition position;
        int row;
    };
    const Case cases[] = {
        {"top", TableView::ScrollPosition::Top, 30},
        {"middle", TableView::ScrollPosition::Middle, 30},
        {"bottom, above the inset", TableView::ScrollPosition::Bottom, 30},
        {"top of the last row: no further than the end", TableView::ScrollPosition::Top, 99},
    };
    const qreal visible = 480 - 40;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        stage.table->setContentOffset({0, 0});
        stage.table->scrollToRowAtIndexPath({0, c.row}, c.position, false);
        const QRectF rect = stage.table->rectForRowAtIndexPath({0, c.row});
        const qreal y = stage.table->contentOffset().y();
        switch (c.position) {
            case TableView::ScrollPosition::Top:
                EXPECT_EQ(y, std::min(rect.top(), stage.table->maximumContentOffset().y()));
                break;
            case TableView::ScrollPosition::Middle:
                EXPECT_EQ(y, rect.center().y() - visible / 2);
                break;
            default:
                EXPECT_EQ(y, rect.bottom() - visible);
                break;
        }
        EXPECT_NE(stage.table->cellForRowAtIndexPath({0, c.row}), nullptr);
    }
}

TEST(TableView, RowsAreSeparatedByHairlinesInTheTablesColour) {
    TableStage stage({TableStage::items(0, 5)});
    const QRectF row = stage.table->rectForRowAtIndexPath({0, 1});
    auto pixelAboveNextRow = [&] {
        stage.window->updateNow();
        // Scale 1: the half-point hairline covers the row's last pixel half.
        return stage.window->render().pixelColor(160, qRound(row.bottom()) - 1);
    };
    const QColor shown = pixelAboveNextRow();
    EXPECT_NE(shown, QColor(Qt::white));
    stage.table->setSeparatorColor(Qt::transparent);
    EXPECT_EQ(pixelAboveNextRow(), QColor(Qt::white));
    stage.table->reloadData();
    EXPECT_EQ(pixelAboveNextRow(), QColor(Qt::white)) << "cells made or reused keep the colour";
}
