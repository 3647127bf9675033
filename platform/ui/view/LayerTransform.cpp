#include "platform/ui/view/LayerTransform.h"

#include <cmath>

namespace platform {

LayerTransform LayerTransform::translated(qreal x, qreal y) {
    LayerTransform t;
    t.translation = {x, y};
    return t;
}

LayerTransform LayerTransform::scaled(qreal x, qreal y) {
    LayerTransform t;
    t.scale = {x, y};
    return t;
}

LayerTransform LayerTransform::flippedAboutX(qreal angle, qreal perspective) {
    LayerTransform t;
    t.rotationX = angle;
    t.perspective = perspective;
    return t;
}

LayerTransform LayerTransform::fromAffine(const QTransform& affine) {
    LayerTransform t;
    t.translation = {affine.dx(), affine.dy()};
    t.scale = {std::hypot(affine.m11(), affine.m12()), std::hypot(affine.m21(), affine.m22())};
    t.rotation = std::atan2(affine.m12(), affine.m11());
    return t;
}

bool LayerTransform::isIdentity() const {
    return *this == LayerTransform();
}

QTransform LayerTransform::toQTransform() const {
    const QTransform scaling = QTransform::fromScale(scale.x(), scale.y());
    QTransform turning;
    turning.rotateRadians(rotation);
    // Rotation about x of the plane z = 0, then the perspective divide by 1 + z * perspective.
    const qreal c = std::cos(rotationX);
    const qreal s = std::sin(rotationX);
    const QTransform flipping(1, 0, 0, 0, c, perspective * s, 0, 0, 1);
    return scaling * turning * flipping *
           QTransform::fromTranslate(translation.x(), translation.y());
}

}  // namespace platform
