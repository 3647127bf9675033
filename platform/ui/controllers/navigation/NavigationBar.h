#pragma once

#include "platform/ui/controllers/navigation/NavigationItem.h"
#include "platform/ui/view/View.h"

#include <QtGui/QColor>
#include <QtGui/QFont>
#include <QtGui/QImage>

#include <functional>
#include <memory>
#include <vector>

namespace platform {

class Button;

// What every navigation bar made from now on starts with (the application sets it once at
// start-up); each bar may still change its own.
struct NavigationBarAppearance {
    QColor barTintColor{0xF7, 0xF7, 0xF7};
    QColor tintColor{0x00, 0x7A, 0xFF};
    QColor titleColor{Qt::black};
    // A font name for the title; empty means the system font (bold when titleFontBold).
    QString titleFontFamily;
    qreal titleFontSize = 17;
    bool titleFontBold = true;
    // A translucent bar lets screens that extend under the top edge show through it; an opaque
    // one keeps them below it.
    bool translucent = true;
    // The back button's arrow (a template picture); null means the built-in arrow.
    QImage backIndicatorImage;
};

// The bar at the top of a navigation stack: it shows the top navigation item (title or title
// view, left and right items) and, unless the item hides it or has left items, a back button that
// names the item below. Items are followed as they change.
class NavigationBar : public View {
public:
    using Items = std::vector<std::shared_ptr<NavigationItem>>;

    static constexpr qreal kHeight = 44;
    static constexpr qreal kEdgeMargin = 8;
    static constexpr qreal kItemSpacing = 4;
    static const QString kDefaultBackTitle;

    NavigationBar();
    ~NavigationBar() override;

    static NavigationBarAppearance& appearance();

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
    bool isTranslucent() const { return translucent_; }
    void setTranslucent(bool translucent) { translucent_ = translucent; }
    QImage backIndicatorImage() const { return backIndicator_; }
    void setBackIndicatorImage(const QImage& image);

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
    bool translucent_ = true;
    QImage backIndicator_;
    std::shared_ptr<View> titleView_;
    std::shared_ptr<Button> backButton_;
    std::vector<Placed> left_;
    std::vector<Placed> right_;
    QRectF titleRect_;
};

}  // namespace platform
