#include "MessageFlow/markers/ZVHorizonIndicatorView.h"

#include "platform/ui/controls/Label.h"
#include "platform/ui/text/AttributedText.h"
#include "platform/ui/view/Touch.h"
#include "toolkit/style/ZVColorTable.h"
#include "toolkit/style/ZVTextStyles.h"

#include <QtGui/QLinearGradient>
#include <QtGui/QPainter>

ZVHorizonIndicatorView::ZVHorizonIndicatorView() : nameLabel_(std::make_shared<platform::Label>()) {
    ZVTextStyles::styleLabel(*nameLabel_, kNameStyle);
    nameLabel_->setBackgroundColor(Qt::transparent);
    View::setBackgroundColor(Qt::transparent);
    addSubview(nameLabel_);
}

ZVHorizonIndicatorView::~ZVHorizonIndicatorView() = default;

QString ZVHorizonIndicatorView::name() const {
    return nameLabel_->text();
}

void ZVHorizonIndicatorView::setName(const QString& name) {
    nameLabel_->setText(name);
    nameLabel_->sizeToFit();
    setNeedsLayout();
    setNeedsDisplay();
}

void ZVHorizonIndicatorView::setHighlighted(bool highlighted) {
    highlighted_ = highlighted;
    View::setBackgroundColor(
        highlighted ? platform::resolveColor(ZVColorTable::colorWithName(kHighlightColorName))
                    : QColor(Qt::transparent));
}

void ZVHorizonIndicatorView::setLocation(qreal y, qreal offset) {
    const View* holder = superview();
    const qreal right = holder ? holder->bounds().width() - offset : frame().right();
    const QSizeF size = frame().size();
    setFrame(QRectF(right - size.width(), y - size.height() / 2, size.width(), size.height()));
}

void ZVHorizonIndicatorView::layoutSubviews() {
    const QRectF area = bounds();
    const QSizeF label = nameLabel_->frame().size();
    nameLabel_->setFrame(QRectF(area.right() - label.width(),
                                area.top() + (area.height() - label.height()) / 2, label.width(),
                                label.height()));
    // The line is drawn against the label's place, which follows the bounds.
    setNeedsDisplay();
}

void ZVHorizonIndicatorView::drawRect(QPainter& painter, const QRectF& rect) {
    View::drawRect(painter, rect);
    if (name().isEmpty()) {
        return;
    }
    const qreal end = nameLabel_->frame().left() - kLineGap;
    const qreal y = bounds().center().y();
    QLinearGradient gradient(QPointF(end - kLineLength, y), QPointF(end, y));
    gradient.setColorAt(0, Qt::white);
    gradient.setColorAt(1, Qt::lightGray);
    painter.fillRect(QRectF(end - kLineLength, y - 0.5, kLineLength, 1), gradient);
}

void ZVHorizonIndicatorView::touchesBegan(const platform::TouchSet& touches,
                                          const platform::TouchEvent& /*event*/) {
    if (touches.empty()) {
        return;
    }
    const QPointF at = touches.front()->locationInView(this);
    if (at.x() >= nameLabel_->frame().left()) {
        setHighlighted(true);
    }
}

void ZVHorizonIndicatorView::touchesEnded(const platform::TouchSet& /*touches*/,
                                          const platform::TouchEvent& /*event*/) {
    const bool wasHighlighted = highlighted_;
    setHighlighted(false);
    if (wasHighlighted) {
        tapped();
    }
}

void ZVHorizonIndicatorView::touchesCancelled(const platform::TouchSet& /*touches*/,
                                              const platform::TouchEvent& /*event*/) {
    setHighlighted(false);
}
