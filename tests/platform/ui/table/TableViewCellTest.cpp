#include "platform/ui/table/TableViewCell.h"

#include <gtest/gtest.h>

using namespace platform;
using Style = TableViewCell::Style;

namespace {

QRectF inCell(const TableViewCell& cell, const View& view) {
    return view.convertRectTo(view.bounds(), &cell);
}

}  // namespace

TEST(TableViewCell, LabelsSitByStyleInsideTheContentView) {
    struct Case {
        Style style;
        // Where the detail lies from the title: right of it, or below it.
        bool detailBelow;
    };
    const Case cases[] = {{Style::Subtitle, true}, {Style::Value1, false}, {Style::Value2, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.style));
        auto cell = View::make<TableViewCell>(c.style, QStringLiteral("id"));
        cell->setFrame(QRectF(0, 0, 320, 60));
        cell->textLabel()->setText(QStringLiteral("Title"));
        cell->detailTextLabel()->setText(QStringLiteral("Detail"));
        cell->setAccessoryType(TableViewCell::AccessoryType::DisclosureIndicator);
        cell->layoutIfNeeded();

        const QRectF content = inCell(*cell, *cell->contentView());
        EXPECT_EQ(content, QRectF(0, 0, 320 - TableViewCell::kAccessoryWidth, 60));
        const QRectF title = inCell(*cell, *cell->textLabel());
        const QRectF detail = inCell(*cell, *cell->detailTextLabel());
        EXPECT_TRUE(content.contains(title));
        EXPECT_TRUE(content.contains(detail));
        EXPECT_FALSE(title.intersects(detail));
        if (c.detailBelow) {
            EXPECT_GE(detail.top(), title.bottom());
        } else {
            EXPECT_GE(detail.left(), title.right());
        }
        EXPECT_FALSE(title.isEmpty());
        EXPECT_FALSE(detail.isEmpty());
    }
    auto plain = View::make<TableViewCell>();
    EXPECT_EQ(plain->detailTextLabel(), nullptr);
}

TEST(TableViewCell, HighlightAndSelectionAreOverridableAndShownByDefault) {
    class OwnLook : public TableViewCell {
    public:
        using TableViewCell::TableViewCell;
        std::vector<std::pair<bool, bool>> highlights;  // (highlighted, animated)
        void setHighlighted(bool highlighted, bool animated) override {
            highlights.emplace_back(highlighted, animated);
        }
    };
    auto own = View::make<OwnLook>();
    own->setHighlighted(true, true);
    EXPECT_EQ(own->highlights, (std::vector<std::pair<bool, bool>>{{true, true}}));
    EXPECT_FALSE(own->isHighlighted()) << "the override decided not to keep the state";

    auto cell = View::make<TableViewCell>(Style::Default, QStringLiteral("id"));
    cell->setFrame(QRectF(0, 0, 100, 40));
    cell->textLabel()->setText(QStringLiteral("x"));
    cell->layoutIfNeeded();
    auto shade = [&] { return cell->snapshot(1).pixelColor(95, 20); };
    EXPECT_EQ(shade(), QColor(Qt::white));
    cell->setSelected(true);
    EXPECT_EQ(shade(), TableViewCell::kSelectionColor);
    EXPECT_TRUE(cell->textLabel()->isHighlighted());
    cell->prepareForReuse();
    EXPECT_FALSE(cell->isSelected());
    EXPECT_EQ(shade(), QColor(Qt::white));
    cell->setSelectionStyle(TableViewCell::SelectionStyle::None);
    cell->setHighlighted(true);
    EXPECT_EQ(shade(), QColor(Qt::white));
}
