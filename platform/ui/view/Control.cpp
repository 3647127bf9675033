#include "platform/ui/view/Control.h"

#include "platform/ui/gesture/TapGestureRecognizer.h"

#include <algorithm>

namespace platform {

int Control::addTarget(unsigned events, Action action) {
    targets_.push_back({++nextTargetId_, events, std::move(action)});
    return nextTargetId_;
}

void Control::removeTarget(int id) {
    targets_.erase(std::remove_if(targets_.begin(), targets_.end(),
                                  [id](const Target& t) { return t.id == id; }),
                   targets_.end());
}

bool Control::hasTargetsFor(unsigned events) const {
    return std::any_of(targets_.begin(), targets_.end(),
                       [events](const Target& t) { return (t.events & events) != 0; });
}

void Control::sendActionsForEvents(unsigned events) {
    const auto keep = shared_from_this();
    const auto targets = targets_;
    for (const Target& target : targets) {
        if ((target.events & events) != 0) {
            target.action(*this);
        }
    }
}

void Control::setEnabled(bool enabled) {
    enabled_ = enabled;
    setNeedsDisplay();
}

void Control::setHighlighted(bool highlighted) {
    highlighted_ = highlighted;
    setNeedsDisplay();
}

void Control::setSelected(bool selected) {
    selected_ = selected;
    setNeedsDisplay();
}

bool Control::isInside(const Touch& touch) const {
    return bounds()
        .adjusted(-kTouchSlop, -kTouchSlop, kTouchSlop, kTouchSlop)
        .contains(touch.locationInView(this));
}

void Control::touchesBegan(const TouchSet& touches, const TouchEvent& event) {
    if (!enabled_) {
        View::touchesBegan(touches, event);
        return;
    }
    tracking_ = true;
    touchInside_ = true;
    setHighlighted(true);
    sendActionsForEvents(touches.front()->tapCount() > 1 ? TouchDown | TouchDownRepeat : TouchDown);
}

void Control::touchesMoved(const TouchSet& touches, const TouchEvent& event) {
    if (!tracking_) {
        View::touchesMoved(touches, event);
        return;
    }
    const bool inside = isInside(*touches.front());
    const bool crossed = inside != touchInside_;
    touchInside_ = inside;
    setHighlighted(inside);
    unsigned events = inside ? TouchDragInside : TouchDragOutside;
    if (crossed) {
        events |= inside ? TouchDragEnter : TouchDragExit;
    }
    sendActionsForEvents(events);
}

void Control::touchesEnded(const TouchSet& touches, const TouchEvent& event) {
    if (!tracking_) {
        View::touchesEnded(touches, event);
        return;
    }
    tracking_ = false;
    setHighlighted(false);
    touchInside_ = isInside(*touches.front());
    sendActionsForEvents(touchInside_ ? TouchUpInside : TouchUpOutside);
}

void Control::touchesCancelled(const TouchSet& touches, const TouchEvent& event) {
    if (!tracking_) {
        View::touchesCancelled(touches, event);
        return;
    }
    tracking_ = false;
    setHighlighted(false);
    sendActionsForEvents(TouchCancel);
}

bool Control::gestureRecognizerShouldBegin(GestureRecognizer& recognizer) {
    // A tap on the control is the control's; taps of views around it go elsewhere.
    if (enabled_ && recognizer.view() != this &&
        dynamic_cast<TapGestureRecognizer*>(&recognizer) != nullptr &&
        hasTargetsFor(TouchDown | TouchUpInside)) {
        return false;
    }
    return true;
}

}  // namespace platform
