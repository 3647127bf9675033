#include "toolkit/richtext/attachments/ZVRichTextBackground.h"

#include "platform/foundation/Scheduler.h"
#include "platform/ui/text/AttributedText.h"
#include "toolkit/style/ColorUtils.h"
#include "toolkit/style/RichTextAttributes.h"

#include <QtGui/QPainter>

ZVRichTextBackground::ZVRichTextBackground(std::weak_ptr<platform::View> parent, Range range,
                                           const platform::TextAttributes& attributes)
    : ZVRichTextAttachment(std::move(parent), range) {
    resetFrame();
    const QVariant color = attributes.value(platform::TextAttribute::BackgroundColor);
    if (color.canConvert<platform::Color>()) {
        color_ = color.value<platform::Color>();
    }
    const QVariant stamp = attributes.value(ZVFadingHighlightAttributeName);
    if (stamp.canConvert<QDateTime>()) {
        const double now = platform::Scheduler::main().now();
        const double since = stamp.toDateTime().toMSecsSinceEpoch() / 1000.0 - now;
        if (since <= -kFadeSeconds) {
            color_ = platform::Color::clear();
        } else {
            fading_ = static_cast<int>((kFadeSeconds + since) * kFramesPerSecond);
        }
    }
}

void ZVRichTextBackground::resetFrame() {
    path_ = QPainterPath();
    // Pieces that overlap must not cancel each other out.
    path_.setFillRule(Qt::WindingFill);
}

void ZVRichTextBackground::addFrame(const QRectF& frame) {
    path_.addRect(frame);
}

void ZVRichTextBackground::draw(QPainter& painter) const {
    if (color_) {
        painter.fillPath(path_, platform::resolveColor(*color_));
    }
}

QRectF ZVRichTextBackground::boundingRect() const {
    return path_.boundingRect();
}

void ZVRichTextBackground::animate() {
    const int before = fading_--;
    // The last second of the fade takes the colour to transparent.
    if (before <= kFramesPerSecond && color_) {
        color_ = colorWithAlpha(*color_, static_cast<double>(before - 1) / kFramesPerSecond);
    }
}
