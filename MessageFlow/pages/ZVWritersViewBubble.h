#pragma once

#include "platform/foundation/ScopedTimer.h"
#include "platform/ui/view/View.h"

#include <optional>

// One dot of the writers line: a filled oval that, once started, shrinks to a tenth and grows
// back once a second for as long as it is in a window.
class ZVWritersViewBubble : public platform::View {
public:
    static constexpr qreal kPulseScale = 0.1;
    static constexpr platform::TimeInterval kPulseDuration = 0.5;
    // The animated property, which is also the animation's key.
    static inline const QString kPulseKey = QStringLiteral("transform");

    explicit ZVWritersViewBubble(const QRectF& frame);

    // The pulse begins `delay` seconds after the dot enters a window (or now, when it is in one).
    void startAnimationWithDelay(platform::TimeInterval delay);
    bool isPulsing() const;

    void drawRect(QPainter& painter, const QRectF& rect) override;

protected:
    void didMoveToWindow() override;

private:
    void schedulePulse();
    void pulse();

    std::optional<platform::TimeInterval> delay_;
    platform::ScopedTimer start_;
};
