#pragma once

#include <QtCore/QPointF>
#include <QtGui/QTransform>

namespace platform {

// A layer's transform kept as its parts, so that animations move each part on its own (a flip
// turns about x while a spring settles the scale). Applied to a point in this order: scale,
// rotation in the plane, rotation about the x axis seen with perspective, translation.
struct LayerTransform {
    QPointF translation{0, 0};
    QPointF scale{1, 1};
    // Radians.
    qreal rotation = 0;
    qreal rotationX = 0;
    // The perspective entry of a 3-D transform (-1 / viewing distance); 0 is a flat projection.
    qreal perspective = 0;

    static LayerTransform identity() { return {}; }
    static LayerTransform translated(qreal x, qreal y);
    static LayerTransform scaled(qreal x, qreal y);
    // The flip's starting point: identity seen with perspective, turned by `angle` about x.
    static LayerTransform flippedAboutX(qreal angle, qreal perspective);
    // Reads an affine transform's translation, scale and rotation (shear is dropped).
    static LayerTransform fromAffine(const QTransform& affine);

    bool isIdentity() const;
    QTransform toQTransform() const;
    bool operator==(const LayerTransform&) const = default;
};

}  // namespace platform
