#include "platform/ui/standins/SheetButton.h"

#include "platform/foundation/Scheduler.h"
#include "platform/ui/text/FontTable.h"

#include <QtGui/QFontMetricsF>
#include <QtGui/QPainter>

namespace platform {

namespace {

constexpr qreal kTitleSize = 15;
constexpr qreal kHorizontalPadding = 12;
constexpr qreal kVerticalPadding = 10;

}  // namespace

SheetButton::SheetButton(QString title, std::function<void()> action)
    : title_(std::move(title)),
      titleColor_(Qt::black),
      highlightColor_(0, 0, 0, 40),
      font_(FontTable::systemFont(kTitleSize)) {
    if (action) {
        addTarget(TouchUpInside, [action = std::move(action)](Control& control) {
            // After the touch has been handled: the action may take the button off the screen.
            Scheduler::main().post([button = control.weak_from_this(), action] {
                if (button.lock()) {
                    action();
                }
            });
        });
    }
}

void SheetButton::setTitleColor(const QColor& color) {
    titleColor_ = color;
    setNeedsDisplay();
}

void SheetButton::setFont(const QFont& font) {
    font_ = font;
    setNeedsDisplay();
}

void SheetButton::setImage(const QImage& image) {
    image_ = image;
    setNeedsDisplay();
}

void SheetButton::setHighlighted(bool highlighted) {
    Control::setHighlighted(highlighted);
    setNeedsDisplay();
}

void SheetButton::drawRect(QPainter& painter, const QRectF& /*rect*/) {
    if (!image_.isNull()) {
        // The middle of the picture in the button's proportions.
        QRectF source(QPointF(0, 0),
                      bounds().size().scaled(QSizeF(image_.size()), Qt::KeepAspectRatio));
        source.moveCenter(QRectF(image_.rect()).center());
        painter.drawImage(bounds(), image_, source);
    }
    if (isHighlighted()) {
        painter.fillRect(bounds(), highlightColor_);
    }
    painter.setFont(font_);
    painter.setPen(isEnabled() ? titleColor_ : Qt::gray);
    painter.drawText(bounds(), Qt::AlignCenter, title_);
}

QSizeF SheetButton::sizeThatFits(QSizeF /*size*/) const {
    const QFontMetricsF metrics(font_);
    return {metrics.horizontalAdvance(title_) + 2 * kHorizontalPadding,
            metrics.height() + 2 * kVerticalPadding};
}

}  // namespace platform
