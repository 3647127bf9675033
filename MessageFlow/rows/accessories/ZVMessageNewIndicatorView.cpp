#include "MessageFlow/rows/accessories/ZVMessageNewIndicatorView.h"

#include "platform/ui/controls/Button.h"
#include "platform/ui/text/AttributedText.h"
#include "toolkit/style/Geometry.h"
#include "toolkit/style/ZVColors.h"
#include "toolkit/widgets/ZVBranding.h"

#include <QtGui/QPainter>

#include <cmath>

ZVMessageNewIndicatorView::ZVMessageNewIndicatorView(std::weak_ptr<ZVMessageCell> cell)
    : ZVMessageAccessoryView(std::move(cell), kHeight),
      button_(ZVBranding::createBadgeButtonWithTitle(kTitle)) {
    View::setBackgroundColor(platform::resolveColor(ZVColors::background()));
    button_->setBackgroundColor(platform::resolveColor(ZVColors::orange()));
    addSubview(button_);
}

ZVMessageNewIndicatorView::~ZVMessageNewIndicatorView() = default;

void ZVMessageNewIndicatorView::layoutSubviews() {
    button_->setCenter(CGRectGetCenter(bounds()));
}

void ZVMessageNewIndicatorView::drawRect(QPainter& painter, const QRectF& rect) {
    View::drawRect(painter, rect);
    const QRectF area = bounds();
    // On whole points, so that the rule is one crisp line.
    const qreal y = std::floor(button_->frame().center().y());
    painter.fillRect(QRectF(area.left() + kLineInset, y, area.width() - 2 * kLineInset, 1),
                     platform::resolveColor(ZVColors::orange()));
}
