#include "platform/ui/gesture/SwipeGestureRecognizer.h"

#include <cmath>

namespace platform {

void SwipeGestureRecognizer::touchesBegan(const TouchSet& touches, const TouchEvent& event) {
    GestureRecognizer::touchesBegan(touches, event);
    start_ = locationInView(nullptr);
    startTime_ = event.timestamp;
}

void SwipeGestureRecognizer::touchesMoved(const TouchSet&, const TouchEvent& event) {
    judge(event, false);
}

void SwipeGestureRecognizer::touchesEnded(const TouchSet& touches, const TouchEvent& event) {
    GestureRecognizer::touchesEnded(touches, event);
    judge(event, true);
}

void SwipeGestureRecognizer::judge(const TouchEvent& event, bool final) {
    if (state() != State::Possible) {
        return;
    }
    const QPointF moved = locationInView(nullptr) - start_;
    const bool tooSlow = event.timestamp - startTime_ > kMaximumDuration;
    const auto along = [&](unsigned dir) -> std::pair<qreal, qreal> {
        switch (dir) {
            case Right:
                return {moved.x(), std::abs(moved.y())};
            case Left:
                return {-moved.x(), std::abs(moved.y())};
            case Up:
                return {-moved.y(), std::abs(moved.x())};
            default:
                return {moved.y(), std::abs(moved.x())};
        }
    };
    bool possible = false;
    for (const unsigned dir : {Right, Left, Up, Down}) {
        if ((direction_ & dir) == 0) {
            continue;
        }
        const auto [distance, deviation] = along(dir);
        if (deviation > kMaximumDeviation) {
            continue;
        }
        if (distance >= kMinimumDistance && !tooSlow) {
            setState(State::Ended);
            return;
        }
        possible = true;
    }
    if (!possible || tooSlow || final) {
        setState(State::Failed);
    }
}

}  // namespace platform
