#include "platform/ui/gesture/LongPressGestureRecognizer.h"

#include <QtCore/QLineF>

namespace platform {

void LongPressGestureRecognizer::touchesBegan(const TouchSet& touches, const TouchEvent& event) {
    GestureRecognizer::touchesBegan(touches, event);
    if (state() != State::Possible || timer_.isValid()) {
        return;
    }
    start_ = touches.front()->windowLocation();
    const std::weak_ptr<GestureRecognizer> weak = weak_from_this();
    timer_ = Scheduler::main().after(minimumPressDuration_, [weak] {
        if (auto self = weak.lock(); self && self->state() == State::Possible) {
            self->setState(State::Began);
        }
    });
}

void LongPressGestureRecognizer::touchesMoved(const TouchSet& touches, const TouchEvent&) {
    if (state() == State::Possible) {
        if (QLineF(start_, touches.front()->windowLocation()).length() > allowableMovement_) {
            timer_.cancel();
            setState(State::Failed);
        }
    } else if (state() == State::Began || state() == State::Changed) {
        setState(State::Changed);
    }
}

void LongPressGestureRecognizer::touchesEnded(const TouchSet& touches, const TouchEvent& event) {
    GestureRecognizer::touchesEnded(touches, event);
    timer_.cancel();
    if (state() == State::Possible) {
        setState(State::Failed);
    } else if (state() == State::Began || state() == State::Changed) {
        setState(State::Ended);
    }
}

void LongPressGestureRecognizer::touchesCancelled(const TouchSet& touches,
                                                  const TouchEvent& event) {
    timer_.cancel();
    GestureRecognizer::touchesCancelled(touches, event);
}

void LongPressGestureRecognizer::reset() {
    timer_.cancel();
}

}  // namespace platform
