#pragma once

#include "platform/foundation/Observable.h"

#include <QtGui/QColor>
#include <QtGui/QImage>

#include <functional>
#include <memory>

namespace platform {

class View;

// One item of a navigation bar: a titled or pictured button, a fixed or flexible space, or a view
// of the caller's own. The bar that shows it draws it and sends its action when it is tapped.
// Observable under "title", "image", "enabled", "width" and "customView" so the bar can follow.
class BarButtonItem : public Observable, public std::enable_shared_from_this<BarButtonItem> {
public:
    // The numbers are the platform's.
    enum class Style { Plain = 0, Bordered = 1, Done = 2 };
    enum class SystemItem {
        Done = 0,
        Cancel = 1,
        Edit = 2,
        Save = 3,
        Add = 4,
        FlexibleSpace = 5,
        FixedSpace = 6
    };
    enum class Kind { Button, FixedSpace, FlexibleSpace, CustomView };
    using Action = std::function<void(BarButtonItem&)>;

    static std::shared_ptr<BarButtonItem> withTitle(const QString& title, Style style,
                                                    Action action);
    static std::shared_ptr<BarButtonItem> withImage(const QImage& image, Style style,
                                                    Action action);
    // Done, Cancel, Edit, Save and Add are titled buttons; the spaces take no action.
    static std::shared_ptr<BarButtonItem> system(SystemItem item, Action action = {});
    static std::shared_ptr<BarButtonItem> fixedSpace(qreal width);
    static std::shared_ptr<BarButtonItem> withCustomView(const std::shared_ptr<View>& view);

    Kind kind() const { return kind_; }
    Style style() const { return style_; }
    void setStyle(Style style) { style_ = style; }
    const QString& title() const { return title_; }
    void setTitle(const QString& title);
    const QImage& image() const { return image_; }
    void setImage(const QImage& image);
    // A fixed space's width (may be negative, pulling its neighbour outwards); 0 elsewhere means
    // "as wide as the content".
    qreal width() const { return width_; }
    void setWidth(qreal width);
    std::shared_ptr<View> customView() const { return customView_; }
    void setCustomView(const std::shared_ptr<View>& view);
    bool isEnabled() const { return enabled_; }
    void setEnabled(bool enabled);
    QColor tintColor() const { return tintColor_; }
    void setTintColor(const QColor& color) { tintColor_ = color; }
    const QString& accessibilityLabel() const { return accessibilityLabel_; }
    void setAccessibilityLabel(const QString& label) { accessibilityLabel_ = label; }
    int tag() const { return tag_; }
    void setTag(int tag) { tag_ = tag; }

    // The view a bar shows the item with, while it shows it (popovers point at it).
    std::shared_ptr<View> shownView() const { return shownView_.lock(); }
    void setShownView(const std::shared_ptr<View>& view) { shownView_ = view; }

    const Action& action() const { return action_; }
    void setAction(Action action) { action_ = std::move(action); }
    // What a tap on the item does: the action, while enabled.
    void trigger();

private:
    Kind kind_ = Kind::Button;
    Style style_ = Style::Plain;
    QString title_;
    QImage image_;
    qreal width_ = 0;
    std::shared_ptr<View> customView_;
    bool enabled_ = true;
    QColor tintColor_;
    QString accessibilityLabel_;
    int tag_ = 0;
    Action action_;
    std::weak_ptr<View> shownView_;
};

}  // namespace platform
