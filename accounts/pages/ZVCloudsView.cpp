#include "accounts/pages/ZVCloudsView.h"

#include "platform/ui/controls/ImageView.h"
#include "platform/ui/resources/Images.h"

#include <algorithm>

ZVCloudsView::ZVCloudsView() {
    View::setBackgroundColor(Qt::transparent);
    setUserInteractionEnabled(false);
    for (int i = 0; i < kCloudCount; ++i) {
        clouds_[i] = std::make_shared<platform::ImageView>(
            platform::Images::named(QStringLiteral("ic-clouds-onboarding-%1").arg(i + 1)));
        clouds_[i]->sizeToFit();
        addSubview(clouds_[i]);
    }
}

ZVCloudsView::~ZVCloudsView() = default;

void ZVCloudsView::layoutSubviews() {
    // A desktop has no tilt to follow: the clouds rest where the tilt would be level.
    const qreal w = frame().width();
    const qreal s = std::min(frame().width(), frame().height());
    clouds_[0]->setCenter(QPointF(w / 3, 0.2 * s));
    clouds_[1]->setCenter(QPointF(0, s - kSecondCloudLift));
    clouds_[2]->setCenter(QPointF(0.7 * w, 0.8 * s));
}
