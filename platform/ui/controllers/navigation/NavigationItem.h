#pragma once

#include "platform/foundation/Observable.h"
#include "platform/ui/controllers/navigation/BarButtonItem.h"

#include <memory>
#include <vector>

namespace platform {

class View;

// What a navigation bar shows while a screen is on top: a title or a view in its place, items on
// the left and right, and the back item the next screen's bar shows to return here. Observable
// under "title", "titleView", "leftBarButtonItems", "rightBarButtonItems", "backBarButtonItem" and
// "hidesBackButton".
class NavigationItem : public Observable {
public:
    using Items = std::vector<std::shared_ptr<BarButtonItem>>;

    const QString& title() const { return title_; }
    void setTitle(const QString& title);
    std::shared_ptr<View> titleView() const { return titleView_; }
    void setTitleView(const std::shared_ptr<View>& view);

    // Left items are laid out from the left edge inwards, right items from the right edge
    // inwards: the first right item is the rightmost.
    const Items& leftBarButtonItems() const { return left_; }
    void setLeftBarButtonItems(Items items, bool animated = false);
    std::shared_ptr<BarButtonItem> leftBarButtonItem() const;
    void setLeftBarButtonItem(const std::shared_ptr<BarButtonItem>& item, bool animated = false);
    const Items& rightBarButtonItems() const { return right_; }
    void setRightBarButtonItems(Items items, bool animated = false);
    std::shared_ptr<BarButtonItem> rightBarButtonItem() const;
    void setRightBarButtonItem(const std::shared_ptr<BarButtonItem>& item, bool animated = false);

    // Shown by the bar of the screen above this one; none means a back button titled with this
    // item's title (or "Back" when that is empty).
    std::shared_ptr<BarButtonItem> backBarButtonItem() const { return back_; }
    void setBackBarButtonItem(const std::shared_ptr<BarButtonItem>& item);
    bool hidesBackButton() const { return hidesBackButton_; }
    void setHidesBackButton(bool hides, bool animated = false);
    // Whether the last change asked to be animated (the bar fades its items then).
    bool lastChangeAnimated() const { return lastChangeAnimated_; }

private:
    QString title_;
    std::shared_ptr<View> titleView_;
    Items left_;
    Items right_;
    std::shared_ptr<BarButtonItem> back_;
    bool hidesBackButton_ = false;
    bool lastChangeAnimated_ = false;
};

}  // namespace platform
