#include "accounts/pages/ZVSuccessView.h"

#include "platform/ui/controls/ImageView.h"
#include "platform/ui/resources/Images.h"

using namespace Qt::StringLiterals;

ZVSuccessView::ZVSuccessView()
    : checkmark_(std::make_shared<platform::ImageView>(
          platform::Images::named(u"icon-success-checkmark"_s))),
      spark_(
          std::make_shared<platform::ImageView>(platform::Images::named(u"icon-success-spark"_s))) {
    View::setBackgroundColor(Qt::transparent);
    checkmark_->sizeToFit();
    spark_->sizeToFit();
    addSubview(checkmark_);
    addSubview(spark_);
    // As tall as the checkmark, so the page gives it its room.
    setFrame(QRectF(0, 0, checkmark_->frame().width(), checkmark_->frame().height()));
}

ZVSuccessView::~ZVSuccessView() = default;

void ZVSuccessView::layoutSubviews() {
    const QPointF centre = bounds().center();
    checkmark_->setCenter(centre);
    const qreal d = checkmark_->frame().width() / 2 - kSparkInset;
    spark_->setCenter(QPointF(centre.x() + d, centre.y() - d));
}
