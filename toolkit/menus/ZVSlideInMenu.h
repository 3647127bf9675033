#pragma once

#include "platform/foundation/Scheduler.h"
#include "platform/ui/gesture/PanGestureRecognizer.h"
#include "toolkit/menus/ZVVerticalMenu.h"
#include "toolkit/screens/ZVSwipeGestureRecognizerDelegate.h"

#include <memory>

class ZVViewController;

// A vertical menu that slides in from the left or right edge over the navigation views and pushes
// the main content aside by the same distance. A screen shows it; the screen's swipe recognizer or
// the menu's own pan drags it; on release it settles open or closed by position and speed.
class ZVSlideInMenu : public ZVVerticalMenu {
public:
    static constexpr qreal kWidth = 200;
    static constexpr qreal kInitialHeight = 100;
    static constexpr qreal kItemHeight = 45;
    static constexpr int kColorScheme = 3;
    static constexpr platform::TimeInterval kDuration = 0.3;
    // Slower releases than this (points a second) settle in the full duration.
    static constexpr qreal kSlowSpeed = 50;
    // A release settles in the time the finger's speed would take over this many times the way
    // left to go.
    static constexpr qreal kSpeedDurationFactor = 3;
    // How far the finger must move sideways before a pan over the items drags the menu.
    static constexpr qreal kHorizontalDragDistance = 10;

    explicit ZVSlideInMenu(ZVMenuSide side);
    ~ZVSlideInMenu() override;

    ZVMenuSide side() const { return side_; }
    const std::shared_ptr<platform::PanGestureRecognizer>& panGestureRecognizer() const {
        return panGestureRecognizer_;
    }
    std::shared_ptr<ZVViewController> viewController() const { return viewController_.lock(); }
    void setViewController(const std::weak_ptr<ZVViewController>& viewController) {
        viewController_ = viewController;
    }
    bool isDisappearing() const { return disappearing_; }

    // How far the menu is open: 0 hidden, its width fully open.
    qreal position() const;
    void setPosition(qreal position);

    // Closes the keyboard; subclasses add their own preparation.
    virtual void menuWillShow();
    // Told after the menu has left the screen.
    virtual void menuDidHide() {}

    // Cancels a hide under way (without moving).
    void appear();
    // Speeds are in points a second along the opening direction.
    void appearWithSpeed(qreal speed);
    void disappearWithSpeed(qreal speed);
    // Opens or closes, by where the menu is and where the finger was heading.
    void completeTransitionWithSpeed(qreal speed);
    platform::TimeInterval durationForSpeed(qreal speed) const;
    // Leaves while the content slides back in from the right (a menu choice that navigates).
    void disappearLeft();
    void handleGesture(platform::PanGestureRecognizer& recognizer);

    void layoutSubviews() override;

private:
    // +1 when a rightward move opens the menu, -1 when a leftward one does.
    qreal openingSign() const { return side_ == ZVMenuSide::Right ? -1 : 1; }
    // The frame the menu's height and edge follow: the left navigation view's, else the
    // superview's bounds.
    QRectF referenceFrame() const;
    // The top view of the main content: the right navigation's view or its ancestor just below
    // the window.
    std::shared_ptr<platform::View> contentView() const;
    // The screen lets the menu go; the menu leaves the window.
    void finishHiding();
    std::weak_ptr<ZVSlideInMenu> weakSelf();

    bool disappearing_ = false;
    ZVMenuSide side_;
    std::shared_ptr<platform::PanGestureRecognizer> panGestureRecognizer_;
    qreal initialPos_ = 0;
    std::weak_ptr<ZVViewController> viewController_;
    qreal height_ = 0;
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};
