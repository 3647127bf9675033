#include "toolkit/dialogs/ZVLabelCell.h"

#include "platform/ui/controls/ImageView.h"
#include "platform/ui/resources/Images.h"
#include "toolkit/style/Geometry.h"
#include "toolkit/style/ViewLayout.h"
#include "toolkit/style/ZVTextStyles.h"

#include <QtCore/QtMath>

ZVLabelCell::ZVLabelCell() : ZVLabelCell(Style::Value1, QString()) {}

ZVLabelCell::ZVLabelCell(Style style, QString reuseIdentifier)
    : ZVDialogCell(style, std::move(reuseIdentifier)) {
    ZVTextStyles::styleLabel(*textLabel(), kLabelStyle);
    if (const auto& detail = detailTextLabel()) {
        ZVTextStyles::styleLabel(*detail, kDetailStyle);
    }
}

ZVLabelCell::~ZVLabelCell() = default;

QString ZVLabelCell::labelText() const {
    return const_cast<ZVLabelCell*>(this)->textLabel()->text();
}

void ZVLabelCell::setLabelText(const QString& text) {
    textLabel()->setText(text);
    setNeedsLayout();
}

QString ZVLabelCell::detailText() const {
    return const_cast<ZVLabelCell*>(this)->detailTextLabel()->text();
}

void ZVLabelCell::setDetailText(const QString& text) {
    detailTextLabel()->setText(text);
    setNeedsLayout();
}

void ZVLabelCell::setDetailStyle(bool disclose) {
    if (disclose == detailStyle()) {
        return;
    }
    if (disclose) {
        discloseIndicator_ =
            View::make<platform::ImageView>(platform::Images::named(kIndicatorImage));
        discloseIndicator_->sizeToFit();
        // The downward chevron turned to point right.
        discloseIndicator_->setTransform(QTransform().rotateRadians(-M_PI_2));
        contentView()->addSubview(discloseIndicator_);
    } else {
        discloseIndicator_->removeFromSuperview();
        discloseIndicator_.reset();
    }
    setNeedsLayout();
}

void ZVLabelCell::layoutSubviews() {
    ZVDialogCell::layoutSubviews();
    QRectF rect = contentBounds();
    if (discloseIndicator_) {
        const QRectF strip = CGRectExtractRight(rect, discloseIndicator_->frame().width());
        discloseIndicator_->setCenter(CGRectGetCenter(strip));
        CGRectExtractRight(rect, kIndicatorGap);
    }
    ViewList views{textLabel()};
    if (const auto& detail = detailTextLabel()) {
        views.push_back(detail);
    }
    alignViews(views, rect, kLayoutFlags, textLabel());
}
