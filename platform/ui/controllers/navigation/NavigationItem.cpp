#include "platform/ui/controllers/navigation/NavigationItem.h"

#include "platform/ui/view/View.h"

namespace platform {

void NavigationItem::setTitle(const QString& title) {
    if (title != title_ || title.isNull() != title_.isNull()) {
        lastChangeAnimated_ = false;
        changeValueForKey(QStringLiteral("title"), [&] { title_ = title; });
    }
}

void NavigationItem::setTitleView(const std::shared_ptr<View>& view) {
    if (view != titleView_) {
        lastChangeAnimated_ = false;
        changeValueForKey(QStringLiteral("titleView"), [&] { titleView_ = view; });
    }
}

void NavigationItem::setLeftBarButtonItems(Items items, bool animated) {
    lastChangeAnimated_ = animated;
    changeValueForKey(QStringLiteral("leftBarButtonItems"), [&] { left_ = std::move(items); });
}

std::shared_ptr<BarButtonItem> NavigationItem::leftBarButtonItem() const {
    return left_.empty() ? nullptr : left_.front();
}

void NavigationItem::setLeftBarButtonItem(const std::shared_ptr<BarButtonItem>& item,
                                          bool animated) {
    setLeftBarButtonItems(item ? Items{item} : Items{}, animated);
}

void NavigationItem::setRightBarButtonItems(Items items, bool animated) {
    lastChangeAnimated_ = animated;
    changeValueForKey(QStringLiteral("rightBarButtonItems"), [&] { right_ = std::move(items); });
}

std::shared_ptr<BarButtonItem> NavigationItem::rightBarButtonItem() const {
    return right_.empty() ? nullptr : right_.front();
}

void NavigationItem::setRightBarButtonItem(const std::shared_ptr<BarButtonItem>& item,
                                           bool animated) {
    setRightBarButtonItems(item ? Items{item} : Items{}, animated);
}

void NavigationItem::setBackBarButtonItem(const std::shared_ptr<BarButtonItem>& item) {
    if (item != back_) {
        lastChangeAnimated_ = false;
        changeValueForKey(QStringLiteral("backBarButtonItem"), [&] { back_ = item; });
    }
}

void NavigationItem::setHidesBackButton(bool hides, bool animated) {
    if (hides != hidesBackButton_) {
        lastChangeAnimated_ = animated;
        changeValueForKey(QStringLiteral("hidesBackButton"), [&] { hidesBackButton_ = hides; });
    }
}

}  // namespace platform
