#include "platform/ui/controllers/BarItemView.h"

#include "platform/ui/controllers/BarButtonItem.h"
#include "platform/ui/resources/Images.h"
#include "platform/ui/text/FontTable.h"

#include <QtGui/QFontMetricsF>
#include <QtGui/QPainter>
#include <QtGui/QPainterPath>

namespace platform {

namespace {

constexpr qreal kFontSize = 17;
constexpr qreal kChevronHeight = 21;
constexpr qreal kChevronStroke = 3;

}  // namespace

BarItemView::BarItemView(std::shared_ptr<BarButtonItem> item) : item_(std::move(item)) {
    addTarget(TouchUpInside, [this](Control&) { tapped(); });
    Control::setEnabled(item_->isEnabled());
}

BarItemView::BarItemView(const QString& title, std::function<void()> onTap)
    : backTitle_(title), back_(true), onTap_(std::move(onTap)) {
    addTarget(TouchUpInside, [this](Control&) { tapped(); });
}

BarItemView::~BarItemView() = default;

QFont BarItemView::font(bool bold) {
    return FontTable::systemFont(kFontSize, bold);
}

QString BarItemView::title() const {
    return back_ ? backTitle_ : item_->title();
}

void BarItemView::setTint(const QColor& tint) {
    tint_ = tint;
    setNeedsDisplay();
}

QSizeF BarItemView::sizeThatFits(QSizeF size) const {
    qreal width = 2 * kPadding;
    if (back_) {
        width += kChevronWidth;
    }
    if (!back_ && !item_->image().isNull()) {
        width += Images::pointSize(item_->image()).width();
    } else {
        const bool bold = !back_ && item_->style() == BarButtonItem::Style::Done;
        width += QFontMetricsF(font(bold)).horizontalAdvance(title());
    }
    return QSizeF(width, size.height());
}

void BarItemView::drawRect(QPainter& painter, const QRectF& rect) {
    const QColor tint = !back_ && item_->tintColor().isValid() ? item_->tintColor() : tint_;
    painter.save();
    painter.setOpacity(painter.opacity() * (isHighlighted() ? kHighlightedAlpha
                                            : isEnabled()   ? 1.0
                                                            : kDisabledAlpha));
    qreal x = rect.left() + kPadding;
    if (back_) {
        QPainterPath chevron;
        const qreal mid = rect.center().y();
        chevron.moveTo(x + kChevronWidth - kChevronStroke, mid - kChevronHeight / 2);
        chevron.lineTo(x, mid);
        chevron.lineTo(x + kChevronWidth - kChevronStroke, mid + kChevronHeight / 2);
        painter.strokePath(chevron, QPen(tint, kChevronStroke, Qt::SolidLine, Qt::RoundCap));
        x += kChevronWidth;
    }
    const QRectF content(x, rect.top(), rect.right() - kPadding - x, rect.height());
    if (!back_ && !item_->image().isNull()) {
        const QSizeF size = Images::pointSize(item_->image());
        QRectF target(QPointF(0, 0), size);
        target.moveCenter(content.center());
        painter.drawImage(target, Images::tinted(item_->image(), tint));
    } else {
        painter.setFont(font(!back_ && item_->style() == BarButtonItem::Style::Done));
        painter.setPen(tint);
        painter.drawText(content, Qt::AlignVCenter | Qt::AlignLeft, title());
    }
    painter.restore();
}

void BarItemView::setHighlighted(bool highlighted) {
    Control::setHighlighted(highlighted);
    setNeedsDisplay();
}

void BarItemView::setEnabled(bool enabled) {
    Control::setEnabled(enabled);
    setNeedsDisplay();
}

void BarItemView::tapped() {
    if (back_) {
        if (onTap_) {
            const auto onTap = onTap_;
            onTap();
        }
    } else {
        const auto item = item_;
        item->trigger();
    }
}

}  // namespace platform
