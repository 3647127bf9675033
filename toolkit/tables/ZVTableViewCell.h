#pragma once

#include "platform/foundation/ScopedTimer.h"
#include "platform/ui/controls/EdgeInsets.h"
#include "platform/ui/table/TableViewCell.h"
#include "toolkit/alerts/ZVHighlightableCell.h"

#include <QtGui/QColor>
#include <QtGui/QPainterPath>

#include <memory>

class ZVCellOverlay;
class ZVTableView;

// The base of the application's table cells. In place of the platform's selection look it lays a
// translucent overlay over the content, in a shape the subclass chooses, and fades it in and out;
// it also starts height notices and the text-selection mode of its ZVTableView.
//
// Colours are QColors; an invalid one means none.
class ZVTableViewCell : public platform::TableViewCell, public ZVHighlightableCell {
public:
    static constexpr qreal kHighlightOpacity = 0.16;
    static constexpr double kUnhighlightDuration = 0.3;
    // Below this a duration counts as none: the overlay changes at once.
    static constexpr double kInstantDuration = 0.001;
    static constexpr double kHeightNoticeDelay = 0.1;
    static constexpr platform::EdgeInsets kContentViewInsets{5, 13, 5, 13};

    explicit ZVTableViewCell(Style style = Style::Default, QString reuseIdentifier = {});
    ~ZVTableViewCell() override;

    // --- highlight ---
    const QColor& highlightColor() const { return highlightColor_; }
    void setHighlightColor(const QColor& color) { setHighlightColor(color, 0.0); }
    void setHighlightColor(const QColor& color, double duration) override;
    void setHighlightColor(const QColor& color, qreal opacity, double duration);
    bool keepHighlight() const { return keepHighlight_; }
    void setKeepHighlight(bool keep) override { keepHighlight_ = keep; }
    bool highlightable() const { return highlightable_; }
    void setHighlightable(bool highlightable) { highlightable_ = highlightable; }
    const std::shared_ptr<ZVCellOverlay>& overlay() const { return overlay_; }
    void updateOverlay();
    void clearOverlay();
    void setHighlighted(bool highlighted, bool animated) override;
    using platform::TableViewCell::setHighlighted;

    // --- geometry subclasses change ---
    QRectF contentRect() const override { return bounds(); }
    virtual QPainterPath highlightShape() const;
    virtual platform::EdgeInsets contentViewInsets() const { return kContentViewInsets; }

    // --- the table ---
    // The nearest ZVTableView above the cell, or null.
    ZVTableView* tableView() const;
    // The table re-reads the visible rows' heights a moment later (changes made together count
    // once).
    void notifyCellHeightChangeAnimated(bool animated);
    bool selecting() const override;
    void setSelecting(bool selecting);
    void beginSelection() { setSelecting(true); }
    void updateSelectionView();

    void touchesEnded(const platform::TouchSet& touches,
                      const platform::TouchEvent& event) override;
    // A touch ended on the cell; nothing in the base class.
    virtual void cellTapped() {}

    // A row handed out again must not keep the selectable copy of its earlier text.
    void prepareForReuse() override;
    void layoutSubviews() override;

private:
    std::shared_ptr<ZVTableViewCell> self();
    void fadeOut(const std::shared_ptr<ZVCellOverlay>& overlay, double duration);

    std::shared_ptr<ZVCellOverlay> overlay_;
    QColor highlightColor_;
    bool keepHighlight_ = false;
    bool highlightable_ = true;
    // The colour shown was put there by a touch, so a touch may take it away again; a colour set
    // by other code (a menu's) of the same value is left to that code.
    bool touchHighlight_ = false;
    platform::ScopedTimer heightNotice_;
};
