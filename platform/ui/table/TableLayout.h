#pragma once

#include "platform/ui/table/IndexPath.h"

#include <QtCore/QRectF>

#include <functional>
#include <optional>
#include <vector>

namespace platform {

// Where a table's rows, section headers and footers lie, from their heights alone: no cells are
// made to measure. Rows are found by binary search, so a table of many thousands of rows answers
// "what shows between y0 and y1" in logarithmic time.
class TableLayout {
public:
    struct Heights {
        std::function<int()> sections;
        std::function<int(int section)> rows;
        std::function<qreal(IndexPath)> row;
        std::function<qreal(int section)> header;
        std::function<qreal(int section)> footer;
    };

    // Asks every height again (the table's header and footer keep their heights).
    void rebuild(const Heights& heights);
    void setTableHeaderHeight(qreal height);
    void setTableFooterHeight(qreal height);

    int sectionCount() const { return static_cast<int>(sections_.size()); }
    int rowCount(int section) const;
    bool contains(IndexPath path) const;
    qreal contentHeight() const;

    // In the table's content coordinates, `width` wide; empty for what does not exist.
    QRectF rectForRow(IndexPath path, qreal width) const;
    QRectF rectForSection(int section, qreal width) const;
    QRectF rectForHeader(int section, qreal width) const;
    QRectF rectForFooter(int section, qreal width) const;
    qreal tableFooterTop() const;

    // The rows that overlap the band from `top` to `bottom`, in order.
    std::vector<IndexPath> rowsBetween(qreal top, qreal bottom) const;
    // The sections that overlap the band, in order.
    std::vector<int> sectionsBetween(qreal top, qreal bottom) const;
    std::optional<IndexPath> rowAt(qreal y) const;

private:
    struct Section {
        qreal top = 0;
        qreal header = 0;
        qreal footer = 0;
        // Tops of the rows relative to the first row's top, one more than there are rows: the
        // last entry is the rows' total height.
        std::vector<qreal> rowTops{0};
        qreal rowsTop() const { return top + header; }
        qreal height() const { return header + rowTops.back() + footer; }
    };
    void placeSections();

    std::vector<Section> sections_;
    qreal tableHeader_ = 0;
    qreal tableFooter_ = 0;
};

}  // namespace platform
