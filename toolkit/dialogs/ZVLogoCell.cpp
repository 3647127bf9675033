#include "toolkit/dialogs/ZVLogoCell.h"

#include "platform/ui/controls/ImageView.h"
#include "platform/ui/resources/Images.h"
#include "platform/ui/text/AttributedText.h"
#include "toolkit/style/Geometry.h"
#include "toolkit/style/ZVColors.h"

ZVLogoCell::ZVLogoCell() {
    textLabel()->setHidden(true);
    setHighlightable(false);
    logo_ = View::make<platform::ImageView>(platform::Images::named(kImageName));
    logo_->setRenderingMode(platform::ImageRenderingMode::AlwaysTemplate);
    logo_->setTintColor(platform::resolveColor(ZVColors::logo()));
    logo_->sizeToFit();
    contentView()->addSubview(logo_);
    setHeight(logo_->bounds().height() + kMargin);
}

ZVLogoCell::~ZVLogoCell() = default;

void ZVLogoCell::layoutSubviews() {
    ZVDialogCell::layoutSubviews();
    logo_->setCenter(CGRectGetCenter(contentView()->bounds()));
}
