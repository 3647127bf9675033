#pragma once

#include "platform/foundation/Observable.h"
#include "platform/ui/controls/EdgeInsets.h"
#include "toolkit/tables/ZVTableViewCell.h"

// A row of a dialog form: it knows its own height (observable as "height") and whether it opens
// or closes a visual group, whose outer lines it draws, and an inner line under itself when it
// indents.
class ZVDialogCell : public ZVTableViewCell, public platform::Observable {
public:
    static inline const QString kHeightKey = QStringLiteral("height");
    static constexpr qreal kDefaultHeight = 40;
    static constexpr platform::EdgeInsets kBackgroundInsets{0, 13, 0, 13};
    // The inner line lies on the row's last half point.
    static constexpr qreal kInnerLineOffset = 0.5;
    // The lines' thickness: the content stays clear of them.
    static constexpr qreal kLineThickness = 1;

    // A form's own row, made once.
    ZVDialogCell();
    // A row made for a table's reuse: white behind its content.
    ZVDialogCell(Style style, QString reuseIdentifier);
    ~ZVDialogCell() override;

    qreal height() const { return height_; }
    // Announced only when the value changes.
    void setHeight(qreal height);
    bool beginsGroup() const { return beginsGroup_; }
    void setBeginsGroup(bool begins);
    bool endsGroup() const { return endsGroup_; }
    void setEndsGroup(bool ends);
    bool indents() const { return indents_; }
    void setIndents(bool indents);
    virtual platform::EdgeInsets backgroundInsets() const { return kBackgroundInsets; }

    // The content view's bounds with the content insets applied.
    QRectF contentBounds() const;

    // The content leaves the group's and the inner lines uncovered.
    void layoutSubviews() override;
    void drawRect(QPainter& painter, const QRectF& rect) override;

private:
    qreal height_ = kDefaultHeight;
    bool beginsGroup_ = false;
    bool endsGroup_ = false;
    bool indents_ = true;
};
