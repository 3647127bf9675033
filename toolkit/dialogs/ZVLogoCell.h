#pragma once

#include "toolkit/dialogs/ZVDialogCell.h"

namespace platform {
class ImageView;
}

// The application's mark centred in a row, in the logo colour.
class ZVLogoCell : public ZVDialogCell {
public:
    static inline const QString kImageName = QStringLiteral("icon-logo-login");
    static constexpr qreal kMargin = 20;

    ZVLogoCell();
    ~ZVLogoCell() override;

    const std::shared_ptr<platform::ImageView>& logo() const { return logo_; }
    void layoutSubviews() override;

private:
    std::shared_ptr<platform::ImageView> logo_;
};
