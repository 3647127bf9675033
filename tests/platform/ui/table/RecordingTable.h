#pragma once

#include "platform/ui/table/TableView.h"
#include "platform/ui/view/Window.h"

#include <QtCore/QStringList>

#include <map>
#include <string>
#include <vector>

// A data source and delegate over sections of numbered items, which writes down what the table
// asks and tells. Item n is 20 + (n % 3) * 20 points high, so rows of one table differ.
class RecordingTable : public platform::TableViewDataSource, public platform::TableViewDelegate {
public:
    static constexpr const char* kIdentifier = "item";

    // A cell that knows which item it shows and counts its reuses.
    class ItemCell : public platform::TableViewCell {
    public:
        ItemCell() : TableViewCell(Style::Default, kIdentifier) {}
        int item = -1;
        int reuses = 0;
        // Each highlight change with its animated flag, as "on", "off", "on animated"...
        std::vector<std::string> highlights;
        void setHighlighted(bool highlighted, bool animated) override {
            TableViewCell::setHighlighted(highlighted, animated);
            highlights.push_back(std::string(highlighted ? "on" : "off") +
                                 (animated ? " animated" : ""));
        }
        void prepareForReuse() override {
            TableViewCell::prepareForReuse();
            ++reuses;
            item = -1;
            highlights.clear();
        }
    };

    std::vector<std::vector<int>> sections;
    // Counts this far off what `sections` holds, to play a data source at fault.
    int rowCountError = 0;
    int cellsMade = 0;
    int heightQuestions = 0;
    std::vector<std::string> events;
    std::map<int, qreal> heightOverrides;
    std::function<std::optional<platform::IndexPath>(platform::IndexPath)> redirect;

    static qreal heightOf(int item) { return 20 + (item % 3) * 20; }

    int numberOfSectionsInTableView(platform::TableView&) override {
        return static_cast<int>(sections.size());
    }
    int tableViewNumberOfRowsInSection(platform::TableView&, int section) override {
        return static_cast<int>(sections[static_cast<std::size_t>(section)].size()) + rowCountError;
    }
    std::shared_ptr<platform::TableViewCell> tableViewCellForRowAtIndexPath(
        platform::TableView& table, platform::IndexPath path) override {
        auto cell = std::dynamic_pointer_cast<ItemCell>(
            table.dequeueReusableCell(QString::fromLatin1(kIdentifier)));
        if (!cell) {
            cell = platform::View::make<ItemCell>();
            ++cellsMade;
        }
        cell->item = itemAt(path);
        return cell;
    }
    std::optional<qreal> tableViewHeightForRowAtIndexPath(platform::TableView&,
                                                          platform::IndexPath path) override {
        ++heightQuestions;
        const int item = itemAt(path);
        const auto it = heightOverrides.find(item);
        return it != heightOverrides.end() ? it->second : heightOf(item);
    }
    void tableViewDidHighlightRowAtIndexPath(platform::TableView&,
                                             platform::IndexPath path) override {
        note("did highlight", path);
    }
    void tableViewDidUnhighlightRowAtIndexPath(platform::TableView&,
                                               platform::IndexPath path) override {
        note("did unhighlight", path);
    }
    std::optional<platform::IndexPath> tableViewWillSelectRowAtIndexPath(
        platform::TableView&, platform::IndexPath path) override {
        note("will select", path);
        return redirect ? redirect(path) : path;
    }
    void tableViewDidSelectRowAtIndexPath(platform::TableView&, platform::IndexPath path) override {
        note("did select", path);
    }
    bool tableViewCanMoveRowAtIndexPath(platform::TableView&, platform::IndexPath) override {
        return true;
    }
    void tableViewCommitEditingStyle(platform::TableView& table,
                                     platform::TableViewCell::EditingStyle,
                                     platform::IndexPath path) override {
        note("commit delete", path);
        auto& rows = sections[static_cast<std::size_t>(path.section)];
        rows.erase(rows.begin() + path.row);
        table.deleteRows({path}, platform::TableRowAnimation::Fade);
    }
    void tableViewMoveRowAtIndexPath(platform::TableView&, platform::IndexPath from,
                                     platform::IndexPath to) override {
        note("move from", from);
        auto& source = sections[static_cast<std::size_t>(from.section)];
        const int item = source[static_cast<std::size_t>(from.row)];
        source.erase(source.begin() + from.row);
        auto& target = sections[static_cast<std::size_t>(to.section)];
        target.insert(target.begin() + to.row, item);
    }

    int itemAt(platform::IndexPath path) const {
        return sections[static_cast<std::size_t>(path.section)][static_cast<std::size_t>(path.row)];
    }

    // The items the table's visible cells show, in order.
    static std::vector<int> shownItems(platform::TableView& table) {
        std::vector<int> items;
        for (const auto& cell : table.visibleCells()) {
            items.push_back(static_cast<ItemCell&>(*cell).item);
        }
        return items;
    }

private:
    void note(const char* what, platform::IndexPath path) {
        events.push_back(std::string(what) + " " + std::to_string(path.section) + "." +
                         std::to_string(path.row));
    }
};
