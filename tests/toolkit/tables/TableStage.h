#pragma once

#include "platform/foundation/Scheduler.h"
#include "platform/ui/standins/FakeEditMenu.h"
#include "platform/ui/standins/input/MemoryPasteboard.h"
#include "platform/ui/table/TableViewDataSource.h"
#include "platform/ui/table/TableViewDelegate.h"
#include "platform/ui/view/Window.h"
#include "toolkit/tables/ZVSelectionCell.h"
#include "toolkit/tables/ZVTableView.h"
#include "toolkit/tables/ZVTableViewCell.h"
#include "toolkit/tables/ZVTableViewHeightDelegate.h"

#include <QtCore/QStringList>

#include <functional>
#include <memory>
#include <vector>

// A row whose text is its label's.
class TextRow : public ZVTableViewCell {
public:
    explicit TextRow(const QString& reuseId = QStringLiteral("row"))
        : ZVTableViewCell(Style::Default, reuseId) {}
};

// A row that takes quotes and copies of its text itself.
class QuotingRow : public TextRow, public ZVSelectionQuoteTarget, public ZVSelectionCopyTarget {
public:
    QuotingRow() : TextRow(QStringLiteral("quoting")) {}
    QStringList heard;

    void quoteText(const QString& text) override { heard << "quote " + text; }
    void copyText(const QString& text) override { heard << "copy " + text; }
};

// Rows of the given heights and texts; only rows marked so take quotes or copies.
class Rows : public platform::TableViewDataSource,
             public platform::TableViewDelegate,
             public ZVTableViewHeightDelegate {
public:
    std::vector<qreal> heights = std::vector<qreal>(20, 60);
    std::vector<QString> texts = std::vector<QString>(20, QStringLiteral("Row text"));
    // Rows that take quotes and copies themselves.
    bool quoting = false;
    std::vector<qreal> deltas;

    int tableViewNumberOfRowsInSection(platform::TableView&, int) override {
        return static_cast<int>(heights.size());
    }
    std::shared_ptr<platform::TableViewCell> tableViewCellForRowAtIndexPath(
        platform::TableView& table, platform::IndexPath path) override {
        const QString id = quoting ? QStringLiteral("quoting") : QStringLiteral("row");
        auto cell = std::dynamic_pointer_cast<TextRow>(table.dequeueReusableCell(id));
        if (!cell) {
            cell = quoting ? platform::View::make<QuotingRow>() : platform::View::make<TextRow>();
        }
        cell->textLabel()->setText(texts[path.row]);
        return cell;
    }
    std::optional<qreal> tableViewHeightForRowAtIndexPath(platform::TableView&,
                                                          platform::IndexPath path) override {
        return heights[path.row];
    }
    void tableViewContentHeightWillChange(ZVTableView&, qreal delta) override {
        deltas.push_back(delta);
    }
};

// A phone window holding a 375 x 667 ZVTableView of Rows, with a recording edit menu and an
// in-process pasteboard, on the virtual clock.
struct TableStage {
    std::shared_ptr<platform::Window> window = platform::Window::make();
    std::shared_ptr<platform::View> root = platform::View::make(window->bounds());
    std::shared_ptr<Rows> rows = std::make_shared<Rows>();
    std::shared_ptr<ZVTableView> table = platform::View::make<ZVTableView>(QRectF(0, 0, 375, 667));
    std::shared_ptr<platform::FakeEditMenu> menu = std::make_shared<platform::FakeEditMenu>();
    std::shared_ptr<platform::MemoryPasteboard> pasteboard =
        std::make_shared<platform::MemoryPasteboard>();

    explicit TableStage(std::function<void(Rows&)> arrange = {}) {
        if (arrange) {
            arrange(*rows);
        }
        platform::EditMenu::setShared(menu);
        platform::Pasteboard::setGeneral(pasteboard);
        window->setRootView(root);
        root->addSubview(table);
        table->setDataSource(rows);
        table->setDelegate(rows);
        table->reloadData();
        window->updateNow();
    }
    static void wait(double seconds) { platform::Scheduler::main().advance(seconds); }
    std::shared_ptr<TextRow> rowAt(int index) {
        return std::dynamic_pointer_cast<TextRow>(table->cellForRowAtIndexPath({0, index}));
    }
    void touch(platform::TouchPhase phase, QPointF at) { window->sendTouch(1, phase, at); }
    void tap(QPointF at) {
        touch(platform::TouchPhase::Began, at);
        touch(platform::TouchPhase::Ended, at);
    }
    QStringList shownTitles() const {
        QStringList titles;
        for (const auto& item : menu->shownItems()) {
            titles << item.title;
        }
        return titles;
    }
};
