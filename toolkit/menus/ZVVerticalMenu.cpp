#include "toolkit/menus/ZVVerticalMenu.h"

#include "platform/ui/text/AttributedText.h"
#include "platform/ui/view/Touch.h"
#include "toolkit/menus/ZVVerticalMenuItem.h"

#include <QtGui/QPainter>

#include <algorithm>

namespace {

// The last row is a point taller, so that its bottom separator shows inside the menu.
constexpr qreal kLastItemExtra = 1;
constexpr qreal kSeparatorWidth = 1;

// Half-open, so that a point on the line between two rows belongs to the lower one only.
bool frameHolds(const QRectF& frame, QPointF point) {
    return point.x() >= frame.left() && point.x() < frame.right() && point.y() >= frame.top() &&
           point.y() < frame.bottom();
}

}  // namespace

ZVVerticalMenu::ZVVerticalMenu(int colorScheme) : color_(colorScheme) {
    const auto& colors = ZVVerticalMenuItem::colors(colorScheme);
    if (!colors.empty()) {
        setBackgroundColor(platform::resolveColor(colors[ZVVerticalMenuItem::kBackground]));
    }
}

ZVVerticalMenu::~ZVVerticalMenu() = default;

void ZVVerticalMenu::addItem(const std::shared_ptr<ZVVerticalMenuItem>& item) {
    if (!item) {
        return;
    }
    item->setColor(color_);
    item->setNormalHeight(itemHeight_);
    items_.push_back(item);
    addSubview(item);
    setNeedsLayout();
}

void ZVVerticalMenu::removeItem(const std::shared_ptr<ZVVerticalMenuItem>& item) {
    const auto it = std::find(items_.begin(), items_.end(), item);
    if (it == items_.end()) {
        return;
    }
    items_.erase(it);
    item->removeFromSuperview();
    setNeedsLayout();
}

void ZVVerticalMenu::removeAllItems() {
    // The list goes first: removing a view may run code that reads it.
    const Items removed = std::move(items_);
    items_.clear();
    for (const auto& item : removed) {
        item->removeFromSuperview();
    }
    setNeedsLayout();
}

void ZVVerticalMenu::setItemHeight(qreal height) {
    itemHeight_ = height;
    setNeedsLayout();
    layoutIfNeeded();
}

void ZVVerticalMenu::setTopOffset(qreal offset) {
    topOffset_ = offset;
    setNeedsLayout();
}

void ZVVerticalMenu::setVerticalSeparatorColor(std::optional<platform::Color> color) {
    verticalSeparatorColor_ = color;
    setNeedsDisplay();
    for (const auto& item : items_) {
        item->setNeedsDisplay();
    }
}

int ZVVerticalMenu::selectedItemIndex() const {
    for (std::size_t k = 0; k < items_.size(); ++k) {
        if (items_[k]->isSelected()) {
            return static_cast<int>(k);
        }
    }
    return kNotFound;
}

std::shared_ptr<ZVVerticalMenuItem> ZVVerticalMenu::selectedItem() const {
    const int index = selectedItemIndex();
    return index == kNotFound ? nullptr : items_[static_cast<std::size_t>(index)];
}

void ZVVerticalMenu::setSelectedItemIndex(int index) {
    for (std::size_t k = 0; k < items_.size(); ++k) {
        items_[k]->setSelected(static_cast<int>(k) == index);
    }
}

int ZVVerticalMenu::itemIndexAtPos(QPointF point) const {
    for (std::size_t k = 0; k < items_.size(); ++k) {
        // A hidden item keeps its old frame, which a visible one may now cover.
        if (!items_[k]->isHidden() && frameHolds(items_[k]->frame(), point)) {
            return static_cast<int>(k);
        }
    }
    return kNotFound;
}

void ZVVerticalMenu::selectItemByPos(QPointF point) {
    const int index = itemIndexAtPos(point);
    if (index != kNotFound) {
        setSelectedItemIndex(index);
    }
}

void ZVVerticalMenu::startSelectionChange() {
    if (!selectionChanging_) {
        initialSelection_ = selectedItemIndex();
        selectionChanging_ = true;
    }
}

void ZVVerticalMenu::cancelSelectionChange() {
    selectionChanging_ = false;
    setSelectedItemIndex(initialSelection_);
}

void ZVVerticalMenu::layoutSubviews() {
    const qreal width = bounds().width();
    qreal y = topOffset_;
    for (std::size_t k = 0; k < items_.size(); ++k) {
        const auto& item = items_[k];
        if (item->isHidden()) {
            continue;
        }
        // Laid out at the row's normal size first, so that an expandable item can work out its
        // expanded height.
        item->setFrame(QRectF(0, 0, width, itemHeight_));
        item->layoutIfNeeded();
        qreal height = item->isExpanded() ? item->expandedHeight() : itemHeight_;
        const bool last = k + 1 == items_.size();
        if (last) {
            height += kLastItemExtra;
        }
        item->setFrame(QRectF(0, y, width, height));
        item->setIsLast(last);
        y += height;
    }
}

void ZVVerticalMenu::drawRect(QPainter& painter, const QRectF& rect) {
    View::drawRect(painter, rect);
    if (verticalSeparatorColor_) {
        painter.save();
        painter.setPen(QPen(platform::resolveColor(*verticalSeparatorColor_), kSeparatorWidth));
        painter.drawLine(QPointF(0, 0), QPointF(0, bounds().height()));
        painter.restore();
    }
}

void ZVVerticalMenu::touchesBegan(const platform::TouchSet& touches,
                                  const platform::TouchEvent& /*event*/) {
    startSelectionChange();
    if (!touches.empty()) {
        selectItemByPos(touches.front()->locationInView(this));
    }
}

void ZVVerticalMenu::touchesMoved(const platform::TouchSet& touches,
                                  const platform::TouchEvent& /*event*/) {
    if (selectionChanging_ && !touches.empty()) {
        selectItemByPos(touches.front()->locationInView(this));
    }
}

void ZVVerticalMenu::touchesEnded(const platform::TouchSet& touches,
                                  const platform::TouchEvent& /*event*/) {
    if (!selectionChanging_) {
        return;
    }
    int index = touches.empty() ? kNotFound : itemIndexAtPos(touches.front()->locationInView(this));
    if (toggleItems_ && index == initialSelection_) {
        index = kNotFound;
    }
    // Ended before the announcement: an observer may start another change, or drop the menu.
    selectionChanging_ = false;
    willChangeValueForKey(SelectedItemIndexKey);
    setSelectedItemIndex(index);
    didChangeValueForKey(SelectedItemIndexKey);
}
