#include "toolkit/dialogs/ZVTextFieldCell.h"

#include "platform/ui/controls/TextField.h"
#include "toolkit/style/ZVTextStyles.h"

ZVTextFieldCell::ZVTextFieldCell()
    : ZVDialogCell(Style::Default, QString()),
      textField_(View::make<platform::TextField>(kInitialTextFieldFrame)) {
    textField_->setReturnKeyType(platform::ReturnKeyType::Done);
    textField_->setFont(ZVTextStyles::fontForStyle(kTextStyle));
    contentView()->addSubview(textField_);
    setHighlightable(false);
}

ZVTextFieldCell::~ZVTextFieldCell() = default;

void ZVTextFieldCell::layoutSubviews() {
    ZVDialogCell::layoutSubviews();
    textField_->setFrame(contentBounds());
}
