#include "MessageFlow/pages/ZVTableAndBottomViewController.h"
#include "MessageFlow/rows/ZVConversationCells.h"
#include "MessageFlow/rows/cells/ZVMessageCell.h"
#include "ZelvoKit/model/ZVMessageArray.h"
#include "toolkit/tables/ZVTableView.h"

#include <algorithm>

std::shared_ptr<ZVMessageCell> ZVConversationCells::cellByMessageNr(std::int64_t messageNr) const {
    const auto table = tableView();
    if (!table) {
        return nullptr;
    }
    for (const auto& visible : table->visibleCells()) {
        auto cell = std::dynamic_pointer_cast<ZVMessageCell>(visible);
        if (cell && cell->messageNumber() == messageNr) {
            return cell;
        }
    }
    return nullptr;
}

QRectF ZVConversationCells::visibleRectForMessageNr(std::int64_t messageNr) const {
    const auto table = tableView();
    if (!table) {
        return {};
    }
    if (const auto cell = cellByMessageNr(messageNr)) {
        return cell->convertRectTo(cell->bounds(), table->superview());
    }
    const QRectF tableFrame = table->frame();
    return QRectF(tableFrame.left(), tableFrame.top() - kOffscreenStripHeight, tableFrame.width(),
                  kOffscreenStripHeight);
}

qreal ZVConversationCells::rowTop(qsizetype index) const {
    const auto table = tableView();
    return table ? table->rectForRowAtIndexPath({0, static_cast<int>(index)}).top() : 0;
}

qreal ZVConversationCells::bottomScrollPos() const {
    const auto table = tableView();
    return table ? table->bottomScrollPos() : 0;
}

void ZVConversationCells::saveAnchorMessage() {
    saveAnchorFromVisibleCells();
}

void ZVConversationCells::saveAnchorFromVisibleCells() {
    const auto table = tableView();
    std::vector<std::shared_ptr<ZVMessageCell>> cells;
    if (table) {
        for (const auto& visible : table->visibleCells()) {
            if (auto cell = std::dynamic_pointer_cast<ZVMessageCell>(visible)) {
                cells.push_back(std::move(cell));
            }
        }
    }
    if (cells.empty()) {
        anchorMessageNumber_ = 0;
        return;
    }
    // The first visible row is usually cut by the top edge; the second is the one being read.
    std::int64_t number = cells.size() > 1 ? cells[1]->messageNumber() : cells[0]->messageNumber();
    if (cells[0]->messageNumber() == anchorMessageNumber_) {
        number = anchorMessageNumber_;
    }
    if (!indexPathForMessage(number)) {
        anchorMessageNumber_ = 0;
        return;
    }
    saveAnchorMessageNr(number);
}

void ZVConversationCells::saveAnchorMessageNr(std::int64_t messageNr) {
    const auto path = indexPathForMessage(messageNr);
    const auto table = tableView();
    if (!path || !table) {
        saveAnchorFromVisibleCells();
        return;
    }
    anchorMessageNumber_ = messageNr;
    const auto cell = cellByMessageNr(messageNr);
    if (cell) {
        cell->layoutIfNeeded();
    }
    anchorMessageOffset_ = rowTop(path->row) - table->contentOffset().y();
    anchorMessageContentOffset_ = cell ? cell->contentOffset() : 0;
}

void ZVConversationCells::scrollToAnchorMessage() {
    const auto table = tableView();
    if (anchorMessageNumber_ == 0 || !table) {
        return;
    }
    const auto path = indexPathForMessage(anchorMessageNumber_);
    if (!path) {
        anchorMessageNumber_ = 0;
        return;
    }
    qreal target = rowTop(path->row) - anchorMessageOffset_;
    scrollTable(target, false);
    if (anchorMessageContentOffset_ <= kContentOffsetThreshold) {
        return;
    }
    // Something stood above the message view in its cell: keep the text, not the cell's top.
    table->setNeedsLayout();
    table->layoutIfNeeded();
    const auto cell = cellByMessageNr(anchorMessageNumber_);
    if (!cell) {
        return;
    }
    cell->layoutIfNeeded();
    const qreal lowest = std::max<qreal>(
        0, table->contentSize().height() - table->frame().height() + table->contentInset().bottom);
    target = std::min(lowest, target - anchorMessageContentOffset_ + cell->contentOffset());
    scrollTable(target, false);
}

void ZVConversationCells::scrollTable(qreal offset, bool animated) {
    if (const auto screen = tableAndBottomViewController()) {
        screen->setScrollPos(offset, animated);
        return;
    }
    if (const auto table = tableView()) {
        table->setContentOffset(QPointF(0, offset), animated);
    }
}

void ZVConversationCells::scrollToMessage(std::int64_t messageNr, bool animated, qreal distance) {
    const auto table = tableView();
    const auto list = messages();
    if (!table || !list || messageNr < 1 || list->isEmpty()) {
        return;
    }
    const auto path = indexPathForMessage(messageNr);
    if (!path) {
        return;
    }
    animated = animated && table->superview() != nullptr;
    const qreal bottom = bottomScrollPos();
    if (path->row >= table->numberOfRowsInSection(0)) {
        scrollTable(bottom, animated);
        return;
    }
    scrollTable(std::max<qreal>(0, std::min(bottom, rowTop(path->row) - distance)), animated);
}
