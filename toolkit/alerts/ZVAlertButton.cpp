#include "toolkit/alerts/ZVAlertButton.h"

#include "platform/ui/controls/ImageView.h"
#include "platform/ui/controls/Label.h"
#include "platform/ui/resources/Images.h"
#include "platform/ui/text/AttributedText.h"
#include "toolkit/alerts/AlertColors.h"
#include "toolkit/style/Geometry.h"
#include "toolkit/style/ZVTextStyles.h"

#include <QtGui/QPainter>

namespace {

constexpr qreal kHighlightWhite = 0.95;
constexpr qreal kInsetX = 14;
constexpr qreal kInsetY = 10;
constexpr qreal kIconGap = 10;
constexpr qreal kDotSize = 6;
constexpr qreal kDotSpacing = 15;
const QColor kSystemGray(142, 142, 147);
const QColor kSystemRed(255, 59, 48);

std::shared_ptr<platform::Label> makeLabel(const QString& text, int style) {
    auto label = std::make_shared<platform::Label>();
    label->setFont(ZVTextStyles::fontForStyle(style));
    label->setTextColor(platform::resolveColor(ZVTextStyles::colorForStyle(style)));
    label->setText(text);
    label->sizeToFit();
    return label;
}

}  // namespace

ZVAlertButton::ZVAlertButton(const QString& title, const QString& subtitle, const QString& iconId)
    : View(QRectF(0, 0, kDefaultWidth, title.isNull() ? kSeparatorHeight : kHeight)) {
    if (!title.isNull()) {
        label_ = makeLabel(title, kTitleStyle);
        addSubview(label_);
    }
    if (!subtitle.isEmpty()) {
        subtitleLabel_ = makeLabel(subtitle, kSubtitleStyle);
        addSubview(subtitleLabel_);
    }
    if (!iconId.isEmpty()) {
        icon_ = std::make_shared<platform::ImageView>(
            platform::Images::named(QStringLiteral("icon-action-%1").arg(iconId)));
        icon_->sizeToFit();
        addSubview(icon_);
    }
    setBackgroundColor(Qt::transparent);
    updateTitleColor();
}

std::shared_ptr<ZVAlertButton> ZVAlertButton::alertButtonWithTitle(const QString& title,
                                                                   const QString& subtitle,
                                                                   const QString& iconId) {
    return std::make_shared<ZVAlertButton>(title.isNull() ? QStringLiteral("") : title, subtitle,
                                           iconId);
}

std::shared_ptr<ZVAlertButton> ZVAlertButton::separatorButton() {
    return std::make_shared<ZVAlertButton>(QString(), QString(), QString());
}

QString ZVAlertButton::title() const {
    return label_ ? label_->text() : QString();
}

void ZVAlertButton::setHighlighted(bool highlighted) {
    if (highlighted_ != highlighted) {
        highlighted_ = highlighted;
        setNeedsDisplay();
    }
}

void ZVAlertButton::setEnabled(bool enabled) {
    enabled_ = enabled;
    updateTitleColor();
}

void ZVAlertButton::setIsDestructive(bool destructive) {
    destructive_ = destructive;
    if (destructive && label_) {
        // Marked destructive the title is orange; a later change of the enabled state gives the
        // stronger red of a destructive button that can be pressed.
        label_->setTextColor(alertColor("orange"));
        setNeedsDisplay();
        return;
    }
    updateTitleColor();
}

void ZVAlertButton::setSeparator(bool separator) {
    separator_ = separator;
    setNeedsDisplay();
}

void ZVAlertButton::setShape(std::optional<QPainterPath> shape) {
    shape_ = std::move(shape);
    setNeedsDisplay();
}

QColor ZVAlertButton::titleColor() const {
    if (!enabled_) {
        return kSystemGray;
    }
    if (destructive_) {
        return kSystemRed;
    }
    return alertColor("logo");
}

void ZVAlertButton::updateTitleColor() {
    if (label_) {
        label_->setTextColor(titleColor());
    }
    setNeedsDisplay();
}

void ZVAlertButton::layoutSubviews() {
    if (!label_) {
        return;
    }
    if (!subtitleLabel_ && !icon_) {
        label_->setCenter(CGRectGetCenter(bounds()));
        return;
    }
    QRectF rest = bounds().adjusted(kInsetX, kInsetY, -kInsetX, -kInsetY);
    if (icon_) {
        icon_->setCenter(CGRectGetCenter(CGRectExtractLeft(rest, icon_->bounds().width())));
        CGRectExtractLeft(rest, kIconGap);
    }
    label_->setCenter(CGRectGetCenter(CGRectExtractLeft(rest, label_->bounds().width())));
    if (subtitleLabel_) {
        subtitleLabel_->setCenter(
            CGRectGetCenter(CGRectExtractRight(rest, subtitleLabel_->bounds().width())));
    }
}

void ZVAlertButton::drawRect(QPainter& painter, const QRectF& /*rect*/) {
    const QRectF box = bounds();
    const QColor fill = highlighted_
                            ? QColor::fromRgbF(kHighlightWhite, kHighlightWhite, kHighlightWhite, 1)
                            : QColor(Qt::white);
    if (shape_) {
        painter.fillPath(*shape_, fill);
    } else {
        painter.fillRect(box, fill);
    }
    painter.setPen(QPen(alertColor("lighterGray"), 1));
    if (frame().x() != 0) {
        // A button to the right of another draws the line between them.
        painter.drawLine(QPointF(0.5, box.height()), QPointF(0.5, 0.5));
    }
    if (separator_) {
        painter.drawLine(QPointF(0.5, 0.5), QPointF(box.width(), 0.5));
    }
    if (isSeparator()) {
        painter.setPen(Qt::NoPen);
        painter.setBrush(alertColor("lightGray"));
        const QPointF middle = CGRectGetCenter(box);
        for (const qreal dx : {-kDotSpacing, 0.0, kDotSpacing}) {
            painter.drawEllipse(QPointF(middle.x() + dx, middle.y()), kDotSize / 2, kDotSize / 2);
        }
    }
}
