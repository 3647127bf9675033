#pragma once

#include "MessageEditor/ZVAutoCompleteCell.h"
#include "toolkit/dialogs/ZVDialogCell.h"

// The picker's row for plain suggestions: a string, styled text, or a pair of the suggestion and
// a hint shown beside it ("/task", "message"). Choosing it inserts the suggestion without a
// leading "/" and with a space after it.
class ZVAutoCompletePickerCell : public ZVDialogCell, public ZVAutoCompleteCell {
public:
    static constexpr int kTextStyle = 1;
    static constexpr int kDetailStyle = 13;
    static constexpr qreal kLayoutInset = 5;

    ZVAutoCompletePickerCell(Style style, QString reuseIdentifier);

    void setItem(const QVariant& item) override;
    QString text() const override;
    void layoutSubviews() override;

private:
    void setMainItem(const QVariant& item);
};
