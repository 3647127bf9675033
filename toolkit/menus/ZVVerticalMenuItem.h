#pragma once

#include "platform/foundation/TextAttributes.h"
#include "platform/ui/view/View.h"

#include <QtCore/QString>

#include <memory>
#include <vector>

namespace platform {
class ImageView;
class Label;
}  // namespace platform

// One row of a vertical menu: an icon and a title on the colours of one of three fixed schemes.
class ZVVerticalMenuItem : public platform::View {
public:
    // Indices into a scheme's colour list.
    enum ColorIndex : int {
        kBackground = 0,
        kSelectedBackground = 1,
        kTitle = 2,
        kSelectedTitle = 3,
        kSeparator = 4,
    };
    static constexpr int kDefaultScheme = 2;
    static constexpr int kTitleStyle = 0;
    static constexpr int kBoldTitleStyle = 27;
    static constexpr qreal kContentInsetX = 20;
    static constexpr qreal kContentInsetY = 5;
    static constexpr qreal kCalloutSize = 6;
    static constexpr qreal kSeparatorWidth = 1;
    // Below this a callout position means "no notch".
    static constexpr qreal kNoCallout = 0.1;

    using Colors = std::vector<platform::Color>;

    ZVVerticalMenuItem();
    ~ZVVerticalMenuItem() override;

    // The colours of scheme 1, 2 or 3, built once; an empty list for any other number.
    static const Colors& colors(int scheme);

    int color() const { return color_; }
    void setColor(int scheme);
    const Colors& colors() const { return colors_; }

    bool isSelected() const { return selected_; }
    void setSelected(bool selected);
    bool isExpanded() const { return expanded_; }
    void setExpanded(bool expanded) { expanded_ = expanded; }
    bool isLast() const { return isLast_; }
    void setIsLast(bool isLast) { isLast_ = isLast; }
    qreal expandedHeight() const { return expandedHeight_; }
    void setExpandedHeight(qreal height) { expandedHeight_ = height; }
    qreal normalHeight() const { return normalHeight_; }
    void setNormalHeight(qreal height) { normalHeight_ = height; }

    // The label's text; null while there is no label.
    QString title() const;
    // A null or empty title removes the label.
    void setTitle(const QString& title);
    bool titleIsBold() const { return titleIsBold_; }
    void setTitleIsBold(bool bold);
    const std::shared_ptr<platform::Label>& titleLabel() const { return titleLabel_; }

    const QString& iconId() const { return iconId_; }
    // Shows the image "icon-<id>"; a null or empty id removes the icon.
    void setIconId(const QString& iconId);
    const std::shared_ptr<platform::ImageView>& icon() const { return icon_; }

    // Also gives the title the new background, so that its text is drawn on the same colour.
    void setBackgroundColor(const QColor& color);

    // A line across the item at `y` in the scheme's colour `colorIndex`, with a notch pointing up
    // at `calloutX` when that is past kNoCallout.
    void drawSeparatorAtPos(QPainter& painter, qreal y, qreal calloutX, int colorIndex) const;
    // The same in the separator colour, one point higher.
    void drawSeparatorAtPos(QPainter& painter, qreal y, qreal calloutX) const;
    void drawSeparator(QPainter& painter) const;

    void drawRect(QPainter& painter, const QRectF& rect) override;
    void layoutSubviews() override;

private:
    // The scheme's colour at `index`, invalid when the scheme has none.
    QColor schemeColor(int index) const;
    // Background and plain title in the scheme's colours for the selection state.
    void applySelectionColors();
    void styleTitle();
    void updateIcon();

    bool selected_ = false;
    bool expanded_ = false;
    bool isLast_ = false;
    bool titleIsBold_ = false;
    qreal expandedHeight_ = 0;
    qreal normalHeight_ = 0;
    int color_ = 0;
    Colors colors_;
    QString iconId_;
    std::shared_ptr<platform::Label> titleLabel_;
    std::shared_ptr<platform::ImageView> icon_;
};
