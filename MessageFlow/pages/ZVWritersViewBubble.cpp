#include "MessageFlow/pages/ZVWritersViewBubble.h"

#include "platform/ui/animation/PropertyAnimation.h"
#include "platform/ui/text/AttributedText.h"
#include "toolkit/style/ColorUtils.h"

#include <QtGui/QPainter>

ZVWritersViewBubble::ZVWritersViewBubble(const QRectF& frame) : View(frame) {
    setBackgroundColor(Qt::transparent);
}

void ZVWritersViewBubble::drawRect(QPainter& painter, const QRectF&) {
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(platform::resolveColor(colorWithName(QStringLiteral("suppressed"))));
    painter.drawEllipse(bounds());
}

void ZVWritersViewBubble::startAnimationWithDelay(platform::TimeInterval delay) {
    delay_ = delay;
    schedulePulse();
}

bool ZVWritersViewBubble::isPulsing() const {
    return layer().animationForKey(kPulseKey) != nullptr;
}

void ZVWritersViewBubble::didMoveToWindow() {
    // Off screen nothing pulses: the endless animation would keep the display busy for nothing.
    schedulePulse();
}

void ZVWritersViewBubble::schedulePulse() {
    start_.cancel();
    layer().removeAnimationForKey(kPulseKey);
    if (!delay_ || window() == nullptr) {
        return;
    }
    // A member: the start cannot outlive the dot.
    start_ = platform::Scheduler::main().after(*delay_, [this] { pulse(); });
}

void ZVWritersViewBubble::pulse() {
    platform::PropertyAnimation::Timing timing;
    timing.beginTime = platform::Scheduler::main().now();
    timing.duration = kPulseDuration;
    timing.repeatCount = platform::PropertyAnimation::kRepeatForever;
    timing.autoreverses = true;
    layer().addAnimation(std::make_shared<platform::PropertyAnimation>(
                             platform::LayerTransform::identity(),
                             platform::LayerTransform::scaled(kPulseScale, kPulseScale), timing),
                         kPulseKey);
}
