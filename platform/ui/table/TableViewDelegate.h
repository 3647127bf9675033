#pragma once

#include "platform/ui/scroll/ScrollViewDelegate.h"
#include "platform/ui/table/IndexPath.h"
#include "platform/ui/table/TableViewCell.h"

#include <memory>
#include <optional>

namespace platform {

class TableView;

// How a table lays out and what it tells of the user's touches. A height left unanswered
// (nullopt) is the table's default for that kind.
class TableViewDelegate : public ScrollViewDelegate {
public:
    virtual std::optional<qreal> tableViewHeightForRowAtIndexPath(TableView&, IndexPath) {
        return std::nullopt;
    }
    virtual std::optional<qreal> tableViewHeightForHeaderInSection(TableView&, int) {
        return std::nullopt;
    }
    virtual std::optional<qreal> tableViewHeightForFooterInSection(TableView&, int) {
        return std::nullopt;
    }
    virtual std::shared_ptr<View> tableViewViewForHeaderInSection(TableView&, int) {
        return nullptr;
    }
    virtual std::shared_ptr<View> tableViewViewForFooterInSection(TableView&, int) {
        return nullptr;
    }
    // Just before a cell shows for a row.
    virtual void tableViewWillDisplayCell(TableView&, TableViewCell&, IndexPath) {}

    // A tap on a row: should-highlight, then (once the tap is certain) did-highlight, will-select
    // (which may choose another row, or none), did-select, did-unhighlight.
    virtual bool tableViewShouldHighlightRowAtIndexPath(TableView&, IndexPath) { return true; }
    virtual void tableViewDidHighlightRowAtIndexPath(TableView&, IndexPath) {}
    virtual void tableViewDidUnhighlightRowAtIndexPath(TableView&, IndexPath) {}
    virtual std::optional<IndexPath> tableViewWillSelectRowAtIndexPath(TableView&, IndexPath path) {
        return path;
    }
    virtual void tableViewDidSelectRowAtIndexPath(TableView&, IndexPath) {}

    virtual TableViewCell::EditingStyle tableViewEditingStyleForRowAtIndexPath(TableView&,
                                                                               IndexPath) {
        return TableViewCell::EditingStyle::Delete;
    }
};

}  // namespace platform
