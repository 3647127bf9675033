#include "platform/ui/gesture/GestureRecognizer.h"

#include "platform/ui/gesture/GestureArena.h"
#include "platform/ui/view/View.h"
#include "platform/ui/view/Window.h"

#include <algorithm>

namespace platform {

namespace {

GestureArena* arenaOf(const View* view) {
    Window* window = view != nullptr ? view->window() : nullptr;
    return window != nullptr ? &window->gestureArena() : nullptr;
}

}  // namespace

GestureRecognizer::GestureRecognizer(Action action) {
    addTarget(std::move(action));
}

bool GestureRecognizer::isFinal(State state) {
    return state == State::Ended || state == State::Cancelled || state == State::Failed;
}

bool GestureRecognizer::isRecognizing(State state) {
    return state == State::Began || state == State::Changed || state == State::Ended;
}

bool GestureRecognizer::mayBegin() {
    if (const auto d = delegate(); d && !d->gestureRecognizerShouldBegin(*this)) {
        return false;
    }
    if (view_ != nullptr && !view_->gestureRecognizerShouldBegin(*this)) {
        return false;
    }
    // The views under the fingers have a say too: a control keeps its own taps.
    for (const auto& touch : touches_) {
        const auto hit = touch->view();
        if (hit && hit.get() != view_ && !hit->gestureRecognizerShouldBegin(*this)) {
            return false;
        }
    }
    const GestureArena* arena = arenaOf(view_);
    return arena == nullptr || !arena->conflictsWithRunning(*this);
}

void GestureRecognizer::setState(State state) {
    const State old = state_;
    if (state == State::Possible) {
        pending_.reset();
        state_ = State::Possible;
        return;
    }
    if (isFinal(old) || (old == state && state != State::Changed)) {
        return;
    }
    GestureArena* arena = arenaOf(view_);
    if (old == State::Possible && (state == State::Began || state == State::Ended)) {
        if (!mayBegin()) {
            state = State::Failed;
        } else if (arena != nullptr && arena->waitsForFailure(*this)) {
            pending_ = state;
            return;
        }
    }
    state_ = state;
    pending_.reset();
    if (arena != nullptr) {
        arena->stateChanged(*this, old);
    } else {
        sendActions();
    }
}

void GestureRecognizer::sendActions() {
    if (state_ == State::Possible || state_ == State::Failed) {
        return;
    }
    const auto targets = targets_;
    for (const auto& [id, action] : targets) {
        action(*this);
    }
}

int GestureRecognizer::addTarget(Action action) {
    targets_.emplace_back(++nextTargetId_, std::move(action));
    return nextTargetId_;
}

void GestureRecognizer::removeTarget(int id) {
    targets_.erase(std::remove_if(targets_.begin(), targets_.end(),
                                  [id](const auto& t) { return t.first == id; }),
                   targets_.end());
}

void GestureRecognizer::setEnabled(bool enabled) {
    enabled_ = enabled;
    if (!enabled && (state_ == State::Began || state_ == State::Changed)) {
        setState(State::Cancelled);
    }
}

void GestureRecognizer::requireGestureRecognizerToFail(
    const std::shared_ptr<GestureRecognizer>& other) {
    failureRequirements_.push_back(other);
}

bool GestureRecognizer::requiresFailureOf(const GestureRecognizer& other) const {
    return std::any_of(failureRequirements_.begin(), failureRequirements_.end(),
                       [&](const auto& weak) { return weak.lock().get() == &other; });
}

QPointF GestureRecognizer::locationInView(const View* view) const {
    if (touches_.empty()) {
        return {};
    }
    QPointF sum;
    for (const auto& touch : touches_) {
        sum += touch->locationInView(view);
    }
    return sum / static_cast<qreal>(touches_.size());
}

void GestureRecognizer::touchesBegan(const TouchSet& touches, const TouchEvent&) {
    for (const auto& touch : touches) {
        if (std::find(touches_.begin(), touches_.end(), touch) == touches_.end()) {
            touches_.push_back(touch);
        }
    }
}

void GestureRecognizer::touchesMoved(const TouchSet&, const TouchEvent&) {}

// Ended touches stay tracked until the recognizer is reset, so that the gesture's last location
// can still be read by its actions.
void GestureRecognizer::touchesEnded(const TouchSet&, const TouchEvent&) {}

void GestureRecognizer::touchesCancelled(const TouchSet&, const TouchEvent&) {
    if (state_ == State::Began || state_ == State::Changed) {
        setState(State::Cancelled);
    } else if (state_ == State::Possible) {
        setState(State::Failed);
    }
}

void GestureRecognizer::setView(View* view) {
    view_ = view;
}

}  // namespace platform
