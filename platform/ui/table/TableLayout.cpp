#include "platform/ui/table/TableLayout.h"

#include <algorithm>
#include <cmath>

namespace platform {

namespace {

// Negative heights from a delegate would fold rows over each other.
qreal nonNegative(qreal height) {
    return height > 0 ? height : 0;
}

}  // namespace

void TableLayout::rebuild(const Heights& heights) {
    const int count = std::max(0, heights.sections());
    sections_.assign(static_cast<std::size_t>(count), Section{});
    for (int s = 0; s < count; ++s) {
        Section& section = sections_[static_cast<std::size_t>(s)];
        section.header = nonNegative(heights.header(s));
        section.footer = nonNegative(heights.footer(s));
        const int rows = std::max(0, heights.rows(s));
        section.rowTops.resize(static_cast<std::size_t>(rows) + 1);
        qreal y = 0;
        for (int r = 0; r < rows; ++r) {
            section.rowTops[static_cast<std::size_t>(r)] = y;
            y += nonNegative(heights.row({s, r}));
        }
        section.rowTops.back() = y;
    }
    placeSections();
}

void TableLayout::setTableHeaderHeight(qreal height) {
    tableHeader_ = nonNegative(height);
    placeSections();
}

void TableLayout::setTableFooterHeight(qreal height) {
    tableFooter_ = nonNegative(height);
}

void TableLayout::placeSections() {
    qreal y = tableHeader_;
    for (Section& section : sections_) {
        section.top = y;
        y += section.height();
    }
}

int TableLayout::rowCount(int section) const {
    if (section < 0 || section >= sectionCount()) {
        return 0;
    }
    return static_cast<int>(sections_[static_cast<std::size_t>(section)].rowTops.size()) - 1;
}

bool TableLayout::contains(IndexPath path) const {
    return path.row >= 0 && path.row < rowCount(path.section);
}

qreal TableLayout::tableFooterTop() const {
    return sections_.empty() ? tableHeader_ : sections_.back().top + sections_.back().height();
}

qreal TableLayout::contentHeight() const {
    return tableFooterTop() + tableFooter_;
}

QRectF TableLayout::rectForRow(IndexPath path, qreal width) const {
    if (!contains(path)) {
        return {};
    }
    const Section& section = sections_[static_cast<std::size_t>(path.section)];
    const auto r = static_cast<std::size_t>(path.row);
    return {0, section.rowsTop() + section.rowTops[r], width,
            section.rowTops[r + 1] - section.rowTops[r]};
}

QRectF TableLayout::rectForSection(int section, qreal width) const {
    if (section < 0 || section >= sectionCount()) {
        return {};
    }
    const Section& s = sections_[static_cast<std::size_t>(section)];
    return {0, s.top, width, s.height()};
}

QRectF TableLayout::rectForHeader(int section, qreal width) const {
    if (section < 0 || section >= sectionCount()) {
        return {};
    }
    const Section& s = sections_[static_cast<std::size_t>(section)];
    return {0, s.top, width, s.header};
}

QRectF TableLayout::rectForFooter(int section, qreal width) const {
    if (section < 0 || section >= sectionCount()) {
        return {};
    }
    const Section& s = sections_[static_cast<std::size_t>(section)];
    return {0, s.rowsTop() + s.rowTops.back(), width, s.footer};
}

std::vector<int> TableLayout::sectionsBetween(qreal top, qreal bottom) const {
    std::vector<int> found;
    // The first section that ends below `top`.
    auto it = std::partition_point(sections_.begin(), sections_.end(),
                                   [&](const Section& s) { return s.top + s.height() <= top; });
    for (; it != sections_.end() && it->top < bottom; ++it) {
        found.push_back(static_cast<int>(it - sections_.begin()));
    }
    return found;
}

std::vector<IndexPath> TableLayout::rowsBetween(qreal top, qreal bottom) const {
    std::vector<IndexPath> found;
    for (const int s : sectionsBetween(top, bottom)) {
        const Section& section = sections_[static_cast<std::size_t>(s)];
        const auto& tops = section.rowTops;
        const qreal from = top - section.rowsTop();
        const qreal to = bottom - section.rowsTop();
        // Rows [i, i + 1) whose bottom lies below `from` and whose top lies above `to`; rows of
        // no height show nothing.
        auto first = std::upper_bound(tops.begin() + 1, tops.end(), from);
        for (auto it = first; it != tops.end() && *(it - 1) < to; ++it) {
            if (*it > *(it - 1)) {
                found.push_back({s, static_cast<int>(it - tops.begin()) - 1});
            }
        }
    }
    return found;
}

std::optional<IndexPath> TableLayout::rowAt(qreal y) const {
    const auto rows = rowsBetween(y, std::nextafter(y, y + 1));
    if (rows.empty()) {
        return std::nullopt;
    }
    return rows.front();
}

}  // namespace platform
