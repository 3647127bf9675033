#pragma once

#include "MessageFlow/pages/ZVConversationPageScreen.h"
#include "MessageFlow/pages/ZVTableAndBottomViewController.h"
#include "platform/ui/table/TableViewDataSource.h"
#include "toolkit/screens/ZVViewController.h"
#include "toolkit/tables/ZVTableView.h"
#include "toolkit/tables/ZVTableViewCell.h"

#include <QtCore/QString>

#include <cstdint>
#include <memory>
#include <vector>

namespace pagestest {

// A table-and-bottom screen over `rows` rows of `rowHeight` points that writes down what its table
// tells it; it also serves as the messages page of the page tests.
class RowsScreen : public ZVTableAndBottomViewController,
                   public platform::TableViewDataSource,
                   public ZVConversationPageScreen {
public:
    explicit RowsScreen(int rows = 1000, qreal rowHeight = 44)
        : rows_(rows), rowHeight_(rowHeight) {}

    std::vector<qreal> offsets;
    int decelerationEnds = 0;
    std::vector<std::int64_t> focused;

    void viewDidLoad() override {
        auto table = platform::View::make<ZVTableView>(view()->bounds());
        table->setDataSource(std::static_pointer_cast<RowsScreen>(shared_from_this()));
        setTable(table);
    }
    int tableViewNumberOfRowsInSection(platform::TableView&, int) override { return rows_; }
    std::shared_ptr<platform::TableViewCell> tableViewCellForRowAtIndexPath(
        platform::TableView& table, platform::IndexPath) override {
        if (auto cell = table.dequeueReusableCell(QStringLiteral("row"))) {
            return cell;
        }
        return platform::View::make<ZVTableViewCell>(ZVTableViewCell::Style::Default,
                                                     QStringLiteral("row"));
    }
    std::optional<qreal> tableViewHeightForRowAtIndexPath(platform::TableView&,
                                                          platform::IndexPath) override {
        return rowHeight_;
    }
    void scrollViewDidScroll(platform::ScrollView& scrollView) override {
        offsets.push_back(scrollView.contentOffset().y());
        ZVTableAndBottomViewController::scrollViewDidScroll(scrollView);
    }
    void scrollViewDidEndDecelerating(platform::ScrollView& scrollView) override {
        ++decelerationEnds;
        ZVTableAndBottomViewController::scrollViewDidEndDecelerating(scrollView);
    }

    ZVViewController& screen() override { return *this; }
    void focusMessage(std::int64_t messageNr) override { focused.push_back(messageNr); }

private:
    int rows_;
    qreal rowHeight_;
};

// A side page: a plain screen that writes down the messages it is asked to show.
class SidePage : public ZVViewController, public ZVConversationPageScreen {
public:
    explicit SidePage(int page) : page(page) {}
    const int page;
    std::vector<std::int64_t> focused;
    int observersReleased = 0;

    ZVViewController& screen() override { return *this; }
    void focusMessage(std::int64_t messageNr) override { focused.push_back(messageNr); }
    void releaseObservers() override {
        ++observersReleased;
        ZVViewController::releaseObservers();
    }
};

}  // namespace pagestest
