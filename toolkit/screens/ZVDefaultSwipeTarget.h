#pragma once

#include "toolkit/screens/ZVSwipeGestureRecognizerDelegate.h"

class ZVViewController;

// The swipe target of a screen without side menus: a right swipe goes back one screen.
class ZVDefaultSwipeTarget : public ZVSwipeGestureRecognizerDelegate {
public:
    explicit ZVDefaultSwipeTarget(const std::weak_ptr<ZVViewController>& viewController);

    void swipeLeft() override {}
    void swipeRight() override;
    std::shared_ptr<ZVSlideInMenu> menuForSide(ZVMenuSide) override { return nullptr; }

private:
    std::weak_ptr<ZVViewController> vc_;
};
