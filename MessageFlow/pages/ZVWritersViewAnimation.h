#pragma once

#include "platform/ui/view/View.h"

#include <array>
#include <memory>

class ZVWritersViewBubble;

// The three dots of the writers line, pulsing one after another.
class ZVWritersViewAnimation : public platform::View {
public:
    static constexpr int kBubbleCount = 3;
    static constexpr qreal kBubbleSize = 5;
    // Each dot lies this far right of the previous one (3 pt apart).
    static constexpr qreal kBubbleStep = 8;
    static constexpr platform::TimeInterval kPhaseDelay = 0.2;

    explicit ZVWritersViewAnimation(const QRectF& frame);

    const std::array<std::shared_ptr<ZVWritersViewBubble>, kBubbleCount>& bubbles() const {
        return bubbles_;
    }

private:
    std::array<std::shared_ptr<ZVWritersViewBubble>, kBubbleCount> bubbles_;
};
