#include "platform/ui/gesture/TapGestureRecognizer.h"

#include <QtCore/QLineF>

namespace platform {

void TapGestureRecognizer::touchesBegan(const TouchSet& touches, const TouchEvent& event) {
    GestureRecognizer::touchesBegan(touches, event);
    waitForNextTap_.cancel();
    if (taps_ == 0) {
        start_ = touches.front()->windowLocation();
    }
}

void TapGestureRecognizer::touchesMoved(const TouchSet& touches, const TouchEvent&) {
    if (QLineF(start_, touches.front()->windowLocation()).length() > kAllowableMovement) {
        setState(State::Failed);
    }
}

void TapGestureRecognizer::touchesEnded(const TouchSet& touches, const TouchEvent& event) {
    GestureRecognizer::touchesEnded(touches, event);
    if (state() != State::Possible) {
        return;
    }
    if (++taps_ >= tapsRequired_) {
        setState(State::Ended);
        return;
    }
    // No further tap in time: the gesture fails.
    const std::weak_ptr<GestureRecognizer> weak = weak_from_this();
    waitForNextTap_ = Scheduler::main().after(kTapInterval, [weak] {
        if (auto self = weak.lock(); self && self->state() == State::Possible) {
            self->setState(State::Failed);
        }
    });
}

void TapGestureRecognizer::reset() {
    taps_ = 0;
    waitForNextTap_.cancel();
}

}  // namespace platform
