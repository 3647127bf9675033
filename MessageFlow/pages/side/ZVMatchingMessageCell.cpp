#include "MessageFlow/pages/side/ZVMatchingMessageCell.h"

#include "ZelvoKit/model/Message.h"
#include "ZelvoKit/support/text/ZVLocalization.h"
#include "platform/ui/controls/Label.h"
#include "toolkit/richtext/ZVRichText.h"
#include "toolkit/richtext/message/ZVRichMessageRepresentation.h"
#include "toolkit/style/AttributedStringUtils.h"
#include "toolkit/style/ViewLayout.h"
#include "toolkit/style/ZVTextStyles.h"

namespace {

// The poster and the time sized to fit, in one row at the left, on one baseline.
constexpr int kMatchingHeaderFlags = kAlignSizeLabelsToFit | kAlignBottom | kAlignLeft;

}  // namespace

ZVMatchingMessageCell::ZVMatchingMessageCell(Style style, QString reuseIdentifier)
    : ZVTableViewCell(style, std::move(reuseIdentifier)),
      poster_(platform::View::make<platform::Label>()),
      timestamp_(platform::View::make<platform::Label>()),
      preview_(platform::View::make<ZVRichText>()),
      separator_(platform::View::make()) {
    poster_->setFont(ZVTextStyles::fontForStyle(kPosterStyle));
    timestamp_->setFont(ZVTextStyles::fontForStyle(kTimestampStyle));
    separator_->setBackgroundColor(
        QColor::fromRgbF(kSeparatorWhite, kSeparatorWhite, kSeparatorWhite));
    for (const auto& part : std::initializer_list<std::shared_ptr<platform::View>>{
             poster_, timestamp_, preview_, separator_}) {
        contentView()->addSubview(part);
    }
}

ZVMatchingMessageCell::~ZVMatchingMessageCell() = default;

void ZVMatchingMessageCell::setMessage(const std::shared_ptr<Message>& message) {
    const auto model = message ? ZVRichMessageRepresentation::of(message) : nullptr;
    if (!model) {
        poster_->setText(QString());
        timestamp_->setText(QString());
        preview_->setAttributedText({});
        return;
    }
    poster_->setText(model->posterName());
    timestamp_->setText(ZVLocalization::formatDate(message->postedTime(), true));
    preview_->setAttributedText(
        extractHighlightedFragmentFitInLength(model->searchMatchText(), kFragmentLength));
    setNeedsLayout();
}

void ZVMatchingMessageCell::layoutSubviews() {
    ZVTableViewCell::layoutSubviews();
    contentView()->setFrame(bounds());
    const QRectF area = bounds().adjusted(kInsetX, kInsetY, -kInsetX, -kInsetY);
    const qreal lineHeight = ZVTextStyles::lineHeightForStyle(kHeaderLineStyle);
    alignViews({poster_, timestamp_}, QRectF(area.left(), area.top(), area.width(), lineHeight),
               kMatchingHeaderFlags, poster_);
    preview_->setFrame(
        QRectF(area.left(), area.top() + lineHeight, area.width(), area.height() - lineHeight));
    separator_->setFrame(QRectF(0, bounds().height() - 1, bounds().width(), 1));
}
