#include "toolkit/tables/ZVTableViewCell.h"

#include "platform/ui/animation/ViewAnimation.h"
#include "platform/ui/text/AttributedText.h"
#include "toolkit/style/ZVColors.h"
#include "toolkit/tables/ZVCellOverlay.h"
#include "toolkit/tables/ZVSelectionDelegate.h"
#include "toolkit/tables/ZVTableView.h"
#include "toolkit/tables/ZVTextView.h"

using platform::ViewAnimation;

ZVTableViewCell::ZVTableViewCell(Style style, QString reuseIdentifier)
    : TableViewCell(style, std::move(reuseIdentifier)) {
    setSelectionStyle(SelectionStyle::None);
    textLabel()->setBackgroundColor(Qt::white);
    if (const auto& detail = detailTextLabel()) {
        detail->setBackgroundColor(Qt::white);
    }
    setBackgroundColor(platform::resolveColor(ZVColors::background()));
}

ZVTableViewCell::~ZVTableViewCell() = default;

std::shared_ptr<ZVTableViewCell> ZVTableViewCell::self() {
    return std::static_pointer_cast<ZVTableViewCell>(shared_from_this());
}

void ZVTableViewCell::setHighlightColor(const QColor& color, double duration) {
    setHighlightColor(color, kHighlightOpacity, duration);
}

void ZVTableViewCell::setHighlightColor(const QColor& color, qreal opacity, double duration) {
    if (!color.isValid() && keepHighlight_) {
        return;
    }
    highlightColor_ = color;
    touchHighlight_ = false;
    if (duration < kInstantDuration) {
        updateOverlay();
        return;
    }
    std::weak_ptr<ZVTableViewCell> weak = self();
    if (color.isValid()) {
        if (overlay_ && overlay_->color() != color) {
            // Cross-fade: the old overlay fades out on its own while a new one fades in.
            const auto old = std::move(overlay_);
            overlay_.reset();
            fadeOut(old, duration);
        }
        if (!overlay_) {
            updateOverlay();
            overlay_->setAlpha(0);
        }
        const auto overlay = overlay_;
        ViewAnimation::animate(duration, 0, ViewAnimation::AllowUserInteraction,
                               [overlay, opacity, color] {
                                   overlay->setAlpha(opacity);
                                   overlay->setColor(color);
                               });
        return;
    }
    if (!overlay_) {
        return;
    }
    const auto overlay = overlay_;
    ViewAnimation::animate(
        duration, 0, ViewAnimation::AllowUserInteraction, [overlay] { overlay->setAlpha(0); },
        [weak](bool) {
            // A colour set meanwhile keeps the overlay; otherwise it goes.
            if (const auto cell = weak.lock()) {
                cell->updateOverlay();
            }
        });
}

void ZVTableViewCell::fadeOut(const std::shared_ptr<ZVCellOverlay>& overlay, double duration) {
    ViewAnimation::animate(
        duration, 0, ViewAnimation::AllowUserInteraction, [overlay] { overlay->setAlpha(0); },
        [overlay](bool) { overlay->removeFromSuperview(); });
}

void ZVTableViewCell::updateOverlay() {
    if (!highlightColor_.isValid()) {
        clearOverlay();
        return;
    }
    if (!overlay_) {
        overlay_ = View::make<ZVCellOverlay>();
        insertSubviewAbove(overlay_, contentView().get());
    }
    overlay_->setColor(highlightColor_);
    overlay_->setFrame(contentView()->frame());
    overlay_->setShape(highlightShape());
    overlay_->setAlpha(kHighlightOpacity);
    setNeedsDisplay();
    setNeedsLayout();
}

void ZVTableViewCell::clearOverlay() {
    if (overlay_) {
        overlay_->removeFromSuperview();
        overlay_.reset();
    }
}

void ZVTableViewCell::setHighlighted(bool highlighted, bool animated) {
    TableViewCell::setHighlighted(highlighted, animated);
    if (!highlightable_ || (highlightColor_.isValid() && !touchHighlight_)) {
        return;
    }
    const double duration = animated || highlighted ? 0 : kUnhighlightDuration;
    const QColor color = highlighted ? platform::resolveColor(ZVColors::cellHighlight()) : QColor();
    const bool kept = !color.isValid() && keepHighlight_;
    setHighlightColor(color, duration);
    // A removal that keepHighlight refused leaves the touch's colour the touch's.
    touchHighlight_ = highlighted || kept;
}

QPainterPath ZVTableViewCell::highlightShape() const {
    QPainterPath path;
    path.addRect(contentRect());
    return path;
}

ZVTableView* ZVTableViewCell::tableView() const {
    for (View* view = superview(); view; view = view->superview()) {
        if (auto* table = dynamic_cast<ZVTableView*>(view)) {
            return table;
        }
    }
    return nullptr;
}

void ZVTableViewCell::notifyCellHeightChangeAnimated(bool animated) {
    ZVTableView* table = tableView();
    if (!table) {
        return;
    }
    // The cell owns the timer (a cell gone is left alone) and holds its table weakly.
    std::weak_ptr<View> weakTable = table->weak_from_this();
    heightNotice_ =
        platform::Scheduler::main().after(kHeightNoticeDelay, [this, weakTable, animated] {
            const auto table = std::static_pointer_cast<ZVTableView>(weakTable.lock());
            if (table && tableView() == table.get()) {
                table->notifyCellHeightChange(animated);
            }
        });
}

bool ZVTableViewCell::selecting() const {
    const ZVTableView* table = tableView();
    return table && table->selectionCell().get() == this;
}

void ZVTableViewCell::setSelecting(bool selecting) {
    if (selecting == this->selecting()) {
        return;
    }
    if (ZVTableView* table = tableView()) {
        table->setSelectionCell(selecting ? self() : nullptr);
    }
}

void ZVTableViewCell::updateSelectionView() {
    if (selecting()) {
        tableView()->updateSelectionViewWithCell(*this);
    }
}

void ZVTableViewCell::touchesEnded(const platform::TouchSet& touches,
                                   const platform::TouchEvent& event) {
    TableViewCell::touchesEnded(touches, event);
    cellTapped();
}

void ZVTableViewCell::prepareForReuse() {
    TableViewCell::prepareForReuse();
    // Out of the table by now: the selectable copy it holds leads to the table.
    for (const auto& subview : subviews()) {
        const auto* copy = dynamic_cast<const ZVTextView*>(subview.get());
        const auto* owner =
            copy ? dynamic_cast<const ZVSelectionDelegate*>(copy->delegate().get()) : nullptr;
        const auto table = owner ? owner->table() : nullptr;
        if (table && table->selectionCell().get() == this) {
            table->setSelectionCell(nullptr);
            return;
        }
    }
}

void ZVTableViewCell::layoutSubviews() {
    TableViewCell::layoutSubviews();
    if (overlay_) {
        overlay_->setFrame(contentView()->frame());
        overlay_->setShape(highlightShape());
    }
}
