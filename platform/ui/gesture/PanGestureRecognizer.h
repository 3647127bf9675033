#pragma once

#include "platform/ui/gesture/GestureRecognizer.h"

#include <deque>

namespace platform {

// Recognizes a dragging finger: it begins once the finger has moved past a small distance,
// changes with every move and ends when the finger lifts. Gives the translation since the start
// and the velocity of the last moments, by the scheduler's clock.
class PanGestureRecognizer : public GestureRecognizer {
public:
    static constexpr qreal kMinimumDistance = 10;
    // Velocity is measured over the moves of this last stretch of time.
    static constexpr TimeInterval kVelocityWindow = 0.1;

    using GestureRecognizer::GestureRecognizer;

    QPointF translationInView(const View* view) const;
    void setTranslation(QPointF translation, const View* view);
    // Points per second in `view`'s coordinates.
    QPointF velocityInView(const View* view) const;

    void touchesBegan(const TouchSet& touches, const TouchEvent& event) override;
    void touchesMoved(const TouchSet& touches, const TouchEvent& event) override;
    void touchesEnded(const TouchSet& touches, const TouchEvent& event) override;
    void reset() override;

private:
    struct Sample {
        TimeInterval time;
        QPointF location;
    };
    void record(const TouchEvent& event);

    QPointF start_;
    std::deque<Sample> samples_;
    QPointF velocity_;
};

}  // namespace platform
