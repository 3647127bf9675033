#pragma once

#include "platform/ui/text/StyledText.h"
#include "platform/ui/text/TextFrame.h"
#include "platform/ui/view/Control.h"
#include "platform/ui/view/View.h"

#include <QtGui/QImage>

#include <memory>

// Screens that show what the view layer draws, for the gallery and for the tests that look at
// pixels. Not part of the product.
namespace gallery {

// Draws styled text laid out in its bounds; the layout is kept until the text or size changes.
class TextBlockView : public platform::View {
public:
    using View::View;
    void setText(platform::StyledText text);
    void drawRect(QPainter& painter, const QRectF& rect) override;
    QSizeF sizeThatFits(QSizeF size) const override;

private:
    platform::StyledText text_;
    std::unique_ptr<platform::TextFrame> frame_;
};

// Draws an image scaled into its bounds.
class ImageBlockView : public platform::View {
public:
    using View::View;
    void setImage(QImage image);
    void drawRect(QPainter& painter, const QRectF& rect) override;

private:
    QImage image_;
};

// A button that turns green once tapped: the simplest proof that a click reached it.
class TapTarget : public platform::Control {
public:
    explicit TapTarget(const QRectF& frame);
    int taps() const { return taps_; }

private:
    int taps_ = 0;
};

// The sample screen: a title, a rounded card with border and shadow holding rich text with an
// inline placeholder, a picture, and a tap target. Known points say what colour shows where.
struct SampleScreen {
    static const QColor kBackground;
    static const QColor kCardFill;
    static const QColor kCardBorder;
    static const QColor kPictureFill;
    static const QColor kTargetIdle;
    static const QColor kTargetTapped;
    static const QColor kCheckboxFill;
    static const QColor kTint;
    static constexpr qreal kCardBorderWidth = 3;

    std::shared_ptr<platform::View> root;
    std::shared_ptr<platform::View> card;
    std::shared_ptr<ImageBlockView> picture;
    // A resource image, and the same image as a template tinted in kTint.
    std::shared_ptr<ImageBlockView> checkbox;
    std::shared_ptr<ImageBlockView> tintedCheckbox;
    std::shared_ptr<TextBlockView> title;
    std::shared_ptr<TextBlockView> richText;
    std::shared_ptr<TapTarget> target;

    // Lays itself out for a window of `size` points.
    static SampleScreen make(QSizeF size);

    // Window points where the card's inside, its border, the picture and the target show.
    QPointF cardInsidePoint() const;
    QPointF cardBorderPoint() const;
    QPointF picturePoint() const;
    QPointF targetPoint() const;
    // Inside the checkbox images' filled box, beside the tick.
    QPointF checkboxPoint() const;
    QPointF tintedCheckboxPoint() const;
    // Just below the card, where its shadow darkens the background.
    QPointF shadowPoint() const;
};

}  // namespace gallery
