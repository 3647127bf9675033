#pragma once

#include <QtCore/QString>
#include <QtCore/QStringList>
#include <QtGui/QColor>
#include <QtGui/QImage>

namespace platform {

// Images by name from the application's resources ("images/<name>.svg", else "images/<name>.png"
// or its "@2x" form). SVG is drawn at the asked scale; an image's device pixel ratio says how
// many pixels make a point, so its size in points is the same at any scale.
class Images {
public:
    static constexpr qreal kDefaultScale = 2;

    // A null image when the resources hold no image of that name.
    static QImage named(const QString& name, qreal scale = kDefaultScale);
    // Starts drawing the SVG images of these names on worker threads, so that they are ready (or
    // nearly) when first asked for while the main thread does other work meanwhile.
    static void preload(const QStringList& names, qreal scale = kDefaultScale);
    // A template image drawn in `tint`: its shape (alpha) filled with the colour, as an image
    // shown in a tinted control.
    static QImage tinted(const QImage& image, const QColor& tint);
    // The size in points.
    static QSizeF pointSize(const QImage& image);
    // Forgets decoded images (resources changed, tests).
    static void clearCache();
};

}  // namespace platform
