#include "platform/ui/controls/ImageView.h"

#include "platform/ui/resources/Images.h"

#include <QtGui/QPainter>

#include <cmath>

namespace platform {

namespace {

// Sizes this close to the picture's own count as pixel for pixel.
constexpr qreal kPixelSlack = 1e-3;

}  // namespace

const QColor ImageView::kDefaultTint(0x20, 0x70, 0xe0);

ImageView::ImageView() : ImageView(QRectF()) {}

ImageView::ImageView(const QRectF& frame) : View(frame) {
    setUserInteractionEnabled(false);
}

ImageView::ImageView(const QImage& image) : ImageView(QRectF()) {
    setImage(image);
    setFrame({QPointF(), Images::pointSize(image)});
}

void ImageView::setImage(const QImage& image) {
    image_ = image;
    setNeedsDisplay();
}

void ImageView::setHighlightedImage(const QImage& image) {
    highlightedImage_ = image;
    setNeedsDisplay();
}

void ImageView::setHighlighted(bool highlighted) {
    highlighted_ = highlighted;
    setNeedsDisplay();
}

void ImageView::setContentMode(ContentMode mode) {
    contentMode_ = mode;
    setNeedsDisplay();
}

void ImageView::setRenderingMode(ImageRenderingMode mode) {
    renderingMode_ = mode;
    setNeedsDisplay();
}

void ImageView::setTintColor(const QColor& color) {
    tintColor_ = color;
    setNeedsDisplay();
}

QImage ImageView::displayedImage() const {
    const QImage& shown = highlighted_ && !highlightedImage_.isNull() ? highlightedImage_ : image_;
    if (shown.isNull() || renderingMode_ != ImageRenderingMode::AlwaysTemplate) {
        return shown;
    }
    return Images::tinted(shown, tintColor_);
}

QRectF ImageView::imageRect() const {
    const QImage& shown = highlighted_ && !highlightedImage_.isNull() ? highlightedImage_ : image_;
    return placeContent(contentMode_, Images::pointSize(shown), bounds());
}

QSizeF ImageView::sizeThatFits(QSizeF /*size*/) const {
    return image_.isNull() ? QSizeF(0, 0) : Images::pointSize(image_);
}

void ImageView::drawRect(QPainter& painter, const QRectF& /*rect*/) {
    const QImage shown = displayedImage();
    if (shown.isNull()) {
        return;
    }
    QRectF target = imageRect();
    // A picture shown pixel for pixel lands on whole device pixels: off them it would be resampled
    // (blurred, and far slower) for a shift of less than half a pixel.
    const QTransform device = painter.deviceTransform();
    const QSizeF onDevice = device.mapRect(target).size();
    if (device.type() <= QTransform::TxScale &&
        std::abs(onDevice.width() - shown.width()) < kPixelSlack &&
        std::abs(onDevice.height() - shown.height()) < kPixelSlack) {
        const QPointF corner = device.map(target.topLeft());
        const QPointF snapped(std::round(corner.x()), std::round(corner.y()));
        target.translate((snapped.x() - corner.x()) / device.m11(),
                         (snapped.y() - corner.y()) / device.m22());
    }
    painter.save();
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(target, shown);
    painter.restore();
}

}  // namespace platform
