#pragma once

#include "toolkit/dialogs/ZVDialogCell.h"

namespace platform {
class Button;
}

// A row holding one full-width action button.
class ZVButtonCell : public ZVDialogCell {
public:
    static constexpr qreal kSideMargin = 13;
    static constexpr qreal kVerticalRoom = 10;

    ZVButtonCell(const QString& title, int style);
    ~ZVButtonCell() override;

    const std::shared_ptr<platform::Button>& button() const { return button_; }
    void layoutSubviews() override;

private:
    std::shared_ptr<platform::Button> button_;
};
