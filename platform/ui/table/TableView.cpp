#include "platform/ui/table/TableView.h"

#include "platform/foundation/SystemLog.h"
#include "platform/ui/animation/ViewAnimation.h"

#include <algorithm>

namespace platform {

namespace {

// Where a row starts (coming in) or ends (going out) for an animation kind, from its place.
void applyAnimationEdge(View& view, const QRectF& place, TableRowAnimation animation) {
    QRectF frame = place;
    switch (animation) {
        case TableRowAnimation::Right:
            frame.translate(place.width(), 0);
            break;
        case TableRowAnimation::Left:
            frame.translate(-place.width(), 0);
            break;
        case TableRowAnimation::Top:
            frame.translate(0, -place.height());
            break;
        case TableRowAnimation::Bottom:
            frame.translate(0, place.height());
            break;
        case TableRowAnimation::Middle:
            frame = QRectF(place.left(), place.center().y(), place.width(), 0);
            break;
        default:
            break;
    }
    view.setFrame(frame);
    view.setAlpha(0);
}

}  // namespace

const QColor TableView::kDefaultSeparatorColor = QColor(200, 199, 204);

TableView::TableView(const QRectF& frame, Style style) : ScrollView(frame), style_(style) {
    setAlwaysBounceVertical(true);
    setBackgroundColor(Qt::white);
}

TableView::~TableView() = default;

void TableView::setDataSource(std::weak_ptr<TableViewDataSource> dataSource) {
    dataSource_ = std::move(dataSource);
    loaded_ = false;
    setNeedsLayout();
}

void TableView::setDelegate(std::weak_ptr<TableViewDelegate> delegate) {
    ScrollView::setDelegate(delegate);
    tableDelegate_ = std::move(delegate);
    loaded_ = false;
    setNeedsLayout();
}

void TableView::setSeparatorColor(const QColor& color) {
    separatorColor_ = color;
    for (const auto& [path, cell] : visible_) {
        cell->setSeparatorColor(color);
    }
}

void TableView::setRowHeight(qreal height) {
    rowHeight_ = height;
    loaded_ = false;
    setNeedsLayout();
}

void TableView::setSectionHeaderHeight(qreal height) {
    sectionHeaderHeight_ = height;
    loaded_ = false;
    setNeedsLayout();
}

void TableView::setSectionFooterHeight(qreal height) {
    sectionFooterHeight_ = height;
    loaded_ = false;
    setNeedsLayout();
}

// --- data ---

void TableView::ensureLoaded() {
    if (!loaded_) {
        reloadData();
    }
}

void TableView::reloadData() {
    cancelTap();
    reorder_.reset();
    reloadedRows_.clear();
    for (auto& [path, cell] : std::map(visible_)) {
        recycle(cell);
        reloadedRows_[cell.get()] = path;
    }
    visible_.clear();
    dropSectionViews();
    selected_.reset();
    pendingUpdate_.reset();
    rebuildLayout();
    loaded_ = true;
    layoutRows();
}

void TableView::rebuildLayout() {
    const auto source = dataSource();
    const auto delegate = tableDelegate();
    TableLayout::Heights heights;
    heights.sections = [&] { return source ? source->numberOfSectionsInTableView(*this) : 0; };
    heights.rows = [&](int s) { return source->tableViewNumberOfRowsInSection(*this, s); };
    heights.row = [&](IndexPath p) {
        const auto h =
            delegate ? delegate->tableViewHeightForRowAtIndexPath(*this, p) : std::nullopt;
        return h.value_or(rowHeight_);
    };
    heights.header = [&](int s) {
        const auto h =
            delegate ? delegate->tableViewHeightForHeaderInSection(*this, s) : std::nullopt;
        return h.value_or(sectionHeaderHeight_);
    };
    heights.footer = [&](int s) {
        const auto h =
            delegate ? delegate->tableViewHeightForFooterInSection(*this, s) : std::nullopt;
        return h.value_or(sectionFooterHeight_);
    };
    layout_.rebuild(heights);
    updateContentSize();
}

std::vector<int> TableView::rowCounts() const {
    std::vector<int> counts;
    for (int s = 0; s < layout_.sectionCount(); ++s) {
        counts.push_back(layout_.rowCount(s));
    }
    return counts;
}

int TableView::numberOfSections() {
    ensureLoaded();
    return layout_.sectionCount();
}

int TableView::numberOfRowsInSection(int section) {
    ensureLoaded();
    return layout_.rowCount(section);
}

std::shared_ptr<TableViewCell> TableView::dequeueReusableCell(const QString& identifier) {
    auto it = reusable_.find(identifier);
    if (it == reusable_.end() || it->second.empty()) {
        return nullptr;
    }
    auto& waiting = it->second;
    if (makingRow_ && !reloadedRows_.empty()) {
        const auto same = std::find_if(waiting.begin(), waiting.end(), [&](const auto& candidate) {
            const auto row = reloadedRows_.find(candidate.get());
            return row != reloadedRows_.end() && row->second == *makingRow_;
        });
        if (same != waiting.end()) {
            std::iter_swap(same, waiting.end() - 1);
        }
    }
    auto cell = std::move(waiting.back());
    waiting.pop_back();
    reloadedRows_.erase(cell.get());
    cell->prepareForReuse();
    return cell;
}

void TableView::recycle(const std::shared_ptr<TableViewCell>& cell) {
    cell->removeFromSuperview();
    // Cells without an identifier are the data source's own, never handed to another row.
    if (!cell->reuseIdentifier().isEmpty()) {
        reusable_[cell->reuseIdentifier()].push_back(cell);
    }
}

void TableView::updateContentSize() {
    setContentSize({bounds().width(), layout_.contentHeight()});
}

// --- geometry ---

QRectF TableView::rectForRowAtIndexPath(IndexPath path) {
    ensureLoaded();
    return layout_.rectForRow(path, bounds().width());
}

QRectF TableView::rectForSection(int section) {
    ensureLoaded();
    return layout_.rectForSection(section, bounds().width());
}

QRectF TableView::rectForHeaderInSection(int section) {
    ensureLoaded();
    return layout_.rectForHeader(section, bounds().width());
}

QRectF TableView::rectForFooterInSection(int section) {
    ensureLoaded();
    return layout_.rectForFooter(section, bounds().width());
}

std::optional<IndexPath> TableView::indexPathForRowAtPoint(QPointF point) {
    ensureLoaded();
    if (point.x() < 0 || point.x() >= bounds().width()) {
        return std::nullopt;
    }
    return layout_.rowAt(point.y());
}

std::optional<IndexPath> TableView::indexPathForCell(const TableViewCell& cell) const {
    for (const auto& [path, shown] : visible_) {
        if (shown.get() == &cell) {
            return path;
        }
    }
    return std::nullopt;
}

std::vector<IndexPath> TableView::indexPathsForVisibleRows() {
    layoutIfNeeded();
    std::vector<IndexPath> paths;
    paths.reserve(visible_.size());
    for (const auto& [path, cell] : visible_) {
        paths.push_back(path);
    }
    return paths;
}

std::vector<std::shared_ptr<TableViewCell>> TableView::visibleCells() {
    layoutIfNeeded();
    std::vector<std::shared_ptr<TableViewCell>> cells;
    cells.reserve(visible_.size());
    for (const auto& [path, cell] : visible_) {
        cells.push_back(cell);
    }
    return cells;
}

std::shared_ptr<TableViewCell> TableView::cellForRowAtIndexPath(IndexPath path) {
    layoutIfNeeded();
    const auto it = visible_.find(path);
    return it == visible_.end() ? nullptr : it->second;
}

std::shared_ptr<View> TableView::headerViewForSection(int section) {
    layoutIfNeeded();
    const auto it = headers_.find(section);
    return it == headers_.end() ? nullptr : it->second;
}

std::shared_ptr<View> TableView::footerViewForSection(int section) {
    layoutIfNeeded();
    const auto it = footers_.find(section);
    return it == footers_.end() ? nullptr : it->second;
}

void TableView::scrollToRowAtIndexPath(IndexPath path, ScrollPosition position, bool animated) {
    ensureLoaded();
    if (!layout_.contains(path)) {
        return;
    }
    const QRectF rect = layout_.rectForRow(path, bounds().width());
    const EdgeInsets inset = contentInset();
    const qreal visibleHeight = bounds().height() - inset.top - inset.bottom;
    qreal y = contentOffset().y();
    switch (position) {
        case ScrollPosition::None:
            scrollRectToVisible(rect, animated);
            return;
        case ScrollPosition::Top:
            y = rect.top() - inset.top;
            break;
        case ScrollPosition::Middle:
            y = rect.center().y() - inset.top - visibleHeight / 2;
            break;
        case ScrollPosition::Bottom:
            y = rect.bottom() - inset.top - visibleHeight;
            break;
    }
    y = std::clamp(y, minimumContentOffset().y(), maximumContentOffset().y());
    setContentOffset({contentOffset().x(), y}, animated);
}

// --- layout ---

void TableView::layoutSubviews() {
    ScrollView::layoutSubviews();
    ensureLoaded();
    layoutRows();
}

std::size_t TableView::cellInsertionIndex() const {
    // Cells lie above the background view and below everything else.
    return backgroundView_ && backgroundView_->superview() == this ? 1 : 0;
}

QRectF TableView::displayRect(IndexPath path) const {
    QRectF rect = layout_.rectForRow(path, bounds().width());
    if (!reorder_ || path.section != reorder_->from.section || path == reorder_->from) {
        return rect;
    }
    // While a row is dragged the rows between its old and new place make room for it.
    const qreal gap = layout_.rectForRow(reorder_->from, 0).height();
    const int from = reorder_->from.row;
    const int to = reorder_->to.row;
    if (from < to && path.row > from && path.row <= to) {
        rect.translate(0, -gap);
    } else if (to < from && path.row >= to && path.row < from) {
        rect.translate(0, gap);
    }
    return rect;
}

void TableView::layoutRows() {
    const QRectF b = bounds();
    if (contentSize().width() != b.width()) {
        updateContentSize();
    }
    const std::vector<IndexPath> rows = layout_.rowsBetween(b.top(), b.bottom());
    // Rows that left go back to reuse first, so that the rows coming in can have their cells.
    const std::set<IndexPath> wanted(rows.begin(), rows.end());
    for (auto it = visible_.begin(); it != visible_.end();) {
        const bool dragged = reorder_ && reorder_->cell == it->second;
        if (wanted.count(it->first) == 0 && !dragged) {
            recycle(it->second);
            it = visible_.erase(it);
        } else {
            ++it;
        }
    }
    for (const IndexPath& path : rows) {
        auto it = visible_.find(path);
        if (it != visible_.end()) {
            if (!reorder_ || reorder_->cell != it->second) {
                const QRectF place = displayRect(path);
                if (it->second->frame() != place) {
                    it->second->setFrame(place);
                }
            }
            continue;
        }
        visible_[path] = makeCell(path);
    }
    layoutSectionViews(b.top(), b.bottom());
    if (backgroundView_) {
        backgroundView_->setFrame(b);
    }
    if (tableHeaderView_) {
        tableHeaderView_->setFrame(QRectF(0, 0, b.width(), tableHeaderView_->bounds().height()));
    }
    if (tableFooterView_) {
        tableFooterView_->setFrame(
            QRectF(0, layout_.tableFooterTop(), b.width(), tableFooterView_->bounds().height()));
    }
}

std::shared_ptr<TableViewCell> TableView::makeCell(IndexPath path) {
    const auto source = dataSource();
    makingRow_ = path;
    std::shared_ptr<TableViewCell> cell =
        source ? source->tableViewCellForRowAtIndexPath(*this, path) : nullptr;
    makingRow_.reset();
    if (!cell) {
        // A data source that answers no cell is at fault; an empty row keeps the table whole.
        systemLogFormat(u"Table view: the data source gave no cell for row %@ of section %@",
                        path.row, path.section);
        cell = View::make<TableViewCell>();
    }
    const QRectF place = displayRect(path);
    const auto appearing = appearing_.find(path);
    ViewAnimation::performWithoutAnimation([&] {
        cell->setAlpha(1);
        if (appearing != appearing_.end() && appearing->second != TableRowAnimation::None) {
            applyAnimationEdge(*cell, place, appearing->second);
        } else {
            cell->setFrame(place);
        }
        configure(*cell, path, false);
        insertSubview(cell, cellInsertionIndex());
        // The data source may have changed what the cell holds without changing its size.
        cell->setNeedsLayout();
        cell->layoutIfNeeded();
    });
    if (appearing != appearing_.end()) {
        cell->setFrame(place);
        cell->setAlpha(1);
    }
    if (const auto delegate = tableDelegate()) {
        delegate->tableViewWillDisplayCell(*this, *cell, path);
    }
    return cell;
}

void TableView::configure(TableViewCell& cell, IndexPath path, bool animated) {
    const auto source = dataSource();
    const auto delegate = tableDelegate();
    const bool editable = source && source->tableViewCanEditRowAtIndexPath(*this, path);
    cell.setEditingStyle(editable && delegate
                             ? delegate->tableViewEditingStyleForRowAtIndexPath(*this, path)
                         : editable ? TableViewCell::EditingStyle::Delete
                                    : TableViewCell::EditingStyle::None);
    cell.setShowsReorderControl(source && source->tableViewCanMoveRowAtIndexPath(*this, path));
    cell.setSeparatorColor(separatorColor_);
    cell.setEditing(editing_, animated);
    cell.setSelected(selected_ == path, false);
    cell.setHighlighted(highlighted_ == path, false);
}

void TableView::layoutSectionViews(qreal top, qreal bottom) {
    const qreal width = bounds().width();
    const std::vector<int> sections = layout_.sectionsBetween(top, bottom);
    const std::set<int> showing(sections.begin(), sections.end());
    for (auto* views : {&headers_, &footers_}) {
        for (auto it = views->begin(); it != views->end();) {
            if (showing.count(it->first) == 0) {
                it->second->removeFromSuperview();
                it = views->erase(it);
            } else {
                ++it;
            }
        }
    }
    const auto delegate = tableDelegate();
    if (!delegate) {
        return;
    }
    const qreal pinTop = contentOffset().y() + contentInset().top;
    for (const int s : sections) {
        QRectF header = layout_.rectForHeader(s, width);
        if (header.height() > 0) {
            auto& view = headers_[s];
            if (!view) {
                view = delegate->tableViewViewForHeaderInSection(*this, s);
            }
            if (view) {
                if (style_ == Style::Plain) {
                    // A plain table's header stays at the top while its section scrolls under it.
                    const qreal sectionBottom = layout_.rectForSection(s, width).bottom();
                    header.moveTop(
                        std::max(header.top(), std::min(pinTop, sectionBottom - header.height())));
                }
                view->setFrame(header);
                if (view->superview() != this) {
                    addSubview(view);
                }
            } else {
                headers_.erase(s);
            }
        }
        const QRectF footer = layout_.rectForFooter(s, width);
        if (footer.height() > 0) {
            auto& view = footers_[s];
            if (!view) {
                view = delegate->tableViewViewForFooterInSection(*this, s);
            }
            if (view) {
                view->setFrame(footer);
                if (view->superview() != this) {
                    addSubview(view);
                }
            } else {
                footers_.erase(s);
            }
        }
    }
}

void TableView::dropSectionViews() {
    for (auto* views : {&headers_, &footers_}) {
        for (auto& [section, view] : *views) {
            view->removeFromSuperview();
        }
        views->clear();
    }
}

// --- accessory views ---

void TableView::setTableHeaderView(const std::shared_ptr<View>& view) {
    if (tableHeaderView_) {
        tableHeaderView_->removeFromSuperview();
    }
    tableHeaderView_ = view;
    layout_.setTableHeaderHeight(view ? view->bounds().height() : 0);
    if (view) {
        addSubview(view);
    }
    updateContentSize();
    setNeedsLayout();
}

void TableView::setTableFooterView(const std::shared_ptr<View>& view) {
    if (tableFooterView_) {
        tableFooterView_->removeFromSuperview();
    }
    tableFooterView_ = view;
    layout_.setTableFooterHeight(view ? view->bounds().height() : 0);
    if (view) {
        addSubview(view);
    }
    updateContentSize();
    setNeedsLayout();
}

void TableView::setBackgroundView(const std::shared_ptr<View>& view) {
    if (backgroundView_) {
        backgroundView_->removeFromSuperview();
    }
    backgroundView_ = view;
    if (view) {
        view->setFrame(bounds());
        insertSubview(view, 0);
    }
}

// --- updates ---

void TableView::beginUpdates() {
    if (updateDepth_++ == 0) {
        pendingUpdate_.emplace();
    }
}

void TableView::endUpdates() {
    if (updateDepth_ == 0 || --updateDepth_ > 0) {
        return;
    }
    const TableUpdate update = pendingUpdate_.value_or(TableUpdate{});
    pendingUpdate_.reset();
    apply(update);
}

void TableView::update(const std::function<void(TableUpdate&)>& change) {
    beginUpdates();
    if (pendingUpdate_) {
        change(*pendingUpdate_);
    }
    endUpdates();
}

void TableView::insertRows(const std::vector<IndexPath>& paths, TableRowAnimation animation) {
    update([&](TableUpdate& u) { u.insertRows(paths, animation); });
}

void TableView::deleteRows(const std::vector<IndexPath>& paths, TableRowAnimation animation) {
    update([&](TableUpdate& u) { u.deleteRows(paths, animation); });
}

void TableView::reloadRows(const std::vector<IndexPath>& paths, TableRowAnimation animation) {
    update([&](TableUpdate& u) { u.reloadRows(paths, animation); });
}

void TableView::moveRow(IndexPath from, IndexPath to) {
    update([&](TableUpdate& u) { u.moveRow(from, to); });
}

void TableView::insertSections(const std::set<int>& sections, TableRowAnimation animation) {
    update([&](TableUpdate& u) { u.insertSections(sections, animation); });
}

void TableView::deleteSections(const std::set<int>& sections, TableRowAnimation animation) {
    update([&](TableUpdate& u) { u.deleteSections(sections, animation); });
}

void TableView::reloadSections(const std::set<int>& sections, TableRowAnimation animation) {
    update([&](TableUpdate& u) { u.reloadSections(sections, animation); });
}

void TableView::moveSection(int from, int to) {
    update([&](TableUpdate& u) { u.moveSection(from, to); });
}

void TableView::apply(const TableUpdate& update) {
    if (!loaded_) {
        // Nothing was shown yet: the data source's rows as they are now are all there is.
        reloadData();
        return;
    }
    const std::vector<int> before = rowCounts();
    std::vector<int> after;
    if (const auto source = dataSource()) {
        const int sections = std::max(0, source->numberOfSectionsInTableView(*this));
        for (int s = 0; s < sections; ++s) {
            after.push_back(std::max(0, source->tableViewNumberOfRowsInSection(*this, s)));
        }
    }
    const TableUpdate::Resolution resolution = update.resolve(before, after);
    if (!resolution.result) {
        systemLogFormat(u"Table view: invalid update (%@); reloading the whole table",
                        resolution.error);
        reloadData();
        return;
    }
    const TableUpdate::Result& result = *resolution.result;
    cancelTap();
    reorder_.reset();

    // Cells of rows that stay follow their rows; the others leave.
    std::map<IndexPath, std::shared_ptr<TableViewCell>> kept;
    std::vector<std::pair<std::shared_ptr<TableViewCell>, TableRowAnimation>> leaving;
    for (auto& [path, cell] : visible_) {
        if (const auto to = result.kept.find(path); to != result.kept.end()) {
            kept[to->second] = cell;
        } else {
            const auto how = result.removed.find(path);
            leaving.emplace_back(
                cell, how != result.removed.end() ? how->second : TableRowAnimation::None);
        }
    }
    visible_ = std::move(kept);
    if (selected_) {
        const auto to = result.kept.find(*selected_);
        selected_ = to != result.kept.end() ? std::optional(to->second) : std::nullopt;
    }
    dropSectionViews();
    rebuildLayout();
    appearing_ = result.added;

    // Cells that leave without animation are reusable at once, by the rows coming in; the
    // others once they are gone from sight.
    const bool animated = !ViewAnimation::isInstant();
    std::vector<std::shared_ptr<TableViewCell>> animatingOut;
    auto moveRows = [&] {
        for (auto& [cell, animation] : leaving) {
            if (animated && animation != TableRowAnimation::None) {
                applyAnimationEdge(*cell, cell->frame(), animation);
                animatingOut.push_back(cell);
            }
        }
        layoutRows();
    };
    for (auto& [cell, animation] : leaving) {
        if (!animated || animation == TableRowAnimation::None) {
            recycle(cell);
        }
    }
    if (animated) {
        ViewAnimation::animate(kUpdateAnimationDuration, moveRows);
    } else {
        moveRows();
    }
    appearing_.clear();
    if (!animatingOut.empty()) {
        const std::weak_ptr<View> alive = weak_from_this();
        Scheduler::main().after(kUpdateAnimationDuration, [this, alive, animatingOut] {
            if (alive.expired()) {
                return;
            }
            for (const auto& cell : animatingOut) {
                if (cell->superview() == this && !indexPathForCell(*cell)) {
                    ViewAnimation::performWithoutAnimation([&] { cell->setAlpha(1); });
                    recycle(cell);
                }
            }
        });
    }
}

}  // namespace platform
