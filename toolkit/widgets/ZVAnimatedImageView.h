#pragma once

#include "platform/foundation/Scheduler.h"
#include "platform/ui/controls/ImageView.h"

#include <memory>

class AnimatedImage;

// An image view that plays an animated image in a loop: it shows the frame for the time since it
// started, on the main scheduler's clock, and changes its image only when the frame does. It
// ticks only while it is in a window and not hidden.
class ZVAnimatedImageView : public platform::ImageView {
public:
    // A tick that lands a hair before a frame's start (clock rounding) comes back this soon.
    static constexpr platform::TimeInterval kMinimumTick = 0.001;

    ZVAnimatedImageView();
    ~ZVAnimatedImageView() override;

    const std::shared_ptr<const AnimatedImage>& animatedImage() const { return animation_; }
    // Starts from the first frame; none shows nothing.
    void setAnimatedImage(std::shared_ptr<const AnimatedImage> image);
    // Hides or shows, stopping or resuming the animation.
    void setHidden(bool hidden) override;
    bool isAnimating() const { return timer_.isValid(); }

    QSizeF sizeThatFits(QSizeF size) const override;

protected:
    void didMoveToWindow() override;

private:
    void update();
    void tick();

    std::shared_ptr<const AnimatedImage> animation_;
    platform::TimerHandle timer_;
    platform::TimeInterval start_ = 0;
    qint64 shownKey_ = 0;
};
