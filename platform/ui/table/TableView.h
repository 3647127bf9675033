#pragma once

#include "platform/foundation/ScopedTimer.h"
#include "platform/ui/scroll/ScrollView.h"
#include "platform/ui/table/IndexPath.h"
#include "platform/ui/table/TableLayout.h"
#include "platform/ui/table/TableRowAnimation.h"
#include "platform/ui/table/TableUpdate.h"
#include "platform/ui/table/TableViewCell.h"
#include "platform/ui/table/TableViewDataSource.h"
#include "platform/ui/table/TableViewDelegate.h"

#include <map>
#include <memory>
#include <optional>
#include <set>
#include <vector>

namespace platform {

// A scroll view of rows in sections. Heights come from the delegate alone, so the table knows
// where every row lies without making cells; cells are asked of the data source only for the rows
// that show, and cells that scroll out wait, by reuse identifier, to be dequeued for rows that
// scroll in. Row and section changes are checked against the data source's counts: an update
// that does not add up is logged and the table reloads instead.
class TableView : public ScrollView {
public:
    enum class Style { Plain = 0, Grouped = 1 };
    enum class ScrollPosition { None = 0, Top = 1, Middle = 2, Bottom = 3 };

    static constexpr qreal kDefaultRowHeight = 44;
    // A touch must stay down this long before its row highlights: time for a drag to show itself.
    static constexpr TimeInterval kHighlightDelay = 0.15;
    // A finger that strays further than this from where it landed is no tap.
    static constexpr qreal kTapSlop = 10;
    static constexpr TimeInterval kUpdateAnimationDuration = 0.3;

    explicit TableView(const QRectF& frame = {}, Style style = Style::Plain);
    ~TableView() override;

    Style style() const { return style_; }
    std::shared_ptr<TableViewDataSource> dataSource() const { return dataSource_.lock(); }
    void setDataSource(std::weak_ptr<TableViewDataSource> dataSource);
    std::shared_ptr<TableViewDelegate> tableDelegate() const { return tableDelegate_.lock(); }
    // Also the scroll view's delegate.
    void setDelegate(std::weak_ptr<TableViewDelegate> delegate);

    static const QColor kDefaultSeparatorColor;
    // The rows' hairlines; a transparent colour shows none.
    QColor separatorColor() const { return separatorColor_; }
    void setSeparatorColor(const QColor& color);

    qreal rowHeight() const { return rowHeight_; }
    void setRowHeight(qreal height);
    qreal sectionHeaderHeight() const { return sectionHeaderHeight_; }
    void setSectionHeaderHeight(qreal height);
    qreal sectionFooterHeight() const { return sectionFooterHeight_; }
    void setSectionFooterHeight(qreal height);

    // --- data ---
    // Asks the data source and the delegate everything again; cells showing go back to reuse.
    void reloadData();
    // Whether the rows were asked for since the data source, the delegate or a row metric was
    // last set: until then every question about rows asks the data source first anyway.
    bool hasLoaded() const { return loaded_; }
    int numberOfSections();
    int numberOfRowsInSection(int section);
    std::shared_ptr<TableViewCell> dequeueReusableCell(const QString& identifier);

    // --- geometry (content coordinates) ---
    QRectF rectForRowAtIndexPath(IndexPath path);
    QRectF rectForSection(int section);
    QRectF rectForHeaderInSection(int section);
    QRectF rectForFooterInSection(int section);
    std::optional<IndexPath> indexPathForRowAtPoint(QPointF point);
    std::optional<IndexPath> indexPathForCell(const TableViewCell& cell) const;
    // The rows showing now, in order, and their cells in the same order.
    std::vector<IndexPath> indexPathsForVisibleRows();
    std::vector<std::shared_ptr<TableViewCell>> visibleCells();
    // The cell of a row that shows, else null.
    std::shared_ptr<TableViewCell> cellForRowAtIndexPath(IndexPath path);
    std::shared_ptr<View> headerViewForSection(int section);
    std::shared_ptr<View> footerViewForSection(int section);
    void scrollToRowAtIndexPath(IndexPath path, ScrollPosition position, bool animated);

    // --- updates ---
    // Changes between the two are applied together at the outer endUpdates, which also asks
    // every row height again and moves rows to their new places, animated.
    void beginUpdates();
    void endUpdates();
    void insertRows(const std::vector<IndexPath>& paths, TableRowAnimation animation);
    void deleteRows(const std::vector<IndexPath>& paths, TableRowAnimation animation);
    void reloadRows(const std::vector<IndexPath>& paths, TableRowAnimation animation);
    void moveRow(IndexPath from, IndexPath to);
    void insertSections(const std::set<int>& sections, TableRowAnimation animation);
    void deleteSections(const std::set<int>& sections, TableRowAnimation animation);
    void reloadSections(const std::set<int>& sections, TableRowAnimation animation);
    void moveSection(int from, int to);

    // --- selection ---
    bool allowsSelection() const { return allowsSelection_; }
    void setAllowsSelection(bool allows) { allowsSelection_ = allows; }
    bool allowsSelectionDuringEditing() const { return allowsSelectionDuringEditing_; }
    void setAllowsSelectionDuringEditing(bool allows) { allowsSelectionDuringEditing_ = allows; }
    std::optional<IndexPath> indexPathForSelectedRow() const { return selected_; }
    // Programmatic selection tells the delegate nothing, as on the platform.
    void selectRowAtIndexPath(std::optional<IndexPath> path, bool animated,
                              ScrollPosition position);
    void deselectRowAtIndexPath(IndexPath path, bool animated);

    // --- editing ---
    bool isEditing() const { return editing_; }
    virtual void setEditing(bool editing, bool animated);

    // --- accessory views ---
    const std::shared_ptr<View>& tableHeaderView() const { return tableHeaderView_; }
    // The table takes the view's height when it is set: set it again after changing its height.
    void setTableHeaderView(const std::shared_ptr<View>& view);
    const std::shared_ptr<View>& tableFooterView() const { return tableFooterView_; }
    void setTableFooterView(const std::shared_ptr<View>& view);
    // Fills the table's visible area behind the rows.
    const std::shared_ptr<View>& backgroundView() const { return backgroundView_; }
    void setBackgroundView(const std::shared_ptr<View>& view);

    void layoutSubviews() override;
    void touchesBegan(const TouchSet& touches, const TouchEvent& event) override;
    void touchesMoved(const TouchSet& touches, const TouchEvent& event) override;
    void touchesEnded(const TouchSet& touches, const TouchEvent& event) override;
    void touchesCancelled(const TouchSet& touches, const TouchEvent& event) override;

private:
    friend class TableViewCell;
    struct Reorder {
        IndexPath from;
        IndexPath to;
        std::shared_ptr<TableViewCell> cell;
        qreal grab = 0;  // the finger's distance below the cell's top
    };

    void ensureLoaded();
    void rebuildLayout();
    std::vector<int> rowCounts() const;
    void layoutRows();
    void placeCell(TableViewCell& cell, IndexPath path);
    std::shared_ptr<TableViewCell> makeCell(IndexPath path);
    void configure(TableViewCell& cell, IndexPath path, bool animated);
    void recycle(const std::shared_ptr<TableViewCell>& cell);
    void layoutSectionViews(qreal top, qreal bottom);
    void dropSectionViews();
    void updateContentSize();
    std::size_t cellInsertionIndex() const;
    void update(const std::function<void(TableUpdate&)>& change);
    void apply(const TableUpdate& update);
    QRectF displayRect(IndexPath path) const;

    void highlightRow(IndexPath path);
    void unhighlightRow();
    void finishTap();
    void cancelTap();
    void commitEditing(TableViewCell& cell);
    void reorderTouch(TableViewCell& cell, TouchPhase phase, QPointF point);

    Style style_;
    std::weak_ptr<TableViewDataSource> dataSource_;
    std::weak_ptr<TableViewDelegate> tableDelegate_;
    QColor separatorColor_ = kDefaultSeparatorColor;
    qreal rowHeight_ = kDefaultRowHeight;
    qreal sectionHeaderHeight_ = 0;
    qreal sectionFooterHeight_ = 0;

    TableLayout layout_;
    bool loaded_ = false;
    std::map<IndexPath, std::shared_ptr<TableViewCell>> visible_;
    std::map<QString, std::vector<std::shared_ptr<TableViewCell>>> reusable_;
    // The rows the cells waiting for reuse showed before the last reload, and the row being made:
    // a reload gives each row back the cell that showed it, whose contents then mostly stay.
    std::map<const TableViewCell*, IndexPath> reloadedRows_;
    std::optional<IndexPath> makingRow_;
    std::map<int, std::shared_ptr<View>> headers_;
    std::map<int, std::shared_ptr<View>> footers_;
    std::shared_ptr<View> tableHeaderView_;
    std::shared_ptr<View> tableFooterView_;
    std::shared_ptr<View> backgroundView_;

    int updateDepth_ = 0;
    std::optional<TableUpdate> pendingUpdate_;
    // How rows that come into view during an update enter.
    std::map<IndexPath, TableRowAnimation> appearing_;

    bool allowsSelection_ = true;
    bool allowsSelectionDuringEditing_ = false;
    bool editing_ = false;
    std::optional<IndexPath> selected_;
    std::optional<IndexPath> highlighted_;
    std::optional<IndexPath> tapRow_;
    QPointF tapStart_;
    ScopedTimer highlightTimer_;
    std::optional<Reorder> reorder_;
};

}  // namespace platform
