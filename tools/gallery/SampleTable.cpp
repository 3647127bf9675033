#include "tools/gallery/SampleTable.h"

#include "platform/ui/controls/Label.h"

namespace gallery {

using namespace platform;

namespace {

constexpr qreal kShortRow = 44;
constexpr qreal kTallRow = 64;
// Every this many rows one is tall, so the table shows rows of two heights.
constexpr int kTallEvery = 3;
constexpr qreal kHeaderInset = 15;
const QColor kHeaderColor(239, 239, 244);

}  // namespace

std::shared_ptr<TableViewCell> SampleTableRows::tableViewCellForRowAtIndexPath(TableView& table,
                                                                               IndexPath path) {
    static const QString identifier = QStringLiteral("sample");
    auto cell = table.dequeueReusableCell(identifier);
    if (!cell) {
        cell = View::make<TableViewCell>(TableViewCell::Style::Subtitle, identifier);
        cell->setAccessoryType(TableViewCell::AccessoryType::DisclosureIndicator);
    }
    const int number = path.section * kRowsPerSection + path.row + 1;
    cell->textLabel()->setText(QStringLiteral("Row %1").arg(number));
    cell->detailTextLabel()->setText(path.row % kTallEvery == 0
                                         ? QStringLiteral("A taller row, number %1").arg(number)
                                         : QString());
    return cell;
}

std::optional<qreal> SampleTableRows::tableViewHeightForRowAtIndexPath(TableView&, IndexPath path) {
    return path.row % kTallEvery == 0 ? kTallRow : kShortRow;
}

std::shared_ptr<View> SampleTableRows::tableViewViewForHeaderInSection(TableView&, int section) {
    auto header = View::make();
    header->setBackgroundColor(kHeaderColor);
    auto title = View::make<Label>(QRectF(kHeaderInset, 0, 0, kHeaderHeight));
    title->setText(QStringLiteral("Section %1").arg(section + 1));
    title->sizeToFit();
    title->setFrame(QRectF(kHeaderInset, 0, title->bounds().width(), kHeaderHeight));
    header->addSubview(title);
    return header;
}

void SampleTableRows::tableViewDidSelectRowAtIndexPath(TableView& table, IndexPath path) {
    table.deselectRowAtIndexPath(path, true);
    if (onSelect) {
        onSelect(path);
    }
}

SampleTable SampleTable::make(QSizeF size) {
    SampleTable sample;
    sample.table = View::make<TableView>(QRectF(QPointF(), size));
    sample.rows = std::make_shared<SampleTableRows>();
    sample.table->setDataSource(sample.rows);
    sample.table->setDelegate(sample.rows);
    return sample;
}

}  // namespace gallery
