// The table's answers to the user: taps that highlight and select rows, editing controls and the
// dragging of rows.
#include "platform/ui/animation/ViewAnimation.h"
#include "platform/ui/table/TableView.h"

#include <QtCore/QLineF>

namespace platform {

// --- taps ---

// The table keeps the touches that reach it: they are its rows' taps or nothing.
void TableView::touchesBegan(const TouchSet& touches, const TouchEvent&) {
    cancelTap();
    const bool selectable = editing_ ? allowsSelectionDuringEditing_ : allowsSelection_;
    // A finger that stops moving content holds it; it taps nothing.
    if (touches.size() != 1 || !selectable || isDecelerating() || touchStoppedMotion()) {
        return;
    }
    const QPointF point = touches.front()->locationInView(this);
    const std::optional<IndexPath> row = indexPathForRowAtPoint(point);
    const auto delegate = tableDelegate();
    if (!row || (delegate && !delegate->tableViewShouldHighlightRowAtIndexPath(*this, *row))) {
        return;
    }
    tapRow_ = row;
    tapStart_ = touches.front()->windowLocation();
    // The row lights up only once the touch has stayed long enough not to be a drag.
    highlightTimer_ = Scheduler::main().after(kHighlightDelay, [this] {
        if (tapRow_) {
            highlightRow(*tapRow_);
        }
    });
}

void TableView::touchesMoved(const TouchSet& touches, const TouchEvent&) {
    if (tapRow_ && !touches.empty() &&
        QLineF(tapStart_, touches.front()->windowLocation()).length() > kTapSlop) {
        cancelTap();
    }
}

void TableView::touchesEnded(const TouchSet&, const TouchEvent&) {
    if (tapRow_) {
        finishTap();
    }
}

void TableView::touchesCancelled(const TouchSet&, const TouchEvent&) {
    cancelTap();
}

void TableView::highlightRow(IndexPath path) {
    highlightTimer_.cancel();
    if (highlighted_ == path) {
        return;
    }
    highlighted_ = path;
    if (const auto cell = cellForRowAtIndexPath(path)) {
        cell->setHighlighted(true, false);
    }
    if (const auto delegate = tableDelegate()) {
        delegate->tableViewDidHighlightRowAtIndexPath(*this, path);
    }
}

void TableView::unhighlightRow() {
    if (!highlighted_) {
        return;
    }
    const IndexPath path = *highlighted_;
    highlighted_.reset();
    if (const auto cell = cellForRowAtIndexPath(path)) {
        // Not animated, as on the platform: cells that fade their highlight out do it on their own.
        cell->setHighlighted(false, false);
    }
    if (const auto delegate = tableDelegate()) {
        delegate->tableViewDidUnhighlightRowAtIndexPath(*this, path);
    }
}

void TableView::finishTap() {
    const IndexPath tapped = *tapRow_;
    tapRow_.reset();
    // A quick tap lifts before the delay: it is certain now, so it highlights now.
    highlightRow(tapped);
    const auto delegate = tableDelegate();
    const std::optional<IndexPath> chosen =
        delegate ? delegate->tableViewWillSelectRowAtIndexPath(*this, tapped) : tapped;
    if (chosen && layout_.contains(*chosen)) {
        selectRowAtIndexPath(*chosen, false, ScrollPosition::None);
        if (const auto d = tableDelegate()) {
            d->tableViewDidSelectRowAtIndexPath(*this, *chosen);
        }
    }
    unhighlightRow();
}

void TableView::cancelTap() {
    tapRow_.reset();
    highlightTimer_.cancel();
    unhighlightRow();
}

// --- selection ---

void TableView::selectRowAtIndexPath(std::optional<IndexPath> path, bool animated,
                                     ScrollPosition position) {
    ensureLoaded();
    if (path && !layout_.contains(*path)) {
        return;
    }
    if (selected_ && selected_ != path) {
        deselectRowAtIndexPath(*selected_, animated);
    }
    selected_ = path;
    if (!path) {
        return;
    }
    if (const auto cell = cellForRowAtIndexPath(*path)) {
        cell->setSelected(true, animated);
    }
    if (position != ScrollPosition::None) {
        scrollToRowAtIndexPath(*path, position, animated);
    }
}

void TableView::deselectRowAtIndexPath(IndexPath path, bool animated) {
    if (selected_ != path) {
        return;
    }
    selected_.reset();
    if (const auto cell = cellForRowAtIndexPath(path)) {
        cell->setSelected(false, animated);
    }
}

// --- editing ---

void TableView::setEditing(bool editing, bool animated) {
    if (editing == editing_) {
        return;
    }
    editing_ = editing;
    cancelTap();
    reorder_.reset();
    for (const auto& [path, cell] : visible_) {
        configure(*cell, path, animated);
    }
    setNeedsLayout();
}

void TableView::commitEditing(TableViewCell& cell) {
    const std::optional<IndexPath> path = indexPathForCell(cell);
    const auto source = dataSource();
    if (path && source && editing_) {
        source->tableViewCommitEditingStyle(*this, cell.editingStyle(), *path);
    }
}

void TableView::reorderTouch(TableViewCell& cell, TouchPhase phase, QPointF point) {
    switch (phase) {
        case TouchPhase::Began: {
            const std::optional<IndexPath> path = indexPathForCell(cell);
            if (!path || !editing_) {
                return;
            }
            cancelTap();
            reorder_ = Reorder{*path, *path, visible_.at(*path), point.y() - cell.frame().top()};
            bringSubviewToFront(&cell);
            return;
        }
        case TouchPhase::Moved:
        case TouchPhase::Stationary: {
            if (!reorder_ || reorder_->cell.get() != &cell) {
                return;
            }
            const qreal width = bounds().width();
            const QRectF section = layout_.rectForSection(reorder_->from.section, width);
            QRectF frame = cell.frame();
            frame.moveTop(std::clamp(point.y() - reorder_->grab, section.top(),
                                     section.bottom() - frame.height()));
            cell.setFrame(frame);
            // Rows move within their own section: the target is the row under the cell's middle.
            const std::optional<IndexPath> under = layout_.rowAt(frame.center().y());
            if (under && under->section == reorder_->from.section) {
                reorder_->to = *under;
            }
            ViewAnimation::animate(kUpdateAnimationDuration, [this] { layoutRows(); });
            return;
        }
        case TouchPhase::Ended: {
            if (!reorder_ || reorder_->cell.get() != &cell) {
                return;
            }
            const Reorder done = *reorder_;
            reorder_.reset();
            if (done.from != done.to) {
                if (const auto source = dataSource()) {
                    source->tableViewMoveRowAtIndexPath(*this, done.from, done.to);
                }
                moveRow(done.from, done.to);
            } else {
                ViewAnimation::animate(kUpdateAnimationDuration, [this] { layoutRows(); });
            }
            return;
        }
        case TouchPhase::Cancelled:
            if (reorder_ && reorder_->cell.get() == &cell) {
                reorder_.reset();
                ViewAnimation::animate(kUpdateAnimationDuration, [this] { layoutRows(); });
            }
            return;
    }
}

}  // namespace platform
