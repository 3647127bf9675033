#pragma once

#include "platform/ui/controls/ContentMode.h"
#include "platform/ui/view/View.h"

#include <QtGui/QColor>
#include <QtGui/QImage>

namespace platform {

// How an image's colours are used; the numbers are the platform's. A template image is drawn as
// its shape only, filled with the tint colour.
enum class ImageRenderingMode { Automatic = 0, AlwaysOriginal = 1, AlwaysTemplate = 2 };

// Shows one image (or its highlighted variant) placed by the content mode. Images carry their
// scale as the device pixel ratio, so sizes are in points at any scale.
class ImageView : public View {
public:
    ImageView();
    explicit ImageView(const QRectF& frame);
    explicit ImageView(const QImage& image);

    const QImage& image() const { return image_; }
    void setImage(const QImage& image);
    const QImage& highlightedImage() const { return highlightedImage_; }
    void setHighlightedImage(const QImage& image);
    bool isHighlighted() const { return highlighted_; }
    void setHighlighted(bool highlighted);

    ContentMode contentMode() const { return contentMode_; }
    void setContentMode(ContentMode mode);
    // Automatic draws the image's own colours; the owner (a button) may ask for a template.
    ImageRenderingMode renderingMode() const { return renderingMode_; }
    void setRenderingMode(ImageRenderingMode mode);
    QColor tintColor() const { return tintColor_; }
    void setTintColor(const QColor& color);

    // The image being shown: the highlighted one while highlighted (when there is one), tinted
    // when it is a template.
    QImage displayedImage() const;
    // Where the displayed image lands in the bounds.
    QRectF imageRect() const;

    // The image's size in points (zero without one).
    QSizeF sizeThatFits(QSizeF size) const override;
    void drawRect(QPainter& painter, const QRectF& rect) override;

    static const QColor kDefaultTint;

private:
    QImage image_;
    QImage highlightedImage_;
    bool highlighted_ = false;
    ContentMode contentMode_ = ContentMode::ScaleToFill;
    ImageRenderingMode renderingMode_ = ImageRenderingMode::Automatic;
    QColor tintColor_ = kDefaultTint;
};

}  // namespace platform
