#pragma once

#include "platform/ui/view/View.h"

#include <functional>
#include <utility>
#include <vector>

namespace platform {

// A view that tracks its own touches and turns them into control events for its targets. It keeps
// the touches it tracks: they do not travel on to its superview, and its superviews' tap
// recognizers leave its taps alone. A disabled control passes its touches on.
class Control : public View {
public:
    // The numbers are the platform's bit masks.
    enum Event : unsigned {
        TouchDown = 1u << 0,
        TouchDownRepeat = 1u << 1,
        TouchDragInside = 1u << 2,
        TouchDragOutside = 1u << 3,
        TouchDragEnter = 1u << 4,
        TouchDragExit = 1u << 5,
        TouchUpInside = 1u << 6,
        TouchUpOutside = 1u << 7,
        TouchCancel = 1u << 8,
        ValueChanged = 1u << 12,
        EditingDidBegin = 1u << 16,
        EditingChanged = 1u << 17,
        EditingDidEnd = 1u << 18,
        EditingDidEndOnExit = 1u << 19,
    };
    // How far outside its bounds a finger may stray and still count as inside.
    static constexpr qreal kTouchSlop = 70;

    using Action = std::function<void(Control&)>;

    using View::View;

    int addTarget(unsigned events, Action action);
    void removeTarget(int id);
    bool hasTargetsFor(unsigned events) const;
    void sendActionsForEvents(unsigned events);

    bool isEnabled() const { return enabled_; }
    virtual void setEnabled(bool enabled);
    bool isHighlighted() const { return highlighted_; }
    virtual void setHighlighted(bool highlighted);
    bool isSelected() const { return selected_; }
    virtual void setSelected(bool selected);
    bool isTracking() const { return tracking_; }
    bool isTouchInside() const { return touchInside_; }

    void touchesBegan(const TouchSet& touches, const TouchEvent& event) override;
    void touchesMoved(const TouchSet& touches, const TouchEvent& event) override;
    void touchesEnded(const TouchSet& touches, const TouchEvent& event) override;
    void touchesCancelled(const TouchSet& touches, const TouchEvent& event) override;
    bool gestureRecognizerShouldBegin(GestureRecognizer& recognizer) override;

private:
    struct Target {
        int id;
        unsigned events;
        Action action;
    };
    bool isInside(const Touch& touch) const;

    std::vector<Target> targets_;
    int nextTargetId_ = 0;
    bool enabled_ = true;
    bool highlighted_ = false;
    bool selected_ = false;
    bool tracking_ = false;
    bool touchInside_ = false;
};

}  // namespace platform
