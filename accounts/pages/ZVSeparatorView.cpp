#include "accounts/pages/ZVSeparatorView.h"

#include "platform/ui/controls/Label.h"
#include "platform/ui/text/AttributedText.h"
#include "toolkit/style/ZVColors.h"
#include "toolkit/style/ZVTextStyles.h"

#include <QtGui/QPainter>

ZVSeparatorView::ZVSeparatorView(const QString& text)
    : View(QRectF(0, 0, kWidth, ZVTextStyles::lineHeightForStyle(kTextStyle))),
      label_(std::make_shared<platform::Label>()) {
    View::setBackgroundColor(Qt::transparent);
    ZVTextStyles::styleLabel(*label_, kTextStyle);
    label_->setFont(ZVTextStyles::setItalic(ZVTextStyles::fontForStyle(kTextStyle)));
    label_->setTextAlignment(platform::TextAlignment::Center);
    label_->setText(text);
    addSubview(label_);
}

ZVSeparatorView::~ZVSeparatorView() = default;

QString ZVSeparatorView::text() const {
    return label_->text();
}

qreal ZVSeparatorView::gapHalfWidth() const {
    if (label_->text().isEmpty()) {
        return kTextPadding / 2;
    }
    const qreal textWidth = label_->sizeThatFits(bounds().size()).width();
    return (textWidth + kTextPadding) / 2;
}

void ZVSeparatorView::layoutSubviews() {
    label_->setFrame(bounds());
}

void ZVSeparatorView::drawRect(QPainter& painter, const QRectF& rect) {
    View::drawRect(painter, rect);
    const QRectF box = bounds();
    const qreal y = box.center().y();
    const qreal gap = gapHalfWidth();
    painter.setPen(QPen(platform::resolveColor(ZVColors::border()), 1));
    painter.drawLine(QPointF(box.left(), y), QPointF(box.center().x() - gap, y));
    painter.drawLine(QPointF(box.center().x() + gap, y), QPointF(box.right(), y));
}
