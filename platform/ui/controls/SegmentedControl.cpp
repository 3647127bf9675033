#include "platform/ui/controls/SegmentedControl.h"

#include "platform/ui/controls/ImageView.h"
#include "platform/ui/text/FontTable.h"

#include <QtGui/QFontMetricsF>
#include <QtGui/QPainter>
#include <QtGui/QPainterPath>

namespace platform {

namespace {

constexpr qreal kCornerRadius = 4;
constexpr qreal kTitlePadding = 10;
constexpr qreal kDisabledAlpha = 0.3;

}  // namespace

SegmentedControl::SegmentedControl() : SegmentedControl(QStringList()) {}

SegmentedControl::SegmentedControl(const QStringList& titles) : tint_(ImageView::kDefaultTint) {
    for (const QString& title : titles) {
        segments_.push_back({title, true});
    }
    setFrame({QPointF(), sizeThatFits({})});
}

void SegmentedControl::insertSegment(const QString& title, int index) {
    index = std::clamp(index, 0, numberOfSegments());
    segments_.insert(segments_.begin() + index, {title, true});
    if (selected_ >= index) {
        ++selected_;
    }
    setNeedsDisplay();
}

void SegmentedControl::removeSegment(int index) {
    if (index < 0 || index >= numberOfSegments()) {
        return;
    }
    segments_.erase(segments_.begin() + index);
    if (selected_ == index) {
        selected_ = kNoSegment;
    } else if (selected_ > index) {
        --selected_;
    }
    setNeedsDisplay();
}

void SegmentedControl::removeAllSegments() {
    segments_.clear();
    selected_ = kNoSegment;
    setNeedsDisplay();
}

QString SegmentedControl::titleForSegment(int index) const {
    return index >= 0 && index < numberOfSegments() ? segments_[index].title : QString();
}

void SegmentedControl::setTitle(const QString& title, int index) {
    if (index >= 0 && index < numberOfSegments()) {
        segments_[index].title = title;
        setNeedsDisplay();
    }
}

bool SegmentedControl::isEnabledForSegment(int index) const {
    return index >= 0 && index < numberOfSegments() && segments_[index].enabled;
}

void SegmentedControl::setEnabledForSegment(bool enabled, int index) {
    if (index >= 0 && index < numberOfSegments()) {
        segments_[index].enabled = enabled;
        setNeedsDisplay();
    }
}

void SegmentedControl::setSelectedSegmentIndex(int index) {
    selected_ = index >= 0 && index < numberOfSegments() ? index : kNoSegment;
    setNeedsDisplay();
}

void SegmentedControl::setTintColor(const QColor& color) {
    tint_ = color;
    setNeedsDisplay();
}

QRectF SegmentedControl::rectForSegment(int index) const {
    if (index < 0 || index >= numberOfSegments()) {
        return {};
    }
    const qreal width = bounds().width() / numberOfSegments();
    return {bounds().left() + index * width, bounds().top(), width, bounds().height()};
}

int SegmentedControl::segmentAt(QPointF point) const {
    if (segments_.empty() || bounds().width() <= 0 || !bounds().contains(point)) {
        return kNoSegment;
    }
    const int index =
        static_cast<int>((point.x() - bounds().left()) * numberOfSegments() / bounds().width());
    return std::min(index, numberOfSegments() - 1);
}

void SegmentedControl::touchesEnded(const TouchSet& touches, const TouchEvent& event) {
    const bool wasTracking = isTracking();
    const int index = segmentAt(touches.front()->locationInView(this));
    Control::touchesEnded(touches, event);
    if (wasTracking && isEnabledForSegment(index) && index != selected_) {
        setSelectedSegmentIndex(index);
        sendActionsForEvents(ValueChanged);
    }
}

QSizeF SegmentedControl::sizeThatFits(QSizeF /*size*/) const {
    const QFontMetricsF metrics(FontTable::systemFont(kTitleFontSize));
    qreal widest = 0;
    for (const Segment& segment : segments_) {
        widest = std::max(widest, metrics.horizontalAdvance(segment.title));
    }
    return {std::ceil((widest + 2 * kTitlePadding) * numberOfSegments()), kDefaultHeight};
}

void SegmentedControl::drawRect(QPainter& painter, const QRectF& /*rect*/) {
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF box = bounds().adjusted(0.5, 0.5, -0.5, -0.5);
    QPainterPath outline;
    outline.addRoundedRect(box, kCornerRadius, kCornerRadius);
    painter.setClipPath(outline);
    if (selected_ != kNoSegment) {
        painter.fillRect(rectForSegment(selected_), tint_);
    }
    painter.setFont(FontTable::systemFont(kTitleFontSize));
    for (int i = 0; i < numberOfSegments(); ++i) {
        const QRectF segment = rectForSegment(i);
        if (i > 0) {
            painter.setPen(QPen(tint_, 1));
            painter.drawLine(segment.topLeft(), segment.bottomLeft());
        }
        QColor text = i == selected_ ? QColor(Qt::white) : tint_;
        if (!isEnabled() || !segments_[i].enabled) {
            text.setAlphaF(kDisabledAlpha);
        }
        painter.setPen(text);
        painter.drawText(segment, Qt::AlignCenter, segments_[i].title);
    }
    painter.setClipping(false);
    painter.setPen(QPen(tint_, 1));
    painter.setBrush(Qt::NoBrush);
    painter.drawPath(outline);
    painter.restore();
}

}  // namespace platform
