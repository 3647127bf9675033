#pragma once

#include "platform/foundation/Scheduler.h"

#include <QtCore/QPointF>

#include <memory>
#include <vector>

namespace platform {

class GestureRecognizer;
class View;

enum class TouchPhase { Began = 0, Moved = 1, Stationary = 2, Ended = 3, Cancelled = 4 };

// One finger from the moment it lands until it lifts: where it is, the view it landed on, and the
// gesture recognizers that watch it. Locations are kept in window coordinates.
class Touch {
public:
    Touch(int identifier, QPointF windowLocation, TimeInterval timestamp);

    int identifier() const { return identifier_; }
    TouchPhase phase() const { return phase_; }
    TimeInterval timestamp() const { return timestamp_; }
    int tapCount() const { return tapCount_; }
    // The view it landed on (null when that view is gone).
    std::shared_ptr<View> view() const { return view_.lock(); }
    QPointF windowLocation() const { return location_; }
    QPointF locationInView(const View* view) const;
    QPointF previousLocationInView(const View* view) const;
    std::vector<std::shared_ptr<GestureRecognizer>> gestureRecognizers() const;

private:
    friend class Window;
    friend class GestureArena;
    void moveTo(QPointF location, TouchPhase phase, TimeInterval timestamp);

    int identifier_;
    TouchPhase phase_ = TouchPhase::Began;
    QPointF location_;
    QPointF previous_;
    TimeInterval timestamp_;
    int tapCount_ = 1;
    std::weak_ptr<View> view_;
    std::vector<std::weak_ptr<GestureRecognizer>> recognizers_;
    bool viewBegan_ = false;
    // A recognizer took the touch: its view was told it was cancelled and hears no more of it.
    bool takenFromView_ = false;
};

using TouchSet = std::vector<std::shared_ptr<Touch>>;

// What arrives with touches: when, and every finger currently down.
struct TouchEvent {
    TimeInterval timestamp = 0;
    TouchSet allTouches;
};

// Calls `target`'s handler for `phase` (a responder's or a gesture recognizer's).
template <typename Target>
void deliverTouches(Target& target, TouchPhase phase, const TouchSet& touches,
                    const TouchEvent& event) {
    switch (phase) {
        case TouchPhase::Began:
            target.touchesBegan(touches, event);
            break;
        case TouchPhase::Moved:
        case TouchPhase::Stationary:
            target.touchesMoved(touches, event);
            break;
        case TouchPhase::Ended:
            target.touchesEnded(touches, event);
            break;
        case TouchPhase::Cancelled:
            target.touchesCancelled(touches, event);
            break;
    }
}

}  // namespace platform
