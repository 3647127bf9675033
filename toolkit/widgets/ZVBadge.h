#pragma once

#include "platform/ui/view/View.h"

#include <QtGui/QImage>
#include <QtGui/QPainterPath>

#include <memory>

namespace platform {
class Label;
}

// A pill or circle with a short text: a circle for one character, a rounded rectangle around
// longer texts. Invisible while it has no text.
class ZVBadge : public platform::View {
public:
    enum Style { kOrange = 1, kGray = 2, kOutlined = 3 };

    static constexpr qreal kHeight = 18;
    static constexpr qreal kTextPadding = 10;
    static constexpr qreal kCornerRadius = 6;
    static constexpr qreal kOutlineWidth = 1;
    static constexpr double kFadeDuration = 0.5;
    static constexpr int kTextStyle = 21;

    ZVBadge();
    ~ZVBadge() override;

    int style() const { return style_; }
    void setStyle(int style);
    const QString& text() const { return text_; }
    void setText(const QString& text) { setText(text, false); }
    void setText(const QString& text, bool animated);
    const std::shared_ptr<platform::Label>& label() const { return label_; }
    QColor fillColor() const { return fill_; }
    QColor outlineColor() const { return outline_; }
    // The outline the badge draws now, for its text and bounds.
    QPainterPath path() const { return pathForText(text_, bounds()); }

    static QPainterPath pathForText(const QString& text, const QRectF& rect);
    // An orange badge as an image, null for an empty text. The style does not change the drawing.
    static QImage badgeWithText(const QString& text, int style);

    void layoutSubviews() override;
    void drawRect(QPainter& painter, const QRectF& rect) override;

private:
    void fade(qreal alpha, bool animated);

    QString text_;
    int style_ = 0;
    QColor fill_;
    QColor outline_;
    std::shared_ptr<platform::Label> label_;
};
