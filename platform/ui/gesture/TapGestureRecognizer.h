#pragma once

#include "platform/foundation/ScopedTimer.h"
#include "platform/ui/gesture/GestureRecognizer.h"

namespace platform {

// Recognizes a number of taps: fingers that go down and up again without wandering, each tap
// following the last within a short interval.
class TapGestureRecognizer : public GestureRecognizer {
public:
    static constexpr qreal kAllowableMovement = 10;
    static constexpr TimeInterval kTapInterval = 0.35;

    using GestureRecognizer::GestureRecognizer;

    int numberOfTapsRequired() const { return tapsRequired_; }
    void setNumberOfTapsRequired(int taps) { tapsRequired_ = taps; }

    void touchesBegan(const TouchSet& touches, const TouchEvent& event) override;
    void touchesMoved(const TouchSet& touches, const TouchEvent& event) override;
    void touchesEnded(const TouchSet& touches, const TouchEvent& event) override;
    void reset() override;

private:
    int tapsRequired_ = 1;
    int taps_ = 0;
    QPointF start_;
    ScopedTimer waitForNextTap_;
};

}  // namespace platform
