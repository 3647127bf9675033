#pragma once

#include "platform/foundation/ScopedTimer.h"
#include "platform/ui/controls/EdgeInsets.h"
#include "platform/ui/scroll/ScrollViewDelegate.h"
#include "platform/ui/view/View.h"

#include <memory>

namespace platform {

class PanGestureRecognizer;

// A view that shows part of a larger content and moves it under a dragging finger. The content
// offset is the bounds' origin: the content point shown at the view's top left. A drag moves the
// content with the finger (half as fast past the edges), and a drag released with speed
// decelerates, both on the scheduler's clock; from the start of a drag to the end of its
// deceleration the run loop is in its tracking mode, so default-mode timers wait.
class ScrollView : public View {
public:
    // The content's speed falls to this fraction every millisecond while it decelerates.
    static constexpr qreal kDecelerationRate = 0.998;
    // A finger lifted slower than this (points per second) leaves the content where it is.
    static constexpr qreal kMinimumDecelerationVelocity = 50;
    // Deceleration ends once the content is slower than this.
    static constexpr qreal kStopVelocity = 10;
    // Past an edge the content follows the finger by this fraction.
    static constexpr qreal kRubberBandFactor = 0.5;
    // Motion is stepped at the display's rate.
    static constexpr TimeInterval kFrameInterval = 1.0 / 60;
    // Animated offset changes and the return from past an edge take this long.
    static constexpr TimeInterval kScrollAnimationDuration = 0.3;

    ScrollView();
    explicit ScrollView(const QRectF& frame);
    ~ScrollView() override;

    std::shared_ptr<ScrollViewDelegate> delegate() const { return delegate_.lock(); }
    void setDelegate(std::weak_ptr<ScrollViewDelegate> delegate) {
        delegate_ = std::move(delegate);
    }

    QPointF contentOffset() const { return bounds().topLeft(); }
    // Not clamped: the content may be placed past its edges. Overridable, since tables of the
    // screens filter the offset requests made by others; every motion of the scroll view itself
    // comes through here too.
    virtual void setContentOffset(QPointF offset);
    // Stops any motion first; animated, the content moves there over kScrollAnimationDuration.
    void setContentOffset(QPointF offset, bool animated);
    QSizeF contentSize() const { return contentSize_; }
    // Overridable, so that a subclass can announce the changes (a text view's cell grows with it).
    virtual void setContentSize(QSizeF size);
    EdgeInsets contentInset() const { return contentInset_; }
    // Overridable: the screens' tables decide which inset changes they take.
    virtual void setContentInset(const EdgeInsets& insets);

    // The offsets the content rests between when nobody holds it.
    QPointF minimumContentOffset() const;
    QPointF maximumContentOffset() const;
    // A desktop wheel's step: the content moves by `delta` (positive shows what lies further down
    // or right), within its resting offsets, ending any motion first; the delegate sees a drag
    // begin and end without deceleration. False when it could not move (scrolling off, a finger
    // holding it, or already at that edge).
    bool scrollByWheel(QPointF delta);
    // Moves the content as little as needed to show `rect` (content coordinates).
    void scrollRectToVisible(const QRectF& rect, bool animated);

    bool isScrollEnabled() const { return scrollEnabled_; }
    void setScrollEnabled(bool enabled);
    bool alwaysBounceVertical() const { return alwaysBounceVertical_; }
    void setAlwaysBounceVertical(bool bounce) { alwaysBounceVertical_ = bounce; }
    bool alwaysBounceHorizontal() const { return alwaysBounceHorizontal_; }
    void setAlwaysBounceHorizontal(bool bounce) { alwaysBounceHorizontal_ = bounce; }
    bool scrollsToTop() const { return scrollsToTop_; }
    void setScrollsToTop(bool scrolls) { scrollsToTop_ = scrolls; }

    // A finger is down on the content (it may not have moved yet).
    bool isTracking() const { return fingerDown_; }
    bool isDragging() const { return dragging_; }
    bool isDecelerating() const { return decelerating_; }

    PanGestureRecognizer& panGestureRecognizer() const;

    // What a tap on the status bar does: the one visible scroll view of `window` that scrolls to
    // the top, if its delegate agrees, moves its content to the top, animated. False when there
    // is no single such scroll view.
    static bool scrollToTop(Window& window);

    bool gestureRecognizerShouldBegin(GestureRecognizer& recognizer) override;

protected:
    // The last finger to land stopped the content's motion: it holds the content rather than
    // tapping what lies under it.
    bool touchStoppedMotion() const { return touchStoppedMotion_; }

private:
    class Pan;
    enum class Motion { None, Decelerating, Animating };

    bool canScrollVertically() const;
    bool canScrollHorizontally() const;
    QPointF clamped(QPointF offset) const;
    QPointF rubberBanded(QPointF offset) const;
    void panChanged();
    void fingerLanded();
    void fingerLifted();
    void beginDragging();
    void endDragging(QPointF velocity);
    void startDeceleration(QPointF velocity);
    void animateTo(QPointF target, Motion kind, std::function<void()> done);
    void step();
    void stopMotion(bool tellDelegate);
    void enterTracking();
    void leaveTracking();

    std::weak_ptr<ScrollViewDelegate> delegate_;
    std::shared_ptr<Pan> pan_;
    QSizeF contentSize_;
    EdgeInsets contentInset_;
    bool scrollEnabled_ = true;
    bool alwaysBounceVertical_ = false;
    bool alwaysBounceHorizontal_ = false;
    bool scrollsToTop_ = true;
    bool fingerDown_ = false;
    bool dragging_ = false;
    bool decelerating_ = false;
    bool inTrackingMode_ = false;
    bool touchStoppedMotion_ = false;
    QPointF dragStartOffset_;

    Motion motion_ = Motion::None;
    // Moving towards a fixed target (an animated offset, the return from past an edge) rather
    // than by the lift's speed.
    bool interpolating_ = false;
    ScopedTimer frameTimer_;
    TimeInterval lastFrame_ = 0;
    QPointF velocity_;
    QPointF animationFrom_;
    QPointF animationTo_;
    TimeInterval animationStart_ = 0;
    std::function<void()> motionDone_;
};

}  // namespace platform
