#pragma once

#include "platform/ui/view/Control.h"

#include <QtGui/QFont>
#include <QtGui/QImage>

namespace platform {

class BarButtonItem;

// A button of a navigation bar: an item's title or picture in the bar's tint, or the back button
// (a chevron and a title). Tapping it triggers the item, or runs the back action.
class BarItemView : public Control {
public:
    static constexpr qreal kPadding = 6;
    static constexpr qreal kChevronWidth = 12;
    static constexpr qreal kHighlightedAlpha = 0.3;
    static constexpr qreal kDisabledAlpha = 0.35;

    // Shows `item` (a titled or pictured button).
    explicit BarItemView(std::shared_ptr<BarButtonItem> item);
    // A back button titled `title`; `onTap` runs when it is tapped.
    BarItemView(const QString& title, std::function<void()> onTap);
    ~BarItemView() override;

    std::shared_ptr<BarButtonItem> item() const { return item_; }
    bool isBackButton() const { return back_; }
    QString title() const;
    void setTint(const QColor& tint);
    QSizeF sizeThatFits(QSizeF size) const override;
    void drawRect(QPainter& painter, const QRectF& rect) override;
    void setHighlighted(bool highlighted) override;
    void setEnabled(bool enabled) override;

    static QFont font(bool bold);

private:
    void tapped();

    std::shared_ptr<BarButtonItem> item_;
    QString backTitle_;
    bool back_ = false;
    std::function<void()> onTap_;
    QColor tint_;
};

}  // namespace platform
