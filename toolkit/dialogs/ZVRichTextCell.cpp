#include "toolkit/dialogs/ZVRichTextCell.h"

#include "platform/ui/text/AttributedText.h"
#include "toolkit/richtext/ZVRichText.h"
#include "toolkit/richtext/ZVRichTextLayout.h"
#include "toolkit/style/ZVColors.h"

ZVRichTextCell::ZVRichTextCell(Style style, QString reuseIdentifier)
    : ZVDialogCell(style, std::move(reuseIdentifier)), text_(View::make<ZVRichText>()) {
    textLabel()->setHidden(true);
    text_->setBackgroundColor(platform::resolveColor(ZVColors::background()));
    contentView()->addSubview(text_);
    setHighlightable(false);
}

ZVRichTextCell::~ZVRichTextCell() = default;

void ZVRichTextCell::setAttributedText(const platform::AttributedString& text) {
    attributedText_ = text;
    text_->setAttributedText(text);
    setHeight(ZVRichTextLayout::heightForText(text, bounds().width() - 2 * kInset) + 2 * kInset);
    setNeedsLayout();
}

void ZVRichTextCell::layoutSubviews() {
    ZVDialogCell::layoutSubviews();
    text_->setFrame(contentView()->bounds().adjusted(kInset, kInset, -kInset, -kInset));
}
