#include "toolkit/dialogs/ZVButtonCell.h"

#include "platform/ui/controls/Button.h"
#include "toolkit/widgets/ZVBranding.h"

ZVButtonCell::ZVButtonCell(const QString& title, int style)
    : ZVDialogCell(Style::Default, QString()),
      button_(ZVBranding::createActionButtonWithTitle(title, style)) {
    contentView()->addSubview(button_);
    setHeight(button_->frame().height() + kVerticalRoom);
    setIndents(false);
}

ZVButtonCell::~ZVButtonCell() = default;

void ZVButtonCell::layoutSubviews() {
    ZVDialogCell::layoutSubviews();
    const QRectF content = contentView()->bounds();
    const qreal height = button_->frame().height();
    button_->setFrame(QRectF(kSideMargin, content.top() + (content.height() - height) / 2,
                             content.width() - 2 * kSideMargin, height));
}
