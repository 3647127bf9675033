#include "toolkit/screens/ZVSwipeGestureRecognizer.h"

#include "platform/foundation/Scheduler.h"
#include "platform/ui/controllers/navigation/NavigationController.h"
#include "platform/ui/view/View.h"
#include "toolkit/menus/ZVSlideInMenu.h"
#include "toolkit/screens/ZVViewController.h"

#include <QtCore/QtMath>

using State = platform::GestureRecognizerState;

bool ZVSwipeGestureRecognizer::touchesMenu(QPointF location,
                                           const platform::TouchEvent& event) const {
    for (const platform::View* v = view() ? view()->hitTest(location, &event) : nullptr;
         v != nullptr; v = v->superview()) {
        if (dynamic_cast<const ZVSlideInMenu*>(v) != nullptr) {
            return true;
        }
    }
    return false;
}

void ZVSwipeGestureRecognizer::touchesBegan(const platform::TouchSet& touches,
                                            const platform::TouchEvent& event) {
    startPos_ = touches.empty() ? QPointF() : touches.front()->locationInView(view());
    // A menu's items belong to the menu's own pan.
    if (touchesMenu(startPos_, event)) {
        setState(State::Cancelled);
        return;
    }
    initialDistance_ = 0;
    distance_ = {};
    swipeSide_ = ZVMenuSide::Right;
    const auto screen = viewController();
    menu_ = screen ? screen->slideInMenu() : nullptr;
    // The pan records where the finger came down only while it is undecided, so it hears of the
    // touch before the state below may change.
    PanGestureRecognizer::touchesBegan(touches, event);
    if (startPos_.x() < kEdgeWidth) {
        setState(State::Failed);
    }
    if (menu_ && menu_->position() > kGrabbedMenuPosition) {
        setState(State::Began);
        if (auto* navigation = screen ? screen->navigationController() : nullptr) {
            navigation->interactivePopGestureRecognizer()->setState(State::Failed);
        }
    }
}

void ZVSwipeGestureRecognizer::touchesMoved(const platform::TouchSet& touches,
                                            const platform::TouchEvent& event) {
    switch (state()) {
        case State::Cancelled:
            return;
        case State::Possible: {
            distance_ = locationInView(view()) - startPos_;
            if (qAbs(distance_.y()) > kVerticalTolerance) {
                setState(State::Failed);
            } else if (qAbs(distance_.x()) >= qAbs(distance_.y())) {
                PanGestureRecognizer::touchesMoved(touches, event);
            }
            return;
        }
        default:
            break;
    }
    const QPointF translation = translationInView(view());
    if (state() == State::Changed && !menu_ && translation.x() > kSwipeDistance) {
        if (const auto t = target()) {
            t->swipeRight();
        }
        setState(State::Ended);
        return;
    }
    handleEdgeSwipe(translation);
    PanGestureRecognizer::touchesMoved(touches, event);
}

void ZVSwipeGestureRecognizer::touchesCancelled(const platform::TouchSet& touches,
                                                const platform::TouchEvent& event) {
    if (state() != State::Possible) {
        setState(State::Cancelled);
    }
    PanGestureRecognizer::touchesCancelled(touches, event);
}

void ZVSwipeGestureRecognizer::handleEdgeSwipe(QPointF translation) {
    const platform::TimeInterval now = platform::Scheduler::main().now();
    if (now - lastSampleTime_ > kEdgeSampleInterval) {
        lastSampleTime_ = now;
        lastSampleTranslation_ = translation;
    }
    if (menu_) {
        menu_->setPosition(initialDistance_ - translation.x());
    }
}

void ZVSwipeGestureRecognizer::hideMenu() {
    if (const auto menu = std::exchange(menu_, nullptr)) {
        menu->disappearWithSpeed(0);
    }
}

void ZVSwipeGestureRecognizer::dropMenu(qreal speed) {
    if (const auto menu = std::exchange(menu_, nullptr)) {
        menu->completeTransitionWithSpeed(speed);
    }
}

void ZVSwipeGestureRecognizer::setState(State state) {
    const State old = this->state();
    PanGestureRecognizer::setState(state);
    const State now = this->state();
    // The base may hold a beginning back (another recognizer must fail first) or refuse it.
    if (now == old) {
        return;
    }
    switch (now) {
        case State::Began:
            if (menu_) {
                initialDistance_ = menu_->position();
            } else if (distance_.x() < 0) {
                const auto t = target();
                menu_ = t ? t->menuForSide(ZVMenuSide::Right) : nullptr;
                if (const auto screen = viewController()) {
                    screen->setSlideInMenu(menu_);
                }
                initialDistance_ = 0;
            }
            break;
        case State::Ended: {
            const qreal velocity = velocityInView(view()).x();
            dropMenu(swipeSide_ == ZVMenuSide::Right ? -velocity : velocity);
            break;
        }
        case State::Cancelled:
        case State::Failed:
            dropMenu(0);
            break;
        default:
            break;
    }
}
