#include "toolkit/tables/ZVTableMessage.h"

#include "platform/ui/controls/ActivityIndicator.h"
#include "platform/ui/text/AttributedText.h"
#include "platform/ui/text/TextFrame.h"
#include "toolkit/richtext/ZVRichText.h"
#include "toolkit/richtext/ZVRichTextLayout.h"
#include "toolkit/style/ViewLayout.h"
#include "toolkit/style/ZVColors.h"
#include "toolkit/style/ZVTextStyles.h"

ZVTableMessage::ZVTableMessage() : text_(View::make<ZVRichText>()) {
    const QColor background = platform::resolveColor(ZVColors::background());
    setBackgroundColor(background);
    text_->setBackgroundColor(background);
    addSubview(text_);
}

ZVTableMessage::~ZVTableMessage() = default;

QString ZVTableMessage::text() const {
    return text_->attributedText().string();
}

void ZVTableMessage::setText(const QString& text) {
    text_->setAttributedText(
        platform::AttributedString(text, ZVTextStyles::attributesForStyle(kTextStyle)));
    setNeedsLayout();
}

void ZVTableMessage::setActivity(bool activity) {
    if (activity == this->activity()) {
        return;
    }
    if (activity) {
        activityIndicator_ =
            View::make<platform::ActivityIndicator>(platform::ActivityIndicator::Style::Gray);
        addSubview(activityIndicator_);
        activityIndicator_->startAnimating();
        setNeedsLayout();
    } else {
        activityIndicator_->removeFromSuperview();
        activityIndicator_.reset();
    }
}

void ZVTableMessage::setFrame(const QRectF& frame) {
    QRectF sized = frame;
    if (!text_->attributedText().isEmpty()) {
        sized.setHeight(ZVRichTextLayout::heightForText(text_->attributedText(),
                                                        frame.width() - 2 * marginWidth_) +
                        2 * kVerticalInset);
    }
    View::setFrame(sized);
}

void ZVTableMessage::layoutSubviews() {
    const QRectF inset =
        bounds().adjusted(marginWidth_, kVerticalInset, -marginWidth_, -kVerticalInset);
    text_->setFrame(inset);
    if (activityIndicator_) {
        const qreal natural =
            platform::TextFrame::suggestedSize(
                platform::resolveAttributedText(text_->attributedText()),
                {platform::TextFrame::kUnlimited, platform::TextFrame::kUnlimited})
                .width();
        const qreal half = activityIndicator_->bounds().width() / 2;
        activityIndicator_->setCenter(
            {inset.left() + natural + kSpinnerGap + half, inset.center().y()});
    }
}

void ZVTableMessage::drawRect(QPainter& painter, const QRectF& rect) {
    View::drawRect(painter, rect);
    drawSeparator(painter, bounds(), separatorAbove_, separatorBelow_);
}
