#pragma once

#include "platform/ui/view/View.h"

#include <QtCore/QList>
#include <QtCore/QRectF>
#include <QtCore/QString>

#include <memory>

namespace platform {

// One command of the edit menu: its title and the action it sends along the responder chain
// ("quote:").
struct EditMenuItem {
    QString title;
    QString action;

    bool operator==(const EditMenuItem&) const = default;
};

// The edit menu: a bar of commands shown at a rectangle of a view. It offers the standard edit
// commands and the application's own items, each only when some responder on the chain from the
// window's first responder (or from the target view when there is none) can perform its action,
// and sends a chosen item's action to that responder.
//
// EditMenu::shared() draws its bar in the window; tests install a FakeEditMenu. Main thread only.
class EditMenu {
public:
    // Posted, with the menu as sender, every time a shown menu hides.
    static const QString kDidHideNotification;

    // Cut, Copy, Paste, Select, Select All, in the order they are offered.
    static const QList<EditMenuItem>& standardItems();

    EditMenu() = default;
    virtual ~EditMenu() = default;
    EditMenu(const EditMenu&) = delete;
    EditMenu& operator=(const EditMenu&) = delete;

    static std::shared_ptr<EditMenu> shared();
    // Null goes back to the one that draws.
    static void setShared(std::shared_ptr<EditMenu> menu);

    // The application's own items, offered after the standard ones.
    const QList<EditMenuItem>& menuItems() const { return menuItems_; }
    void setMenuItems(const QList<EditMenuItem>& items) { menuItems_ = items; }

    // The rectangle, in `view`'s coordinates, that the menu points at.
    void setTargetRect(const QRectF& rect, const std::shared_ptr<View>& view);
    QRectF targetRect() const { return targetRect_; }
    std::shared_ptr<View> targetView() const { return targetView_.lock(); }

    bool isMenuVisible() const { return visible_; }
    // Showing needs a target view in a window and at least one item some responder performs;
    // without them the menu stays hidden. Showing a shown menu shows it again at the current
    // rectangle with the current items.
    void setMenuVisible(bool visible, bool animated = false);
    // The items being shown, in order; empty while hidden.
    const QList<EditMenuItem>& shownItems() const { return shownItems_; }
    // Chooses a shown item: the menu hides, then its action goes to the responder that performs
    // it. False when there is no such item or nobody performs it any more.
    bool chooseItem(int index);

protected:
    // Draw or record the bar, in the target view's window.
    virtual void showBar(const QList<EditMenuItem>& items, View& view, const QRectF& rect,
                         bool animated) = 0;
    virtual void hideBar(bool animated) = 0;

private:
    // Where actions start along the responder chain.
    Responder* chainStart() const;
    void hide(bool animated);

    QList<EditMenuItem> menuItems_;
    QList<EditMenuItem> shownItems_;
    QRectF targetRect_;
    std::weak_ptr<View> targetView_;
    bool visible_ = false;
};

}  // namespace platform
