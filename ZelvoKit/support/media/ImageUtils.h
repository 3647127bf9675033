#pragma once

#include <QtCore/QByteArray>
#include <QtCore/QVariantMap>
#include <QtGui/QImage>

// Image functions shared by the caches, the media loader and the views. Sizes are in points: an
// image's point size is its pixel size divided by its device pixel ratio (its scale), and results
// keep the source's scale. They keep no state and may run on any thread except ScreenScale().

// The metadata key ImageToJpeg() keeps: the photo's orientation, 1 to 8, as the camera records it.
inline constexpr char kImageMetadataOrientation[] = "Orientation";

// Redraws `image` on an opaque white canvas of `width` x `height` points, scaled to fill it and
// centred (an overflowing side is cropped equally at both ends). A side of 0 or less follows the
// image's aspect ratio; with both, the image keeps its own size. `drawFrame` strokes a thin rounded
// outline of `cornerRadius`. A null image gives a null image.
QImage ResizeImageToSize(const QImage& image, float width, float height, bool drawFrame = false,
                         float cornerRadius = 0);

// Redraws `image` so that its longer side (the width when wider than tall, else the height) is
// `side` points long.
QImage ResizeImageToMaxSide(const QImage& image, float side);

// The image as JPEG at the writer's default quality; of `metadata` only the orientation is kept,
// written as the file's orientation tag with the pixels left as they are. Null on failure, which
// is logged.
QByteArray ImageToJpeg(const QImage& image, const QVariantMap& metadata = {});

// Pixels per point of the main screen. Main thread.
double ScreenScale();
