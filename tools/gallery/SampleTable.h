#pragma once

#include "platform/ui/table/TableView.h"

#include <functional>
#include <memory>

// A table of a few hundred rows for the gallery and for the tests that drive it in a real window.
// Not part of the product.
namespace gallery {

class SampleTableRows : public platform::TableViewDataSource, public platform::TableViewDelegate {
public:
    static constexpr int kSections = 3;
    static constexpr int kRowsPerSection = 100;
    static constexpr qreal kHeaderHeight = 28;

    // Told of the row the user picked.
    std::function<void(platform::IndexPath)> onSelect;

    int numberOfSectionsInTableView(platform::TableView&) override { return kSections; }
    int tableViewNumberOfRowsInSection(platform::TableView&, int) override {
        return kRowsPerSection;
    }
    std::shared_ptr<platform::TableViewCell> tableViewCellForRowAtIndexPath(
        platform::TableView& table, platform::IndexPath path) override;
    std::optional<qreal> tableViewHeightForRowAtIndexPath(platform::TableView&,
                                                          platform::IndexPath path) override;
    std::optional<qreal> tableViewHeightForHeaderInSection(platform::TableView&, int) override {
        return kHeaderHeight;
    }
    std::shared_ptr<platform::View> tableViewViewForHeaderInSection(platform::TableView&,
                                                                    int section) override;
    void tableViewDidSelectRowAtIndexPath(platform::TableView& table,
                                          platform::IndexPath path) override;
};

struct SampleTable {
    std::shared_ptr<platform::TableView> table;
    std::shared_ptr<SampleTableRows> rows;

    // A table filling `size` points.
    static SampleTable make(QSizeF size);
};

}  // namespace gallery
