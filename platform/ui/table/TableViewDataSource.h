#pragma once

#include "platform/ui/table/IndexPath.h"
#include "platform/ui/table/TableViewCell.h"

#include <memory>

namespace platform {

class TableView;

// What a table shows: how many sections and rows, and the cell of each row. Cells are asked for
// only for rows about to show; a data source dequeues a reusable cell from the table before it
// makes a new one.
class TableViewDataSource {
public:
    virtual ~TableViewDataSource() = default;

    virtual int numberOfSectionsInTableView(TableView&) { return 1; }
    virtual int tableViewNumberOfRowsInSection(TableView& table, int section) = 0;
    virtual std::shared_ptr<TableViewCell> tableViewCellForRowAtIndexPath(TableView& table,
                                                                          IndexPath path) = 0;

    // Editing: which rows show an editing control and which may be moved, and what the user did.
    virtual bool tableViewCanEditRowAtIndexPath(TableView&, IndexPath) { return true; }
    virtual bool tableViewCanMoveRowAtIndexPath(TableView&, IndexPath) { return false; }
    // The user tapped a row's editing control. The data source changes its rows and tells the
    // table (deleteRows, insertRows) itself.
    virtual void tableViewCommitEditingStyle(TableView&, TableViewCell::EditingStyle, IndexPath) {}
    // The user moved a row; the table already shows it at its new place.
    virtual void tableViewMoveRowAtIndexPath(TableView&, IndexPath /*from*/, IndexPath /*to*/) {}
};

}  // namespace platform
