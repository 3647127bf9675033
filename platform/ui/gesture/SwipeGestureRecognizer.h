#pragma once

#include "platform/ui/gesture/GestureRecognizer.h"

namespace platform {

// Recognizes a quick stroke in one of the allowed directions: far enough along it, little across
// it, within a short time.
class SwipeGestureRecognizer : public GestureRecognizer {
public:
    enum Direction : unsigned { Right = 1u << 0, Left = 1u << 1, Up = 1u << 2, Down = 1u << 3 };
    static constexpr qreal kMinimumDistance = 50;
    static constexpr qreal kMaximumDeviation = 30;
    static constexpr TimeInterval kMaximumDuration = 0.5;

    using GestureRecognizer::GestureRecognizer;

    unsigned direction() const { return direction_; }
    void setDirection(unsigned direction) { direction_ = direction; }

    void touchesBegan(const TouchSet& touches, const TouchEvent& event) override;
    void touchesMoved(const TouchSet& touches, const TouchEvent& event) override;
    void touchesEnded(const TouchSet& touches, const TouchEvent& event) override;

private:
    // Decides from the movement so far; `final` when the finger has lifted.
    void judge(const TouchEvent& event, bool final);

    unsigned direction_ = Right;
    QPointF start_;
    TimeInterval startTime_ = 0;
};

}  // namespace platform
