#pragma once

#include "platform/ui/controllers/NavigationItem.h"
#include "platform/ui/view/View.h"

#include <QtGui/QFont>

#include <functional>
#include <memory>
#include <vector>

namespace platform {

class Button;

// The bar at the top of a navigation stack: it shows the top navigation item (title or title
// view, left and right items) and, unless the item hides it or has left items, a back button that
// names the item below. Items are followed as they change.
class NavigationBar : public View {
public:
    using Items = std::vector<std::shared_ptr<NavigationItem>>;

    static constexpr qreal kHeight = 44;
    static constexpr qreal kEdgeMargin = 8;
    static constexpr qreal kItemSpacing = 4;
    static constexpr qreal kTitleFontSize = 17;
    static const QString kDefaultBackTitle;

    NavigationBar();
    ~NavigationBar() override;

    const Items& items() const { return items_; }
    void setItems(Items items, bool animated = false);
    void pushNavigationItem(const std::shared_ptr<NavigationItem>& item, bool animated = false);
    // Drops the top item (not the last one) and answers it.
    std::shared_ptr<NavigationItem> popNavigationItem(bool animated = false);
    std::shared_ptr<NavigationItem> topItem() const;
    std::shared_ptr<NavigationItem> backItem() const;

    // A tap on the back button; without a handler the bar pops its own top item.
    void setBackAction(std::function<void()> action) { backAction_ = std::move(action); }

    QColor barTintColor() const { return backgroundColor(); }
    void setBarTintColor(const QColor& color);
    QColor tintColor() const { return tint_; }
    void setTintColor(const QColor& color);
    QColor titleColor() const { return titleColor_; }
    void setTitleColor(const QColor& color);
    QFont titleFont() const { return titleFont_; }
    void setTitleFont(const QFont& font);

    // What the bar shows now, for its owner and for tests.
    std::shared_ptr<View> titleView() const { return titleView_; }
    QString shownTitle() const;
    std::shared_ptr<Button> backButton() const { return backButton_; }
    // Frames (in the bar) of the left and right items in order; custom views and spaces count.
    std::vector<std::pair<std::shared_ptr<BarButtonItem>, QRectF>> itemFrames() const;

    QSizeF sizeThatFits(QSizeF size) const override;
    void layoutSubviews() override;
    void drawRect(QPainter& painter, const QRectF& rect) override;

private:
    struct Placed {
        std::shared_ptr<BarButtonItem> item;
        std::shared_ptr<View> view;
        QRectF frame;
    };
    void rebuild();
    void observeTopItem();
    std::shared_ptr<View> viewFor(const std::shared_ptr<BarButtonItem>& item);
    void clearShown();

    Items items_;
    std::vector<Observation> itemObservations_;
    std::vector<Observation> buttonObservations_;
    std::function<void()> backAction_;
    QColor tint_;
    QColor titleColor_;
    QFont titleFont_;
    std::shared_ptr<View> titleView_;
    std::shared_ptr<Button> backButton_;
    std::vector<Placed> left_;
    std::vector<Placed> right_;
    QRectF titleRect_;
};

}  // namespace platform
