#include "MessageFlow/pages/ZVWritersViewAnimation.h"

#include "MessageFlow/pages/ZVWritersViewBubble.h"

ZVWritersViewAnimation::ZVWritersViewAnimation(const QRectF& frame) : View(frame) {
    for (int i = 0; i < kBubbleCount; ++i) {
        auto bubble = platform::View::make<ZVWritersViewBubble>(
            QRectF(i * kBubbleStep, 0, kBubbleSize, kBubbleSize));
        addSubview(bubble);
        bubble->startAnimationWithDelay(i * kPhaseDelay);
        bubbles_[i] = bubble;
    }
}
