#pragma once

#include "toolkit/dialogs/ZVCellGroup.h"
#include "toolkit/dialogs/ZVDialogCell.h"

#include <QtCore/QString>
#include <QtCore/QVariant>

#include <functional>

// One row per element of a list, in cells of one class that the table reuses; the initializer
// fills a cell from its element.
class ZVArrayCellGroup : public ZVCellGroup {
public:
    // The class of the rows: its name (for the reuse identifier) and how to make one.
    struct CellClass {
        QString name;
        std::function<std::shared_ptr<ZVDialogCell>(platform::TableViewCell::Style style,
                                                    const QString& reuseIdentifier)>
            make;

        template <class Cell>
        static CellClass of(const QString& name) {
            return {name, [](platform::TableViewCell::Style style, const QString& reuseId) {
                        return std::make_shared<Cell>(style, reuseId);
                    }};
        }
    };
    using Initializer = std::function<void(ZVDialogCell& cell, const QVariant& element)>;

    ZVArrayCellGroup(QVariantList data, CellClass cellClass, Initializer initializer);

    const QVariantList& data() const { return data_; }
    const QString& reuseId() const { return reuseId_; }

    int count() const override { return static_cast<int>(data_.size()); }
    std::shared_ptr<ZVDialogCell> cellAtIndex(ZVTableView& tableView, int index) override;

private:
    QVariantList data_;
    CellClass cellClass_;
    Initializer initializer_;
    QString reuseId_;
};
