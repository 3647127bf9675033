#pragma once

#include "platform/foundation/AttributedString.h"
#include "platform/foundation/ScopedTimer.h"
#include "platform/ui/table/TableView.h"

#include <memory>

class ZVSelectionDelegate;
class ZVTableViewCell;
class ZVTextView;

// The table of the message and dialog lists. Beside the platform table it keeps a view right
// under the last row; knows where "the bottom" is while row heights are changing and not yet laid
// out, so that a list can stay anchored to its newest message; swallows offset corrections for a
// moment after a height change; ignores inset changes made by anyone but its owner; and lets one
// cell's text be selected in a read-only copy laid over it, with a "Quote" command.
class ZVTableView : public platform::TableView {
public:
    // Row height differences up to this are rounding, not change.
    static constexpr qreal kHeightChangeThreshold = 0.9;
    static constexpr double kNewContentHeightDuration = 0.4;
    static constexpr double kScrollLockDuration = 0.3;
    // An offset request this close to the current one ends the scroll lock.
    static constexpr qreal kOffsetTolerance = 0.5;
    static constexpr qreal kBottomSlack = 20;
    // Fitting the selectable copy into the cell's text area.
    static constexpr int kMaxFitTries = 50;
    static constexpr double kLineHeightStep = 0.01;
    static constexpr double kLowestLineHeightMultiple = 0.1;
    static constexpr double kRestartLineHeightMultiple = 0.99;
    // How far the selectable copy reaches beyond the text label, left and right.
    static constexpr qreal kSelectionOutset = 5;
    static inline const QString kQuoteTitle = QStringLiteral("Quote");

    explicit ZVTableView(const QRectF& frame = {}, Style style = Style::Plain);
    ~ZVTableView() override;

    const std::shared_ptr<platform::View>& bottomView() const { return bottomView_; }
    void setBottomView(const std::shared_ptr<platform::View>& view);

    // The offset that shows the end of the content, counting row-height changes not laid out yet.
    qreal bottomScrollPos() const;
    bool isScrolledToBottom() const;
    void scrollToBottomAnimated(bool animated);
    qreal newContentHeight() const { return newContentHeight_; }
    void notifyCellHeightChange(bool animated);
    void resetNewContentHeight() { newContentHeight_ = 0; }

    using platform::TableView::setContentOffset;
    // Dropped while the scroll lock holds; a request at the current offset ends the lock.
    void setContentOffset(QPointF offset) override;
    bool isScrollDisabled() const { return scrollDisabled_; }
    // Locks for kScrollLockDuration.
    void disableScroll();
    void enableScroll();

    // Ignored: the platform's own inset adjustments must not move the rows.
    void setContentInset(const platform::EdgeInsets& insets) override;
    // The real setter; an empty-state background below the rows gets the same insets.
    void doSetContentInset(const platform::EdgeInsets& insets);

    void layoutSubviews() override;

    // --- text selection ---
    const std::shared_ptr<ZVTextView>& selectionView() const { return selectionView_; }
    std::shared_ptr<ZVTableViewCell> selectionCell() const;
    // Null ends the selection mode.
    void setSelectionCell(const std::shared_ptr<ZVTableViewCell>& cell);
    void updateSelectionViewWithCell(ZVTableViewCell& cell);
    QRectF selectionViewRectForCell(ZVTableViewCell& cell);
    void adjustRowspacing(const platform::AttributedString& text);
    static void decreaseRowSpacing(platform::AttributedString& text);

private:
    qreal contentHeightForBottom() const;

    std::shared_ptr<platform::View> bottomView_;
    bool scrollDisabled_ = false;
    std::shared_ptr<ZVTextView> selectionView_;
    qreal newContentHeight_ = 0;
    std::shared_ptr<ZVSelectionDelegate> selectionViewDelegate_;
    platform::ScopedTimer resetTimer_;
    platform::ScopedTimer enableTimer_;
};
