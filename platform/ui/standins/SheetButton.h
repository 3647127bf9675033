#pragma once

#include "platform/ui/view/Control.h"

#include <QtGui/QColor>
#include <QtGui/QFont>
#include <QtGui/QImage>

namespace platform {

// A plain titled button of the stand-ins' own sheets and bars: its title centred in its bounds, a
// lighter background while the finger is on it, and one action on a lift inside, run on the next
// turn of the run loop while the button still exists.
class SheetButton : public Control {
public:
    explicit SheetButton(QString title, std::function<void()> action = {});

    const QString& title() const { return title_; }
    void setTitleColor(const QColor& color);
    void setFont(const QFont& font);
    void setHighlightColor(const QColor& color) { highlightColor_ = color; }
    // A picture that fills the button, cropped to its shape, under the title.
    void setImage(const QImage& image);

    void setHighlighted(bool highlighted) override;
    void drawRect(QPainter& painter, const QRectF& rect) override;
    // The title's width and height with the padding around it.
    QSizeF sizeThatFits(QSizeF size) const override;

private:
    QString title_;
    QColor titleColor_;
    QColor highlightColor_;
    QFont font_;
    QImage image_;
};

}  // namespace platform
