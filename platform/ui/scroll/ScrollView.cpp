#include "platform/ui/scroll/ScrollView.h"

#include "platform/ui/gesture/PanGestureRecognizer.h"
#include "platform/ui/view/Window.h"

#include <algorithm>
#include <cmath>
#include <functional>

namespace platform {

namespace {

constexpr qreal kMillisecondsPerSecond = 1000;

qreal easeOut(qreal t) {
    const qreal rest = 1 - t;
    return 1 - rest * rest * rest;
}

void collectScrollsToTop(View& view, std::vector<ScrollView*>& found) {
    if (view.isHidden()) {
        return;
    }
    if (auto* scroll = dynamic_cast<ScrollView*>(&view); scroll && scroll->scrollsToTop()) {
        found.push_back(scroll);
    }
    for (const auto& subview : view.subviews()) {
        collectScrollsToTop(*subview, found);
    }
}

}  // namespace

// The scroll view's own pan: it also tells the scroll view when a finger lands and lifts, which a
// pan alone reports only once it has moved far enough.
class ScrollView::Pan : public PanGestureRecognizer {
public:
    explicit Pan(ScrollView* owner) : owner_(owner) {}
    void forget() { owner_ = nullptr; }
    ScrollView* owner() const { return owner_; }

    void touchesBegan(const TouchSet& touches, const TouchEvent& event) override {
        PanGestureRecognizer::touchesBegan(touches, event);
        if (owner_ != nullptr) {
            owner_->fingerLanded();
        }
    }
    void touchesEnded(const TouchSet& touches, const TouchEvent& event) override {
        PanGestureRecognizer::touchesEnded(touches, event);
        lifted();
    }
    void touchesCancelled(const TouchSet& touches, const TouchEvent& event) override {
        PanGestureRecognizer::touchesCancelled(touches, event);
        lifted();
    }

private:
    void lifted() {
        const auto& touches = trackedTouches();
        const bool allUp = std::all_of(touches.begin(), touches.end(), [](const auto& touch) {
            return touch->phase() == TouchPhase::Ended || touch->phase() == TouchPhase::Cancelled;
        });
        if (owner_ != nullptr && allUp) {
            owner_->fingerLifted();
        }
    }
    ScrollView* owner_;
};

ScrollView::ScrollView() : pan_(std::make_shared<Pan>(this)) {
    setClipsToBounds(true);
    // Through the pan's own link, which the scroll view cuts when it goes: whoever else holds
    // the recognizer cannot reach a scroll view that is gone.
    pan_->addTarget([](GestureRecognizer& recognizer) {
        auto& pan = static_cast<Pan&>(recognizer);
        ScrollView* owner = pan.owner();
        if (owner == nullptr) {
            return;
        }
        switch (recognizer.state()) {
            case GestureRecognizerState::Began:
                owner->beginDragging();
                break;
            case GestureRecognizerState::Changed:
                owner->panChanged();
                break;
            case GestureRecognizerState::Ended:
                owner->endDragging(-pan.velocityInView(owner));
                break;
            case GestureRecognizerState::Cancelled:
                owner->endDragging({});
                break;
            default:
                break;
        }
    });
    addGestureRecognizer(pan_);
}

PanGestureRecognizer& ScrollView::panGestureRecognizer() const {
    return *pan_;
}

ScrollView::ScrollView(const QRectF& frame) : ScrollView() {
    setFrame(frame);
}

ScrollView::~ScrollView() {
    pan_->forget();
    // A scroll view that goes mid-drag must not leave the loop tracking for ever.
    leaveTracking();
}

void ScrollView::setContentOffset(QPointF offset) {
    if (offset == contentOffset()) {
        return;
    }
    QRectF b = bounds();
    b.moveTopLeft(offset);
    setBounds(b);
    setNeedsLayout();
    if (auto d = delegate()) {
        d->scrollViewDidScroll(*this);
    }
}

void ScrollView::setContentOffset(QPointF offset, bool animated) {
    stopMotion(true);
    if (!animated) {
        setContentOffset(offset);
        return;
    }
    animateTo(offset, Motion::Animating, {});
}

bool ScrollView::scrollByWheel(QPointF delta) {
    if (!scrollEnabled_ || fingerDown_) {
        return false;
    }
    stopMotion(true);
    const QPointF target = clamped(contentOffset() + delta);
    if (target == contentOffset()) {
        return false;
    }
    // To the delegate a step is a short drag that ends where it stops: screens evaluate where
    // their content rests as they do after a finger's drag.
    const auto d = delegate();
    if (d) {
        d->scrollViewWillBeginDragging(*this);
    }
    setContentOffset(target);
    if (d) {
        d->scrollViewDidEndDragging(*this, false);
    }
    return true;
}

void ScrollView::setContentSize(QSizeF size) {
    if (size != contentSize_) {
        contentSize_ = size;
        setNeedsLayout();
    }
}

void ScrollView::setContentInset(const EdgeInsets& insets) {
    if (insets != contentInset_) {
        contentInset_ = insets;
        setNeedsLayout();
    }
}

QPointF ScrollView::minimumContentOffset() const {
    return {-contentInset_.left, -contentInset_.top};
}

QPointF ScrollView::maximumContentOffset() const {
    const QPointF minimum = minimumContentOffset();
    const QSizeF size = bounds().size();
    return {std::max(minimum.x(), contentSize_.width() + contentInset_.right - size.width()),
            std::max(minimum.y(), contentSize_.height() + contentInset_.bottom - size.height())};
}

QPointF ScrollView::clamped(QPointF offset) const {
    const QPointF low = minimumContentOffset();
    const QPointF high = maximumContentOffset();
    return {std::clamp(offset.x(), low.x(), high.x()), std::clamp(offset.y(), low.y(), high.y())};
}

QPointF ScrollView::rubberBanded(QPointF offset) const {
    const QPointF inside = clamped(offset);
    return inside + (offset - inside) * kRubberBandFactor;
}

void ScrollView::scrollRectToVisible(const QRectF& rect, bool animated) {
    const QRectF visible = contentInset_.inset(bounds());
    QPointF offset = contentOffset();
    // Each axis moves the least that brings the rect in; a rect larger than the view shows its
    // top left.
    if (rect.bottom() > visible.bottom()) {
        offset.ry() += rect.bottom() - visible.bottom();
    }
    if (rect.top() < visible.top() + (offset.y() - contentOffset().y())) {
        offset.ry() = rect.top() - contentInset_.top;
    }
    if (rect.right() > visible.right()) {
        offset.rx() += rect.right() - visible.right();
    }
    if (rect.left() < visible.left() + (offset.x() - contentOffset().x())) {
        offset.rx() = rect.left() - contentInset_.left;
    }
    offset = clamped(offset);
    if (offset != contentOffset()) {
        setContentOffset(offset, animated);
    }
}

void ScrollView::setScrollEnabled(bool enabled) {
    scrollEnabled_ = enabled;
    pan_->setEnabled(enabled);
}

bool ScrollView::canScrollVertically() const {
    return alwaysBounceVertical_ || maximumContentOffset().y() > minimumContentOffset().y();
}

bool ScrollView::canScrollHorizontally() const {
    return alwaysBounceHorizontal_ || maximumContentOffset().x() > minimumContentOffset().x();
}

bool ScrollView::gestureRecognizerShouldBegin(GestureRecognizer& recognizer) {
    if (&recognizer == pan_.get()) {
        return scrollEnabled_ && (canScrollVertically() || canScrollHorizontally());
    }
    return View::gestureRecognizerShouldBegin(recognizer);
}

// --- dragging ---

void ScrollView::fingerLanded() {
    fingerDown_ = true;
    touchStoppedMotion_ = motion_ == Motion::Decelerating;
    // A finger on moving content holds it where it is.
    if (touchStoppedMotion_) {
        stopMotion(true);
    }
}

void ScrollView::fingerLifted() {
    fingerDown_ = false;
}

void ScrollView::beginDragging() {
    stopMotion(true);
    enterTracking();
    dragging_ = true;
    dragStartOffset_ = contentOffset();
    // The content follows the finger from here on, without the jump of the distance the pan
    // needed to begin.
    pan_->setTranslation({}, this);
    if (auto d = delegate()) {
        d->scrollViewWillBeginDragging(*this);
    }
}

void ScrollView::panChanged() {
    const QPointF translation = pan_->translationInView(this);
    QPointF offset = dragStartOffset_ - translation;
    if (!canScrollHorizontally()) {
        offset.rx() = dragStartOffset_.x();
    }
    if (!canScrollVertically()) {
        offset.ry() = dragStartOffset_.y();
    }
    setContentOffset(rubberBanded(offset));
}

void ScrollView::endDragging(QPointF velocity) {
    if (!dragging_) {
        return;
    }
    dragging_ = false;
    if (!canScrollHorizontally()) {
        velocity.rx() = 0;
    }
    if (!canScrollVertically()) {
        velocity.ry() = 0;
    }
    const QPointF offset = contentOffset();
    const bool pastEdge = clamped(offset) != offset;
    const bool fast = std::hypot(velocity.x(), velocity.y()) >= kMinimumDecelerationVelocity;
    const bool willDecelerate = pastEdge || fast;
    // Set before the delegate hears of it, as a delegate may ask.
    decelerating_ = willDecelerate;
    if (auto d = delegate()) {
        d->scrollViewDidEndDragging(*this, willDecelerate);
    }
    if (!willDecelerate) {
        leaveTracking();
    } else if (pastEdge) {
        animateTo(clamped(offset), Motion::Decelerating, {});
    } else {
        startDeceleration(velocity);
    }
}

// --- motion on the clock ---

void ScrollView::startDeceleration(QPointF velocity) {
    motion_ = Motion::Decelerating;
    decelerating_ = true;
    interpolating_ = false;
    velocity_ = velocity;
    lastFrame_ = Scheduler::main().now();
    frameTimer_ = Scheduler::main().every(kFrameInterval, [this] { step(); });
}

void ScrollView::animateTo(QPointF target, Motion kind, std::function<void()> done) {
    motion_ = kind;
    decelerating_ = kind == Motion::Decelerating;
    interpolating_ = true;
    velocity_ = {};
    animationFrom_ = contentOffset();
    animationTo_ = target;
    animationStart_ = Scheduler::main().now();
    motionDone_ = std::move(done);
    frameTimer_ = Scheduler::main().every(kFrameInterval, [this] { step(); });
}

void ScrollView::step() {
    const TimeInterval now = Scheduler::main().now();
    if (interpolating_) {
        const qreal t = std::min<qreal>(1, (now - animationStart_) / kScrollAnimationDuration);
        setContentOffset(animationFrom_ + (animationTo_ - animationFrom_) * easeOut(t));
        if (t >= 1) {
            stopMotion(true);
        }
        return;
    }
    const TimeInterval elapsed = now - lastFrame_;
    lastFrame_ = now;
    velocity_ *= std::pow(kDecelerationRate, elapsed * kMillisecondsPerSecond);
    const QPointF wanted = contentOffset() + velocity_ * elapsed;
    const QPointF offset = clamped(wanted);
    // Content that reaches an edge stops there on that axis.
    if (offset.x() != wanted.x()) {
        velocity_.rx() = 0;
    }
    if (offset.y() != wanted.y()) {
        velocity_.ry() = 0;
    }
    setContentOffset(offset);
    if (std::hypot(velocity_.x(), velocity_.y()) < kStopVelocity) {
        stopMotion(true);
    }
}

void ScrollView::stopMotion(bool tellDelegate) {
    if (motion_ == Motion::None) {
        return;
    }
    const Motion ended = motion_;
    motion_ = Motion::None;
    frameTimer_.cancel();
    velocity_ = {};
    auto done = std::move(motionDone_);
    motionDone_ = {};
    if (ended == Motion::Decelerating) {
        decelerating_ = false;
        leaveTracking();
        if (auto d = delegate(); d && tellDelegate) {
            d->scrollViewDidEndDecelerating(*this);
        }
    }
    if (done) {
        done();
    }
}

void ScrollView::enterTracking() {
    if (!inTrackingMode_) {
        inTrackingMode_ = true;
        Scheduler::main().beginTracking();
    }
}

void ScrollView::leaveTracking() {
    if (inTrackingMode_) {
        inTrackingMode_ = false;
        Scheduler::main().endTracking();
    }
}

bool ScrollView::scrollToTop(Window& window) {
    std::vector<ScrollView*> found;
    collectScrollsToTop(window, found);
    if (found.size() != 1) {
        return false;
    }
    ScrollView& scroll = *found.front();
    const auto d = scroll.delegate();
    if (d && !d->scrollViewShouldScrollToTop(scroll)) {
        return false;
    }
    scroll.stopMotion(true);
    // Run by the scroll view's own motion, so it cannot outlive it.
    ScrollView* target = &scroll;
    scroll.animateTo({scroll.contentOffset().x(), scroll.minimumContentOffset().y()},
                     Motion::Animating, [target] {
                         if (auto d = target->delegate()) {
                             d->scrollViewDidScrollToTop(*target);
                         }
                     });
    return true;
}

}  // namespace platform
