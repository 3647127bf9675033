#pragma once

#include "platform/foundation/AttributedString.h"
#include "platform/ui/text/TextFrame.h"
#include "platform/ui/view/View.h"

#include <QtGui/QColor>

#include <memory>

namespace platform {

// How a label ends lines that do not fit; the numbers are the platform's.
enum class LineBreakMode {
    WordWrap = 0,
    CharWrap = 1,
    Clip = 2,
    TruncatingHead = 3,
    TruncatingTail = 4,
    TruncatingMiddle = 5,
};

using TextAlignment = ParagraphStyle::Alignment;

// Read-only text in a view: plain or attributed, on a given number of lines, vertically centred in
// the bounds, with an ellipsis where the text does not fit. Plain text takes the label's font,
// colour and alignment; attributed text takes them where it has none of its own.
class Label : public View {
public:
    Label();
    explicit Label(const QRectF& frame);
    ~Label() override;

    // A null string while the label has no text.
    QString text() const;
    void setText(const QString& text);
    const AttributedString& attributedText() const { return attributedText_; }
    void setAttributedText(const AttributedString& text);

    // Setting the font, colour or alignment applies it to the whole of the current text too.
    const FontDescription& font() const { return font_; }
    void setFont(const FontDescription& font);
    QColor textColor() const { return textColor_; }
    void setTextColor(const QColor& color);
    TextAlignment textAlignment() const { return alignment_; }
    void setTextAlignment(TextAlignment alignment);
    // An invalid colour: highlighting does not change the text's colour.
    QColor highlightedTextColor() const { return highlightedTextColor_; }
    void setHighlightedTextColor(const QColor& color);

    // 0: as many lines as the bounds hold.
    int numberOfLines() const { return numberOfLines_; }
    void setNumberOfLines(int lines);
    LineBreakMode lineBreakMode() const { return lineBreakMode_; }
    void setLineBreakMode(LineBreakMode mode);

    bool isEnabled() const { return enabled_; }
    void setEnabled(bool enabled);
    bool isHighlighted() const { return highlighted_; }
    void setHighlighted(bool highlighted);

    // The text as laid out in the bounds now, ellipsis included where it was cut.
    const TextFrame& textLayout() const;
    // Whether the bounds show less than the whole text.
    bool isTruncated() const;
    // Where the text is drawn within `bounds`: the lines' box, centred vertically. Bounds lower
    // than one line still show the first line.
    QRectF textRectForBounds(const QRectF& bounds) const;

    // Without a width limit (or on one line) the text's natural width; heights are whole points.
    QSizeF sizeThatFits(QSizeF size) const override;
    void drawRect(QPainter& painter, const QRectF& rect) override;

    static constexpr qreal kDefaultFontSize = 17;

private:
    // The text with the label's defaults filled in and the state's colour applied; measuring
    // aligns left so that an unlimited width does not push lines away.
    StyledText styledText(bool measuring) const;
    void changed();
    // Whether the text, aligned left for measuring, lies as it is drawn.
    bool drawsAsMeasured() const;

    AttributedString attributedText_;
    bool hasText_ = false;
    FontDescription font_;
    QColor textColor_ = Qt::black;
    QColor highlightedTextColor_;
    TextAlignment alignment_ = TextAlignment::Natural;
    int numberOfLines_ = 1;
    LineBreakMode lineBreakMode_ = LineBreakMode::TruncatingTail;
    bool enabled_ = true;
    bool highlighted_ = false;
    mutable std::unique_ptr<TextFrame> layout_;
    // The bounds' size the layout was made for (a layout may be taller than low bounds).
    mutable QSizeF layoutSize_;
    mutable bool layoutTruncated_ = false;
    // The last size-to-fit's frame, kept for the next layout.
    mutable std::unique_ptr<TextFrame> measured_;
};

}  // namespace platform
