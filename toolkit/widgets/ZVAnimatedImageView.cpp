#include "toolkit/widgets/ZVAnimatedImageView.h"

#include "ZelvoKit/support/media/AnimatedImage.h"

#include <cmath>

using platform::Scheduler;

ZVAnimatedImageView::ZVAnimatedImageView() = default;

ZVAnimatedImageView::~ZVAnimatedImageView() {
    timer_.cancel();
}

void ZVAnimatedImageView::setAnimatedImage(std::shared_ptr<const AnimatedImage> image) {
    timer_.cancel();
    animation_ = std::move(image);
    shownKey_ = 0;
    setImage(animation_ ? animation_->frameAt(0) : QImage());
    shownKey_ = this->image().cacheKey();
    update();
}

void ZVAnimatedImageView::setHidden(bool hidden) {
    View::setHidden(hidden);
    update();
}

void ZVAnimatedImageView::didMoveToWindow() {
    ImageView::didMoveToWindow();
    update();
}

QSizeF ZVAnimatedImageView::sizeThatFits(QSizeF size) const {
    return animation_ ? animation_->size() : ImageView::sizeThatFits(size);
}

void ZVAnimatedImageView::update() {
    const bool shouldRun = animation_ && animation_->frameCount() > 1 &&
                           animation_->duration() > 0 && window() && !isHidden();
    if (!shouldRun) {
        timer_.cancel();
        return;
    }
    if (timer_.isValid()) {
        return;
    }
    start_ = Scheduler::main().now();
    tick();
}

void ZVAnimatedImageView::tick() {
    if (!window() || isHidden()) {
        return;
    }
    const platform::TimeInterval elapsed = Scheduler::main().now() - start_;
    const QImage frame = animation_->imageAtTime(elapsed);
    if (frame.cacheKey() != shownKey_) {
        shownKey_ = frame.cacheKey();
        setImage(frame);
    }
    // Wake at the start of the next frame.
    const platform::TimeInterval frameLength = animation_->duration() / animation_->frameCount();
    const platform::TimeInterval remaining = frameLength - std::fmod(elapsed, frameLength);
    // The destructor cancels the timer, so the view outlives every tick.
    timer_ = Scheduler::main().after(std::max(remaining, kMinimumTick), [this] { tick(); });
}
