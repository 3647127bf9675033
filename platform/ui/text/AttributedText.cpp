#include "platform/ui/text/AttributedText.h"

#include "platform/ui/text/FontTable.h"

namespace platform {

QFont resolveFont(const FontDescription& description) {
    QFont font;
    if (const auto face = FontTable::faceForName(description.family)) {
        font = FontTable::font(description.family, description.pointSize);
    } else {
        font = FontTable::systemFont(description.pointSize);
        if (!description.family.isEmpty()) {
            font.setFamilies({description.family});
        }
    }
    // A named bold or italic face stays so; the description can only add to it.
    if (description.weight != FontDescription::kRegularWeight) {
        font.setWeight(static_cast<QFont::Weight>(description.weight));
    }
    if (description.italic) {
        font.setItalic(true);
    }
    return font;
}

QColor resolveColor(const Color& color) {
    return QColor(color.red, color.green, color.blue, color.alpha);
}

namespace {

TextLook lookOf(const TextAttributes& attributes) {
    TextLook look;
    const QVariant font = attributes.value(TextAttribute::Font);
    look.font = font.canConvert<FontDescription>()
                    ? resolveFont(font.value<FontDescription>())
                    : FontTable::systemFont(kDefaultAttributedFontSize);
    const QVariant colour = attributes.value(TextAttribute::ForegroundColor);
    if (colour.canConvert<Color>()) {
        look.foreground = resolveColor(colour.value<Color>());
    }
    look.underline = attributes.value(TextAttribute::UnderlineStyle).toInt() != 0;
    look.strikethrough = attributes.value(TextAttribute::StrikethroughStyle).toInt() != 0;
    const QVariant paragraph = attributes.value(TextAttribute::ParagraphStyle);
    if (paragraph.canConvert<ParagraphStyle>()) {
        look.paragraph = paragraph.value<ParagraphStyle>();
    }
    return look;
}

}  // namespace

StyledText resolveAttributedText(const AttributedString& text,
                                 const PlaceholderProvider& placeholders) {
    StyledText styled;
    const QString& string = text.string();
    for (const AttributedString::Run& run : text.runs()) {
        const TextLook look = lookOf(run.attributes);
        qsizetype start = run.location;
        const qsizetype end = run.location + run.length;
        // Each placeholder is a run of its own, sized by its own callback.
        for (qsizetype i = start; i < end; ++i) {
            if (string.at(i) != QChar::ObjectReplacementCharacter || !placeholders) {
                continue;
            }
            PlaceholderCallback callback = placeholders(run.attributes, i);
            if (!callback) {
                continue;
            }
            styled.append(string.mid(start, i - start), look);
            styled.appendPlaceholder(look, std::move(callback));
            start = i + 1;
        }
        styled.append(string.mid(start, end - start), look);
    }
    return styled;
}

}  // namespace platform
