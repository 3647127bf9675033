#include "platform/ui/controls/ActivityIndicator.h"

#include <QtGui/QPainter>

#include <cmath>

namespace platform {

namespace {

const QColor kGrayColor(0x80, 0x80, 0x80);
// The faintest spoke's opacity; the others brighten towards the leading one.
constexpr qreal kTrailAlpha = 0.25;
constexpr qreal kSpokeWidthRatio = 0.09;
constexpr qreal kInnerRadiusRatio = 0.45;

QColor defaultColor(ActivityIndicator::Style style) {
    return style == ActivityIndicator::Style::Gray ? kGrayColor : QColor(Qt::white);
}

}  // namespace

ActivityIndicator::ActivityIndicator(Style style) : style_(style), color_(defaultColor(style)) {
    const qreal side = style == Style::WhiteLarge ? kLargeSize : kSmallSize;
    setFrame({0, 0, side, side});
    setUserInteractionEnabled(false);
    setHidden(true);
}

ActivityIndicator::~ActivityIndicator() = default;

void ActivityIndicator::setStyle(Style style) {
    style_ = style;
    color_ = defaultColor(style);
    setNeedsDisplay();
}

void ActivityIndicator::setColor(const QColor& color) {
    color_ = color;
    setNeedsDisplay();
}

void ActivityIndicator::startAnimating() {
    setHidden(false);
    if (animating_) {
        return;
    }
    animating_ = true;
    timer_ = Scheduler::main().every(kStepInterval, [this] {
        phase_ = (phase_ + 1) % kSpokes;
        setNeedsDisplay();
    });
}

void ActivityIndicator::stopAnimating() {
    animating_ = false;
    timer_.cancel();
    if (hidesWhenStopped_) {
        setHidden(true);
    }
}

void ActivityIndicator::setHidesWhenStopped(bool hides) {
    hidesWhenStopped_ = hides;
    setHidden(hides && !animating_);
}

QSizeF ActivityIndicator::sizeThatFits(QSizeF /*size*/) const {
    const qreal side = style_ == Style::WhiteLarge ? kLargeSize : kSmallSize;
    return {side, side};
}

void ActivityIndicator::drawRect(QPainter& painter, const QRectF& /*rect*/) {
    const QRectF box = bounds();
    const qreal radius = std::min(box.width(), box.height()) / 2;
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.translate(box.center());
    QPen pen;
    pen.setWidthF(radius * 2 * kSpokeWidthRatio);
    pen.setCapStyle(Qt::RoundCap);
    for (int i = 0; i < kSpokes; ++i) {
        // Spoke `phase_` leads; the ones behind it fade.
        const int behind = (phase_ - i + kSpokes) % kSpokes;
        QColor colour = color_;
        colour.setAlphaF(color_.alphaF() *
                         (1 - (1 - kTrailAlpha) * behind / static_cast<qreal>(kSpokes - 1)));
        pen.setColor(colour);
        painter.setPen(pen);
        const qreal angle = 2 * M_PI * i / kSpokes;
        const QPointF direction(std::sin(angle), -std::cos(angle));
        painter.drawLine(direction * radius * kInnerRadiusRatio,
                         direction * (radius - pen.widthF() / 2));
    }
    painter.restore();
}

}  // namespace platform
