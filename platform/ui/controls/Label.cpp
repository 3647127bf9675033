#include "platform/ui/controls/Label.h"

#include "platform/ui/controls/ColorValue.h"
#include "platform/ui/controls/LineTruncation.h"
#include "platform/ui/text/AttributedText.h"

#include <cmath>

namespace platform {

namespace {

// Disabled text is drawn grey whatever its own colours.
const QColor kDisabledTextColor(0x99, 0x99, 0x99);

Qt::TextElideMode elideMode(LineBreakMode mode) {
    switch (mode) {
        case LineBreakMode::TruncatingHead:
            return Qt::ElideLeft;
        case LineBreakMode::TruncatingTail:
            return Qt::ElideRight;
        case LineBreakMode::TruncatingMiddle:
            return Qt::ElideMiddle;
        case LineBreakMode::WordWrap:
        case LineBreakMode::CharWrap:
        case LineBreakMode::Clip:
            break;
    }
    return Qt::ElideNone;
}

void setAlignment(AttributedString& text, TextAlignment alignment) {
    std::vector<std::pair<qsizetype, qsizetype>> ranges;
    std::vector<ParagraphStyle> styles;
    text.enumerateAttribute(TextAttribute::ParagraphStyle, 0, text.length(),
                            [&](const QVariant& value, qsizetype location, qsizetype length) {
                                ParagraphStyle style = value.value<ParagraphStyle>();
                                style.alignment = alignment;
                                ranges.emplace_back(location, length);
                                styles.push_back(style);
                                return false;
                            });
    for (std::size_t i = 0; i < ranges.size(); ++i) {
        text.addAttribute(TextAttribute::ParagraphStyle, QVariant::fromValue(styles[i]),
                          ranges[i].first, ranges[i].second);
    }
}

}  // namespace

Label::Label() : Label(QRectF()) {}

Label::Label(const QRectF& frame) : View(frame) {
    font_.pointSize = kDefaultFontSize;
    setUserInteractionEnabled(false);
}

Label::~Label() = default;

QString Label::text() const {
    return hasText_ ? attributedText_.string() : QString();
}

void Label::setText(const QString& text) {
    hasText_ = !text.isNull();
    ParagraphStyle paragraph;
    paragraph.alignment = alignment_;
    attributedText_ = AttributedString(
        text, {{TextAttribute::Font, QVariant::fromValue(font_)},
               {TextAttribute::ForegroundColor, QVariant::fromValue(colorValue(textColor_))},
               {TextAttribute::ParagraphStyle, QVariant::fromValue(paragraph)}});
    changed();
}

void Label::setAttributedText(const AttributedString& text) {
    hasText_ = true;
    attributedText_ = text;
    changed();
}

void Label::setFont(const FontDescription& font) {
    font_ = font;
    attributedText_.addAttribute(TextAttribute::Font, QVariant::fromValue(font), 0,
                                 attributedText_.length());
    changed();
}

void Label::setTextColor(const QColor& color) {
    textColor_ = color;
    attributedText_.addAttribute(TextAttribute::ForegroundColor,
                                 QVariant::fromValue(colorValue(color)), 0,
                                 attributedText_.length());
    changed();
}

void Label::setTextAlignment(TextAlignment alignment) {
    alignment_ = alignment;
    setAlignment(attributedText_, alignment);
    changed();
}

void Label::setHighlightedTextColor(const QColor& color) {
    highlightedTextColor_ = color;
    changed();
}

void Label::setNumberOfLines(int lines) {
    numberOfLines_ = std::max(0, lines);
    changed();
}

void Label::setLineBreakMode(LineBreakMode mode) {
    lineBreakMode_ = mode;
    changed();
}

void Label::setEnabled(bool enabled) {
    enabled_ = enabled;
    changed();
}

void Label::setHighlighted(bool highlighted) {
    highlighted_ = highlighted;
    changed();
}

void Label::changed() {
    layout_.reset();
    measured_.reset();
    setNeedsDisplay();
}

bool Label::drawsAsMeasured() const {
    const auto left = [](TextAlignment alignment) {
        return alignment == TextAlignment::Left || alignment == TextAlignment::Natural;
    };
    if (!left(alignment_)) {
        return false;
    }
    bool same = true;
    attributedText_.enumerateAttribute(TextAttribute::ParagraphStyle, 0, attributedText_.length(),
                                       [&](const QVariant& value, qsizetype, qsizetype) {
                                           same = !value.isValid() ||
                                                  left(value.value<ParagraphStyle>().alignment);
                                           return !same;
                                       });
    return same;
}

StyledText Label::styledText(bool measuring) const {
    AttributedString text = attributedText_;
    const qsizetype length = text.length();
    text.addAttributeIfMissing(TextAttribute::Font, QVariant::fromValue(font_), 0, length);
    text.addAttributeIfMissing(TextAttribute::ForegroundColor,
                               QVariant::fromValue(colorValue(textColor_)), 0, length);
    ParagraphStyle paragraph;
    paragraph.alignment = alignment_;
    text.addAttributeIfMissing(TextAttribute::ParagraphStyle, QVariant::fromValue(paragraph), 0,
                               length);
    if (measuring) {
        setAlignment(text, TextAlignment::Left);
    }
    QColor stateColor;
    if (!enabled_) {
        stateColor = kDisabledTextColor;
    } else if (highlighted_ && highlightedTextColor_.isValid()) {
        stateColor = highlightedTextColor_;
    }
    if (stateColor.isValid()) {
        text.addAttribute(TextAttribute::ForegroundColor,
                          QVariant::fromValue(colorValue(stateColor)), 0, length);
    }
    return resolveAttributedText(text);
}

const TextFrame& Label::textLayout() const {
    const QSizeF size = bounds().size();
    if (!layout_ || layoutSize_ != size) {
        layoutSize_ = size;
        const bool wrapAnywhere = lineBreakMode_ == LineBreakMode::CharWrap;
        layout_ = measured_ ? layOutTruncated(std::move(measured_), size, numberOfLines_,
                                              elideMode(lineBreakMode_), wrapAnywhere)
                            : layOutTruncated(styledText(false), size, numberOfLines_,
                                              elideMode(lineBreakMode_), wrapAnywhere);
        layoutTruncated_ = layout_->fittedLength() < attributedText_.length();
    }
    return *layout_;
}

bool Label::isTruncated() const {
    textLayout();
    return layoutTruncated_;
}

QRectF Label::textRectForBounds(const QRectF& bounds) const {
    // Centred, overflowing both edges alike when the bounds are lower than the text.
    const QSizeF used = textLayout().usedSize();
    return {bounds.left(), bounds.top() + (bounds.height() - used.height()) / 2, bounds.width(),
            used.height()};
}

QSizeF Label::sizeThatFits(QSizeF size) const {
    if (attributedText_.isEmpty()) {
        return {0, 0};
    }
    const qreal width =
        numberOfLines_ == 1 || size.width() <= 0 ? TextFrame::kUnlimited : size.width();
    TextFrameOptions options;
    options.maximumLines = numberOfLines_;
    options.wrapAnywhere = lineBreakMode_ == LineBreakMode::CharWrap;
    auto frame = std::make_unique<TextFrame>(styledText(true), QSizeF(width, TextFrame::kUnlimited),
                                             options);
    const QSizeF used = frame->usedSize();
    // A label is usually sized to fit and then drawn: the drawing lays this text out again in
    // its bounds instead of making it anew, when both align it alike.
    if (drawsAsMeasured()) {
        measured_ = std::move(frame);
    }
    return {std::ceil(used.width()), std::ceil(used.height())};
}

void Label::drawRect(QPainter& painter, const QRectF& /*rect*/) {
    if (attributedText_.isEmpty()) {
        return;
    }
    const QPointF origin = textRectForBounds(bounds()).topLeft();
    textLayout().draw(painter, origin);
}

}  // namespace platform
