#pragma once

#include <memory>

class ZVSlideInMenu;

// The sides of side menus and swipes; the numbers are shared by the screens and the menus.
enum class ZVMenuSide { Left = 1, Right = 2 };

// Who handles a screen's swipes and supplies its side menus: the screen itself when it has menus,
// else a ZVDefaultSwipeTarget.
class ZVSwipeGestureRecognizerDelegate {
public:
    virtual ~ZVSwipeGestureRecognizerDelegate() = default;
    virtual void swipeLeft() = 0;
    virtual void swipeRight() = 0;
    // The menu shown on `side`, or none.
    virtual std::shared_ptr<ZVSlideInMenu> menuForSide(ZVMenuSide side) = 0;
};
