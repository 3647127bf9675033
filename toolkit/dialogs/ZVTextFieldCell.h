#pragma once

#include "toolkit/dialogs/ZVDialogCell.h"

namespace platform {
class TextField;
}

// A row of one line of text input.
class ZVTextFieldCell : public ZVDialogCell {
public:
    static constexpr QRectF kInitialTextFieldFrame{10, 10, 300, 30};
    static constexpr int kTextStyle = 0;

    ZVTextFieldCell();
    ~ZVTextFieldCell() override;

    const std::shared_ptr<platform::TextField>& textField() const { return textField_; }
    void layoutSubviews() override;

private:
    std::shared_ptr<platform::TextField> textField_;
};
