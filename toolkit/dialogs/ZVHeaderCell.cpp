#include "toolkit/dialogs/ZVHeaderCell.h"

#include "platform/ui/controls/ImageView.h"
#include "platform/ui/resources/Images.h"
#include "platform/ui/text/AttributedText.h"
#include "toolkit/style/Geometry.h"
#include "toolkit/style/ZVColorTable.h"
#include "toolkit/style/ZVColors.h"
#include "toolkit/style/ZVTextStyles.h"

ZVHeaderCell::ZVHeaderCell(Style style, QString reuseIdentifier)
    : ZVDialogCell(style, std::move(reuseIdentifier)) {
    ZVTextStyles::styleLabel(*textLabel(), kLabelStyle);
    const QColor background = platform::resolveColor(ZVColors::background());
    setBackgroundColor(background);
    textLabel()->setBackgroundColor(background);
    setHeight(kHeight);
    setIndents(false);
}

ZVHeaderCell::~ZVHeaderCell() = default;

void ZVHeaderCell::setTitle(const QString& title, long /*count*/) {
    platform::TextAttributes attributes = ZVTextStyles::attributesForStyle(kTitleStyle);
    attributes.insert(platform::TextAttribute::ForegroundColor,
                      QVariant::fromValue(ZVColorTable::colorWithName(kTitleColor)));
    textLabel()->setAttributedText(platform::AttributedString(title.toUpper(), attributes));
    setNeedsLayout();
}

void ZVHeaderCell::setIndex(long index, const QString& title) {
    if (indexView_) {
        indexView_->removeFromSuperview();
    }
    indexView_ = View::make<platform::ImageView>(
        platform::Images::named(QStringLiteral("icon-%1").arg(index)));
    indexView_->sizeToFit();
    contentView()->addSubview(indexView_);
    setTitle(title, 0);
}

void ZVHeaderCell::layoutSubviews() {
    ZVDialogCell::layoutSubviews();
    const auto& label = textLabel();
    label->setHidden(false);
    QRectF rect = contentBounds();
    if (indexView_) {
        const QRectF strip = CGRectExtractLeft(rect, indexView_->bounds().width());
        indexView_->setCenter(CGRectGetCenter(strip));
        CGRectExtractLeft(rect, kIndexGap);
    }
    label->setFrame(rect);
}
