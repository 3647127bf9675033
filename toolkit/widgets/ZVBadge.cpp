#include "toolkit/widgets/ZVBadge.h"

#include "platform/ui/animation/ViewAnimation.h"
#include "platform/ui/controls/Label.h"
#include "platform/ui/resources/Images.h"
#include "platform/ui/text/AttributedText.h"
#include "toolkit/style/ZVColors.h"
#include "toolkit/style/ZVTextStyles.h"

#include <QtGui/QPainter>

using platform::resolveColor;

namespace {

// Two or more characters make a pill around the text; one sits in a circle.
bool isLong(const QString& text) {
    return text.size() > 1;
}

QSizeF badgeSizeForLabel(const QString& text, const platform::Label& label) {
    if (!isLong(text)) {
        return {ZVBadge::kHeight, ZVBadge::kHeight};
    }
    return {label.sizeThatFits({0, 0}).width() + ZVBadge::kTextPadding, ZVBadge::kHeight};
}

}  // namespace

ZVBadge::ZVBadge() : label_(std::make_shared<platform::Label>()) {
    ZVTextStyles::styleLabel(*label_, kTextStyle);
    addSubview(label_);
    setBackgroundColor(QColor());
    setAlpha(0);
    setStyle(kOrange);
}

ZVBadge::~ZVBadge() = default;

void ZVBadge::setStyle(int style) {
    style_ = style;
    QColor textColor = Qt::white;
    switch (style) {
        case kOrange:
            fill_ = outline_ = resolveColor(ZVColors::orange());
            break;
        case kGray:
            fill_ = outline_ = resolveColor(ZVColors::gray());
            break;
        case kOutlined:
            fill_ = QColor();
            outline_ = textColor = resolveColor(ZVColors::gray());
            break;
        default:
            break;
    }
    label_->setTextColor(textColor);
    setNeedsDisplay();
}

void ZVBadge::setText(const QString& text, bool animated) {
    if (text == text_ || (text.isEmpty() && text_.isEmpty())) {
        return;
    }
    if (text_.isEmpty()) {
        fade(1, animated);
    }
    text_ = text;
    if (text.isEmpty()) {
        fade(0, animated);
        return;
    }
    label_->setText(text);
    label_->sizeToFit();
    const QSizeF size = badgeSizeForLabel(text, *label_);
    const QPointF centre = center();
    setFrame(QRectF(centre.x() - size.width() / 2, centre.y() - size.height() / 2, size.width(),
                    size.height()));
    setNeedsLayout();
    setNeedsDisplay();
}

void ZVBadge::fade(qreal alpha, bool animated) {
    if (animated) {
        platform::ViewAnimation::animate(kFadeDuration, [this, alpha] { setAlpha(alpha); });
    } else {
        setAlpha(alpha);
    }
}

QPainterPath ZVBadge::pathForText(const QString& text, const QRectF& rect) {
    QPainterPath path;
    if (isLong(text)) {
        path.addRoundedRect(rect, kCornerRadius, kCornerRadius);
    } else {
        path.addEllipse(rect);
    }
    return path;
}

QImage ZVBadge::badgeWithText(const QString& text, int /*style*/) {
    if (text.isEmpty()) {
        return {};
    }
    platform::Label label;
    ZVTextStyles::styleLabel(label, kTextStyle);
    label.setText(text);
    const QSizeF textSize = label.sizeThatFits({0, 0});
    const QSizeF size = badgeSizeForLabel(text, label);
    const qreal scale = platform::Images::kDefaultScale;
    QImage image((size * scale).toSize(), QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(scale);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.fillPath(pathForText(text, QRectF(QPointF(), size)), resolveColor(ZVColors::orange()));
    label.setTextColor(Qt::white);
    label.setFrame(QRectF((size.width() - textSize.width()) / 2, (kHeight - textSize.height()) / 2,
                          textSize.width(), textSize.height()));
    painter.translate(label.frame().topLeft());
    label.drawRect(painter, label.bounds());
    return image;
}

void ZVBadge::layoutSubviews() {
    const QRectF b = bounds();
    label_->setCenter(b.center());
}

void ZVBadge::drawRect(QPainter& painter, const QRectF& /*rect*/) {
    if (text_.isEmpty()) {
        return;
    }
    const QPainterPath shape = path();
    painter.setRenderHint(QPainter::Antialiasing);
    if (fill_.isValid()) {
        painter.fillPath(shape, fill_);
    }
    if (outline_.isValid()) {
        // Inside the bounds, so that the stroke is not clipped.
        const qreal half = kOutlineWidth / 2;
        painter.strokePath(pathForText(text_, bounds().adjusted(half, half, -half, -half)),
                           QPen(outline_, kOutlineWidth));
    }
}
