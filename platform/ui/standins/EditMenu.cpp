#include "platform/ui/standins/EditMenu.h"

#include "platform/foundation/NotificationCenter.h"
#include "platform/foundation/SharedSlot.h"
#include "platform/ui/standins/OverlayEditMenu.h"
#include "platform/ui/view/EditAction.h"
#include "platform/ui/view/Window.h"

namespace platform {

const QString EditMenu::kDidHideNotification = QStringLiteral("EditMenuDidHideNotification");

const QList<EditMenuItem>& EditMenu::standardItems() {
    static const QList<EditMenuItem> items = {
        {QStringLiteral("Cut"), EditAction::Cut},
        {QStringLiteral("Copy"), EditAction::Copy},
        {QStringLiteral("Paste"), EditAction::Paste},
        {QStringLiteral("Select"), EditAction::Select},
        {QStringLiteral("Select All"), EditAction::SelectAll},
    };
    return items;
}

std::shared_ptr<EditMenu> EditMenu::shared() {
    return sharedService<EditMenu>([] { return std::make_shared<OverlayEditMenu>(); });
}

void EditMenu::setShared(std::shared_ptr<EditMenu> menu) {
    sharedSlot<std::shared_ptr<EditMenu>>() = std::move(menu);
}

void EditMenu::setTargetRect(const QRectF& rect, const std::shared_ptr<View>& view) {
    targetRect_ = rect;
    targetView_ = view;
}

Responder* EditMenu::chainStart() const {
    const auto view = targetView_.lock();
    if (!view || view->window() == nullptr) {
        return nullptr;
    }
    Responder* first = view->window()->firstResponder();
    return first != nullptr ? first : view.get();
}

void EditMenu::setMenuVisible(bool visible, bool animated) {
    if (!visible) {
        hide(animated);
        return;
    }
    Responder* start = chainStart();
    QList<EditMenuItem> items;
    if (start != nullptr) {
        for (const EditMenuItem& item : standardItems() + menuItems_) {
            if (start->targetForAction(item.action) != nullptr) {
                items.append(item);
            }
        }
    }
    if (items.isEmpty()) {
        hide(animated);
        return;
    }
    shownItems_ = items;
    visible_ = true;
    showBar(shownItems_, *targetView_.lock(), targetRect_, animated);
}

void EditMenu::hide(bool animated) {
    if (!visible_) {
        return;
    }
    visible_ = false;
    shownItems_.clear();
    hideBar(animated);
    NotificationCenter::defaultCenter().postNotificationName(kDidHideNotification, this);
}

bool EditMenu::chooseItem(int index) {
    if (!visible_ || index < 0 || index >= shownItems_.size()) {
        return false;
    }
    const QString action = shownItems_.at(index).action;
    hide(false);
    // The chain is asked after the menu is gone: a did-hide observer may have changed it.
    Responder* start = chainStart();
    Responder* target = start != nullptr ? start->targetForAction(action) : nullptr;
    return target != nullptr && target->performAction(action);
}

}  // namespace platform
