#pragma once

#include "platform/foundation/ScopedTimer.h"
#include "platform/ui/gesture/GestureRecognizer.h"

namespace platform {

// Recognizes a finger held still: it begins once the finger has been down for the minimum
// duration without moving further than the allowable movement, changes as it moves, ends when
// it lifts.
class LongPressGestureRecognizer : public GestureRecognizer {
public:
    static constexpr TimeInterval kDefaultMinimumPressDuration = 0.5;
    static constexpr qreal kDefaultAllowableMovement = 10;

    using GestureRecognizer::GestureRecognizer;

    TimeInterval minimumPressDuration() const { return minimumPressDuration_; }
    void setMinimumPressDuration(TimeInterval duration) { minimumPressDuration_ = duration; }
    qreal allowableMovement() const { return allowableMovement_; }
    void setAllowableMovement(qreal movement) { allowableMovement_ = movement; }

    void touchesBegan(const TouchSet& touches, const TouchEvent& event) override;
    void touchesMoved(const TouchSet& touches, const TouchEvent& event) override;
    void touchesEnded(const TouchSet& touches, const TouchEvent& event) override;
    void touchesCancelled(const TouchSet& touches, const TouchEvent& event) override;
    void reset() override;

private:
    TimeInterval minimumPressDuration_ = kDefaultMinimumPressDuration;
    qreal allowableMovement_ = kDefaultAllowableMovement;
    QPointF start_;
    ScopedTimer timer_;
};

}  // namespace platform
