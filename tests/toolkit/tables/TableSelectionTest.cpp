#include "TableStage.h"

#include "platform/ui/text/AttributedText.h"
#include "toolkit/tables/ZVTextView.h"

#include <gtest/gtest.h>

namespace {

using platform::TouchPhase;

// The middle of the selectable copy, in window points.
QPointF middleOfSelection(const ZVTableView& table) {
    const auto& view = *table.selectionView();
    return view.convertPointTo(view.bounds().center(), nullptr);
}

TEST(ZVTableSelection, ACellsTextIsCoveredByASelectedReadOnlyCopyWithAQuoteCommand) {
    for (const bool quoting : {false, true}) {
        SCOPED_TRACE(quoting ? "a cell that quotes" : "a cell that does not quote");
        TableStage stage([quoting](Rows& rows) { rows.quoting = quoting; });
        const auto cell = stage.rowAt(2);
        cell->beginSelection();

        const auto& view = stage.table->selectionView();
        ASSERT_NE(view, nullptr);
        EXPECT_TRUE(cell->selecting());
        EXPECT_EQ(stage.table->selectionCell(), cell);
        EXPECT_EQ(view->superview(), cell.get());
        EXPECT_FALSE(view->isEditable());
        EXPECT_EQ(view->text(), "Row text");
        EXPECT_EQ(view->selectedRange().length, 8);
        EXPECT_TRUE(view->isFirstResponder());
        const QRectF label =
            cell->textLabel()->frame().translated(cell->contentView()->frame().topLeft());
        EXPECT_EQ(view->frame(), label.adjusted(-5, 0, 5, 0));

        ASSERT_EQ(stage.menu->showings().size(), 1u);
        EXPECT_TRUE(stage.menu->showings()[0].animated);
        EXPECT_EQ(stage.menu->showings()[0].rect, view->bounds());
        const QStringList offered = quoting ? QStringList{"Copy", "Select All", "Quote"}
                                            : QStringList{"Copy", "Select All"};
        EXPECT_EQ(stage.shownTitles(), offered);
    }
}

TEST(ZVTableSelection, ACellWithoutTextOrOutsideAZVTableViewDoesNotSelect) {
    TableStage stage([](Rows& rows) { rows.texts[1] = QString(); });
    stage.rowAt(1)->beginSelection();
    EXPECT_EQ(stage.table->selectionView(), nullptr);
    EXPECT_FALSE(stage.rowAt(1)->selecting());
    EXPECT_TRUE(stage.menu->showings().empty());

    auto loose = platform::View::make<TextRow>();
    loose->textLabel()->setText("text");
    loose->beginSelection();
    EXPECT_FALSE(loose->selecting());
}

TEST(ZVTableSelection, EmptyingTheSelectionEndsTheModeAMomentLater) {
    TableStage stage;
    const auto cell = stage.rowAt(3);
    cell->beginSelection();
    const std::weak_ptr<ZVTextView> view = stage.table->selectionView();
    // A tap in the selected copy leaves a bare cursor.
    stage.tap(middleOfSelection(*stage.table));
    EXPECT_EQ(view.lock()->selectedRange().length, 0);
    TableStage::wait(0.09);
    EXPECT_TRUE(cell->selecting());
    TableStage::wait(0.01);
    EXPECT_FALSE(cell->selecting());
    EXPECT_TRUE(view.expired());
    EXPECT_FALSE(stage.menu->isMenuVisible());
}

TEST(ZVTableSelection, AnotherCellTakesOverAndAPendingEndOfTheOldOneLeavesItAlone) {
    TableStage stage;
    const auto first = stage.rowAt(3);
    const auto second = stage.rowAt(4);
    first->beginSelection();
    stage.tap(middleOfSelection(*stage.table));
    second->beginSelection();
    EXPECT_FALSE(first->selecting());
    EXPECT_TRUE(second->selecting());
    TableStage::wait(1);
    EXPECT_TRUE(second->selecting());
    ASSERT_NE(stage.table->selectionView(), nullptr);
    EXPECT_EQ(stage.table->selectionView()->superview(), second.get());

    second->setSelecting(false);
    EXPECT_EQ(stage.table->selectionView(), nullptr);
}

TEST(ZVTableSelection, ARowHandedOutAgainLeavesItsSelectionBehind) {
    TableStage stage([](Rows& rows) {
        rows.heights.assign(40, 60);
        rows.texts.assign(40, QStringLiteral("Row text"));
    });
    const auto cell = stage.rowAt(2);
    cell->beginSelection();
    ASSERT_NE(stage.table->selectionView(), nullptr);
    // Far enough that every row's cell goes back to the table and comes out for another row.
    stage.table->setContentOffset({0, 1500});
    stage.window->updateNow();
    EXPECT_EQ(stage.table->selectionView(), nullptr);
    EXPECT_EQ(stage.table->selectionCell(), nullptr);
    for (const auto& subview : cell->subviews()) {
        EXPECT_EQ(dynamic_cast<ZVTextView*>(subview.get()), nullptr);
    }
}

TEST(ZVTableSelection, CopyAndQuoteGoToTheCellWhenItTakesThemAndEndTheMode) {
    struct Case {
        const char* name;
        bool quoting;
        QString title;
        QStringList cellHeard;
        QString pasteboard;
        double endsAfter;
    };
    const Case cases[] = {
        {"copy of a plain cell", false, "Copy", {}, "Row text", 0.1},
        {"copy of a cell that copies", true, "Copy", {"copy Row text"}, QString(), 0.1},
        {"quote", true, "Quote", {"quote Row text"}, QString(), 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TableStage stage([&c](Rows& rows) { rows.quoting = c.quoting; });
        const auto cell = stage.rowAt(0);
        cell->beginSelection();
        ASSERT_TRUE(stage.menu->chooseTitle(c.title));
        if (const auto quoting = std::dynamic_pointer_cast<QuotingRow>(cell)) {
            EXPECT_EQ(quoting->heard, c.cellHeard);
        }
        EXPECT_EQ(stage.pasteboard->string(), c.pasteboard);
        EXPECT_EQ(cell->selecting(), c.endsAfter > 0);
        TableStage::wait(c.endsAfter);
        EXPECT_FALSE(cell->selecting());
    }
}

// A row whose text area is lower than its text needs at the normal line height.
class LowRow : public TextRow {
public:
    qreal labelHeight = 0;
    void layoutSubviews() override {
        TextRow::layoutSubviews();
        textLabel()->setFrame(QRectF(10, 0, 300, labelHeight));
    }
};

TEST(ZVTableSelection, TheCopyTightensItsLinesJustEnoughToFitTheLabel) {
    TableStage stage;
    auto cell = platform::View::make<LowRow>();
    const platform::FontDescription font{QString(), 20};
    const platform::AttributedString text(
        "one\ntwo\nthree\nfour", {{platform::TextAttribute::Font, QVariant::fromValue(font)}});
    cell->textLabel()->setAttributedText(text);
    auto measure = platform::View::make<ZVTextView>(QRectF(0, 0, 310, 10));
    measure->setTextContainerInset({});
    measure->setAttributedText(text);
    const qreal natural = measure->sizeThatFits({310, 1000}).height();
    cell->labelHeight = std::floor(natural * 0.9);
    cell->setFrame(QRectF(0, 0, 375, 200));
    stage.table->addSubview(cell);
    cell->layoutIfNeeded();

    cell->beginSelection();
    const auto& view = stage.table->selectionView();
    ASSERT_NE(view, nullptr);
    EXPECT_EQ(view->frame().size(), QSizeF(310, cell->labelHeight));
    const auto style = view->attributedText()
                           .attribute(platform::TextAttribute::ParagraphStyle, 0)
                           .value<platform::ParagraphStyle>();
    EXPECT_GT(style.lineHeightMultiple, 0.5);
    EXPECT_LT(style.lineHeightMultiple, 1);
    EXPECT_LE(view->sizeThatFits({310, 1000}).height(), cell->labelHeight);
    // One step less tight would not have fitted.
    platform::ParagraphStyle looser = style;
    looser.lineHeightMultiple += ZVTableView::kLineHeightStep;
    platform::AttributedString loose = text;
    loose.addAttribute(platform::TextAttribute::ParagraphStyle, QVariant::fromValue(looser), 0,
                       loose.length());
    measure->setAttributedText(loose);
    EXPECT_GT(measure->sizeThatFits({310, 1000}).height(), cell->labelHeight);
}

TEST(ZVTableSelection, EachTighteningStepLowersTheLineHeightMultiple) {
    struct Case {
        std::optional<double> from;
        double to;
    };
    const Case cases[] = {
        {std::nullopt, 0.99}, {0.0, 0.99}, {0.99, 0.98}, {0.11, 0.10}, {0.1, 0.99}};
    for (const Case& c : cases) {
        platform::AttributedString text("ab\ncd");
        if (c.from) {
            platform::ParagraphStyle style;
            style.lineHeightMultiple = *c.from;
            text.addAttribute(platform::TextAttribute::ParagraphStyle, QVariant::fromValue(style),
                              0, 2);
        }
        ZVTableView::decreaseRowSpacing(text);
        for (qsizetype at : {0, 4}) {
            EXPECT_NEAR(text.attribute(platform::TextAttribute::ParagraphStyle, at)
                            .value<platform::ParagraphStyle>()
                            .lineHeightMultiple,
                        c.to, 1e-9);
        }
    }
}

}  // namespace
