#include "toolkit/dialogs/ZVArrayCellGroup.h"

#include "toolkit/tables/ZVTableView.h"

ZVArrayCellGroup::ZVArrayCellGroup(QVariantList data, CellClass cellClass, Initializer initializer)
    : data_(std::move(data)),
      cellClass_(std::move(cellClass)),
      initializer_(std::move(initializer)),
      reuseId_(QStringLiteral("%1Cell").arg(cellClass_.name)) {}

std::shared_ptr<ZVDialogCell> ZVArrayCellGroup::cellAtIndex(ZVTableView& tableView, int index) {
    if (index < 0 || index >= count()) {
        return nullptr;
    }
    auto cell = std::dynamic_pointer_cast<ZVDialogCell>(tableView.dequeueReusableCell(reuseId_));
    if (!cell) {
        cell = cellClass_.make(platform::TableViewCell::Style::Value1, reuseId_);
    }
    cell->setBeginsGroup(index == 0 && beginsGroup());
    cell->setEndsGroup(index == count() - 1 && endsGroup());
    if (initializer_) {
        initializer_(*cell, data_.at(index));
    }
    return cell;
}
