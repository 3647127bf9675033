#include "platform/ui/controls/ImageView.h"

#include "platform/ui/resources/Images.h"

#include <QtGui/QPainter>

namespace platform {

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
    painter.save();
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(imageRect(), shown);
    painter.restore();
}

}  // namespace platform
