#include "toolkit/tables/ZVTableView.h"

#include "platform/ui/standins/EditMenu.h"
#include "platform/ui/text/AttributedText.h"
#include "toolkit/style/ZVColors.h"
#include "toolkit/tables/ZVSelectionCell.h"
#include "toolkit/tables/ZVSelectionDelegate.h"
#include "toolkit/tables/ZVTableViewCell.h"
#include "toolkit/tables/ZVTableViewHeightDelegate.h"
#include "toolkit/tables/ZVTextView.h"
#include "toolkit/widgets/ZVBackgroundView.h"

#include <cmath>

using platform::AttributedString;
using platform::EdgeInsets;
using platform::Scheduler;

ZVTableView::ZVTableView(const QRectF& frame, Style style) : TableView(frame, style) {
    setSeparatorColor(Qt::transparent);
    setBackgroundColor(platform::resolveColor(ZVColors::background()));
}

ZVTableView::~ZVTableView() = default;

void ZVTableView::setBottomView(const std::shared_ptr<platform::View>& view) {
    if (view == bottomView_) {
        return;
    }
    if (view) {
        // A current view stays where it is: its owner may still be moving it out.
        addSubview(view);
    } else if (bottomView_) {
        bottomView_->removeFromSuperview();
    }
    bottomView_ = view;
    setNeedsLayout();
}

qreal ZVTableView::contentHeightForBottom() const {
    return newContentHeight_ > 1 ? newContentHeight_ : contentSize().height();
}

qreal ZVTableView::bottomScrollPos() const {
    return std::max<qreal>(0, contentHeightForBottom() - bounds().height() + contentInset().bottom);
}

bool ZVTableView::isScrolledToBottom() const {
    return contentOffset().y() > bottomScrollPos() - kBottomSlack;
}

void ZVTableView::scrollToBottomAnimated(bool animated) {
    setContentOffset(QPointF(0, bottomScrollPos()), animated);
}

void ZVTableView::notifyCellHeightChange(bool animated) {
    qreal delta = 0;
    const auto delegate = tableDelegate();
    for (const platform::IndexPath& path : indexPathsForVisibleRows()) {
        std::optional<qreal> asked;
        if (delegate) {
            asked = delegate->tableViewHeightForRowAtIndexPath(*this, path);
        }
        const qreal height = asked.value_or(rowHeight());
        const auto cell = cellForRowAtIndexPath(path);
        const qreal shown = cell ? cell->frame().height() : 0;
        if (std::abs(height - shown) > kHeightChangeThreshold) {
            delta += height - shown;
        }
    }
    newContentHeight_ = contentSize().height() + delta;
    if (animated) {
        beginUpdates();
        endUpdates();
    } else {
        reloadData();
    }
    if (auto* listener = dynamic_cast<ZVTableViewHeightDelegate*>(delegate.get())) {
        listener->tableViewContentHeightWillChange(*this, delta);
    }
    // A later notice supersedes an earlier one: its expected height holds for the full time.
    resetTimer_ =
        Scheduler::main().after(kNewContentHeightDuration, [this] { resetNewContentHeight(); });
}

void ZVTableView::setContentOffset(QPointF offset) {
    if (scrollDisabled_) {
        if (std::abs(offset.y() - contentOffset().y()) <= kOffsetTolerance) {
            scrollDisabled_ = false;
            enableTimer_.cancel();
        }
        return;
    }
    TableView::setContentOffset(offset);
}

void ZVTableView::disableScroll() {
    scrollDisabled_ = true;
    enableTimer_ = Scheduler::main().after(kScrollLockDuration, [this] { enableScroll(); });
}

void ZVTableView::enableScroll() {
    scrollDisabled_ = false;
    enableTimer_.cancel();
}

void ZVTableView::setContentInset(const EdgeInsets& /*insets*/) {}

void ZVTableView::doSetContentInset(const EdgeInsets& insets) {
    TableView::setContentInset(insets);
    if (auto* background = dynamic_cast<ZVBackgroundView*>(backgroundView().get())) {
        // The empty-state text sits below the rows.
        background->setContentInset(
            {contentSize().height(), insets.left, insets.bottom, insets.right});
    }
}

void ZVTableView::layoutSubviews() {
    TableView::layoutSubviews();
    if (bottomView_) {
        bottomView_->setFrame(
            QRectF(0, contentHeightForBottom(), bounds().width(), bottomView_->frame().height()));
    }
}

// --- text selection ---

std::shared_ptr<ZVTableViewCell> ZVTableView::selectionCell() const {
    if (!selectionView_) {
        return nullptr;
    }
    for (View* view = selectionView_->superview(); view; view = view->superview()) {
        if (auto* cell = dynamic_cast<ZVTableViewCell*>(view)) {
            return std::static_pointer_cast<ZVTableViewCell>(cell->shared_from_this());
        }
    }
    return nullptr;
}

void ZVTableView::setSelectionCell(const std::shared_ptr<ZVTableViewCell>& cell) {
    if (cell == selectionCell()) {
        return;
    }
    // Keeps the view alive to the end of this call, which may run inside one of its own actions.
    const auto previous = std::move(selectionView_);
    const auto previousDelegate = std::move(selectionViewDelegate_);
    selectionView_.reset();
    selectionViewDelegate_.reset();
    if (previous) {
        previous->removeFromSuperview();
        const auto menu = platform::EditMenu::shared();
        if (menu->isMenuVisible() && menu->targetView() == previous) {
            menu->setMenuVisible(false);
        }
    }
    if (!cell) {
        return;
    }
    AttributedString text;
    if (auto* source = dynamic_cast<ZVSelectionTextSource*>(cell.get())) {
        text = source->getText();
    } else {
        text = cell->textLabel()->attributedText();
    }
    if (text.isEmpty()) {
        return;
    }

    auto delegate = std::make_shared<ZVSelectionDelegate>(
        std::static_pointer_cast<ZVTableView>(shared_from_this()));
    auto view = View::make<ZVTextView>(selectionViewRectForCell(*cell));
    view->setScrollEnabled(false);
    view->setEditable(false);
    view->setBackgroundColor(cell->backgroundColor());
    view->setTextContainerInset({});
    cell->addSubview(view);
    selectionView_ = view;
    selectionViewDelegate_ = delegate;

    adjustRowspacing(text);
    // The copy takes the keyboard focus so that the edit menu's commands reach it.
    view->becomeFirstResponder();
    view->selectAll();
    view->setDelegate(delegate);
    view->setPasteboardDelegate(delegate);

    const auto menu = platform::EditMenu::shared();
    menu->setMenuItems({{kQuoteTitle, ZVTextView::kQuoteAction}});
    menu->setTargetRect(view->bounds(), view);
    menu->setMenuVisible(true, true);
    cell->setNeedsLayout();
}

void ZVTableView::updateSelectionViewWithCell(ZVTableViewCell& cell) {
    if (selectionView_) {
        selectionView_->setFrame(selectionViewRectForCell(cell));
    }
}

QRectF ZVTableView::selectionViewRectForCell(ZVTableViewCell& cell) {
    const QPointF origin = cell.contentView()->frame().topLeft();
    // The text view draws its text inside a line padding: the copy reaches out by as much so that
    // its letters lie over the label's.
    return cell.textLabel()->frame().translated(origin).adjusted(-kSelectionOutset, 0,
                                                                 kSelectionOutset, 0);
}

void ZVTableView::adjustRowspacing(const AttributedString& text) {
    if (!selectionView_) {
        return;
    }
    const QRectF target = selectionView_->frame();
    std::optional<AttributedString> adjusted;
    for (int tries = 0; tries < kMaxFitTries; ++tries) {
        selectionView_->setAttributedText(adjusted ? *adjusted : text);
        selectionView_->sizeToFit();
        if (selectionView_->frame().height() <= target.height()) {
            break;
        }
        if (!adjusted) {
            adjusted = text;
        }
        decreaseRowSpacing(*adjusted);
    }
    selectionView_->setFrame(QRectF(selectionView_->frame().topLeft(), target.size()));
}

void ZVTableView::decreaseRowSpacing(AttributedString& text) {
    const QVariant current = text.attribute(platform::TextAttribute::ParagraphStyle, 0);
    auto style = current.canConvert<platform::ParagraphStyle>()
                     ? current.value<platform::ParagraphStyle>()
                     : platform::ParagraphStyle();
    if (style.lineHeightMultiple > kLowestLineHeightMultiple) {
        style.lineHeightMultiple -= kLineHeightStep;
    } else {
        style.lineHeightMultiple = kRestartLineHeightMultiple;
    }
    text.addAttribute(platform::TextAttribute::ParagraphStyle, QVariant::fromValue(style), 0,
                      text.length());
}
