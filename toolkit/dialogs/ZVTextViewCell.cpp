#include "toolkit/dialogs/ZVTextViewCell.h"

#include "platform/ui/controls/Label.h"
#include "toolkit/style/ZVTextStyles.h"
#include "toolkit/tables/ZVTextView.h"

ZVTextViewCell::ZVTextViewCell()
    : ZVDialogCell(Style::Default, QString()),
      textView_(View::make<ZVTextView>(kInitialTextViewFrame)),
      placeholder_(View::make<platform::Label>()) {
    textView_->setReturnKeyType(platform::ReturnKeyType::Done);
    textView_->setFont(ZVTextStyles::fontForStyle(kTextStyle));
    contentView()->addSubview(textView_);

    placeholder_->setBackgroundColor(Qt::transparent);
    placeholder_->setHidden(true);
    placeholder_->setUserInteractionEnabled(false);
    ZVTextStyles::styleLabel(*placeholder_, kPlaceholderStyle);
    contentView()->addSubview(placeholder_);

    // The observation is the cell's: it ends with the cell.
    contentSize_ =
        textView_->observe(ZVTextView::kContentSizeKey, [this](const QString&) { updateHeight(); });
    setFrame(kInitialFrame);
    setHighlightable(false);
    updateHeight();
}

ZVTextViewCell::~ZVTextViewCell() = default;

void ZVTextViewCell::updateHeight() {
    setHeight(std::max(textView_->contentSize().height(), kMinimumHeight));
}

QString ZVTextViewCell::placeholder() const {
    return placeholder_->text();
}

void ZVTextViewCell::setPlaceholder(const QString& placeholder) {
    placeholder_->setText(placeholder);
    notifyTextChange();
}

void ZVTextViewCell::notifyTextChange() {
    placeholder_->setHidden(placeholder_->text().isEmpty() || !textView_->text().isEmpty());
}

void ZVTextViewCell::layoutSubviews() {
    ZVDialogCell::layoutSubviews();
    textView_->setFrame(contentBounds());
    placeholder_->setFrame(textView_->frame());
}
