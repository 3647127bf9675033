#include "toolkit/widgets/ZVInformationBanner.h"

#include "platform/ui/text/AttributedText.h"
#include "toolkit/richtext/ZVRichText.h"
#include "toolkit/richtext/ZVRichTextLayout.h"
#include "toolkit/style/ColorUtils.h"
#include "toolkit/style/ZVColors.h"

#include <QtGui/QPainter>
#include <QtGui/QPainterPath>

using platform::resolveColor;

ZVInformationBanner::ZVInformationBanner() : text_(std::make_shared<ZVRichText>()) {
    setBackgroundColor(resolveColor(ZVColors::background()));
    addSubview(text_);
}

ZVInformationBanner::~ZVInformationBanner() = default;

const platform::AttributedString& ZVInformationBanner::message() const {
    return text_->attributedText();
}

void ZVInformationBanner::setMessage(const platform::AttributedString& message) {
    text_->setAttributedText(message);
    setFrame(frame());
    setNeedsLayout();
}

void ZVInformationBanner::setFrame(const QRectF& frame) {
    QRectF adjusted = frame;
    if (!message().isEmpty()) {
        adjusted.setHeight(
            ZVRichTextLayout::heightForText(message(), frame.width() - kTextWidthLoss) +
            kTextHeightExtra);
    }
    View::setFrame(adjusted);
}

void ZVInformationBanner::layoutSubviews() {
    text_->setFrame(
        bounds().adjusted(kTextInset + kStripeWidth, kTextInset, -kTextInset, -kTextInset));
}

void ZVInformationBanner::drawRect(QPainter& painter, const QRectF& rect) {
    View::drawRect(painter, rect);
    const QRectF card = bounds().adjusted(kCardInset, kCardInset, -kCardInset, -kCardInset);
    painter.setRenderHint(QPainter::Antialiasing);
    QPainterPath outline;
    outline.addRoundedRect(card, kCardRadius, kCardRadius);
    painter.fillPath(outline, Qt::white);

    // The stripe takes the card's left corners: it is the card's left edge, clipped to the card.
    painter.save();
    painter.setClipPath(outline);
    painter.fillRect(QRectF(card.x(), card.y(), kStripeWidth, card.height()),
                     resolveColor(colorWithName(QStringLiteral("gradient_from"))));
    painter.restore();
    painter.strokePath(outline, QPen(resolveColor(ZVColors::border()), 1));
}
