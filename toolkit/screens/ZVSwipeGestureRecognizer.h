#pragma once

#include "platform/ui/gesture/PanGestureRecognizer.h"
#include "toolkit/screens/ZVSwipeGestureRecognizerDelegate.h"

#include <memory>

class ZVViewController;

// The pan every screen carries: a swipe to the right goes back (its target's swipeRight), a drag
// to the left pulls in the right-hand side menu and moves it with the finger, and a drag over an
// open menu moves that menu; on release the menu settles open or closed by its own rule. Touches
// near the left edge are left to the navigation stack's interactive pop.
class ZVSwipeGestureRecognizer : public platform::PanGestureRecognizer {
public:
    // A touch starting this close to the left edge belongs to the interactive pop.
    static constexpr qreal kEdgeWidth = 20;
    // Vertical movement past this, before the pan has begun, is a scroll.
    static constexpr qreal kVerticalTolerance = 10;
    // A rightward drag past this, with no menu in hand, is a swipe back.
    static constexpr qreal kSwipeDistance = 30;
    // A menu open wider than this is grabbed wherever the finger lands.
    static constexpr qreal kGrabbedMenuPosition = 40;
    static constexpr platform::TimeInterval kEdgeSampleInterval = 0.1;

    ZVSwipeGestureRecognizer() = default;

    // Held weakly: the screen owns its target.
    std::shared_ptr<ZVSwipeGestureRecognizerDelegate> target() const { return target_.lock(); }
    void setTarget(const std::weak_ptr<ZVSwipeGestureRecognizerDelegate>& target) {
        target_ = target;
    }
    std::shared_ptr<ZVViewController> viewController() const { return viewController_.lock(); }
    void setViewController(const std::weak_ptr<ZVViewController>& viewController) {
        viewController_ = viewController;
    }
    // The menu being dragged, if any.
    std::shared_ptr<ZVSlideInMenu> menu() const { return menu_; }

    // Hides the menu being dragged, if any.
    void hideMenu();
    // Moves the menu being dragged with the finger.
    void handleEdgeSwipe(QPointF translation);

    void setState(State state) override;
    void touchesBegan(const platform::TouchSet& touches,
                      const platform::TouchEvent& event) override;
    void touchesMoved(const platform::TouchSet& touches,
                      const platform::TouchEvent& event) override;
    void touchesCancelled(const platform::TouchSet& touches,
                          const platform::TouchEvent& event) override;

private:
    bool touchesMenu(QPointF location, const platform::TouchEvent& event) const;
    void dropMenu(qreal speed);

    ZVMenuSide swipeSide_ = ZVMenuSide::Right;
    QPointF startPos_;
    qreal initialDistance_ = 0;
    QPointF distance_;
    std::weak_ptr<ZVSwipeGestureRecognizerDelegate> target_;
    std::shared_ptr<ZVSlideInMenu> menu_;
    std::weak_ptr<ZVViewController> viewController_;
    platform::TimeInterval lastSampleTime_ = 0;
    QPointF lastSampleTranslation_;
};
