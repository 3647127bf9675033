#pragma once

#include "platform/ui/table/TableView.h"
#include "platform/ui/table/TableViewDataSource.h"
#include "platform/ui/table/TableViewDelegate.h"

#include <memory>

class ZVActionMenuHost;

namespace gallery {

// Rows that each show a kind of alert card when tapped, and an action menu (with a confirmation
// and a second page) on a long press.
class AlertsSample : public platform::TableViewDataSource, public platform::TableViewDelegate {
public:
    static std::shared_ptr<AlertsSample> make(QSizeF size);

    std::shared_ptr<platform::TableView> table;
    std::shared_ptr<ZVActionMenuHost> host;

    int tableViewNumberOfRowsInSection(platform::TableView& table, int section) override;
    std::shared_ptr<platform::TableViewCell> tableViewCellForRowAtIndexPath(
        platform::TableView& table, platform::IndexPath path) override;
    void tableViewDidSelectRowAtIndexPath(platform::TableView& table,
                                          platform::IndexPath path) override;
};

}  // namespace gallery
