#pragma once

#include <QtCore/QLatin1StringView>
#include <QtCore/QMetaType>
#include <QtCore/QString>
#include <QtCore/QVariantMap>

#include <cstdint>

namespace platform {

// The attributes of a stretch of text: string keys to plain values, compared by value, so that
// runs with equal attributes can merge. Fonts and colours are descriptions here; the UI layer
// turns them into what it draws with, so that this layer needs no GUI library.
using TextAttributes = QVariantMap;

// The standard keys. Any other string is a custom key and is carried as it is.
namespace TextAttribute {
// FontDescription
inline constexpr QLatin1StringView Font{"font"};
// Color
inline constexpr QLatin1StringView ForegroundColor{"foregroundColor"};
inline constexpr QLatin1StringView BackgroundColor{"backgroundColor"};
// ParagraphStyle
inline constexpr QLatin1StringView ParagraphStyle{"paragraphStyle"};
// int: 0 none, 1 single
inline constexpr QLatin1StringView UnderlineStyle{"underlineStyle"};
inline constexpr QLatin1StringView StrikethroughStyle{"strikethroughStyle"};
// QString: the address
inline constexpr QLatin1StringView Link{"link"};
}  // namespace TextAttribute

struct FontDescription {
    static constexpr int kRegularWeight = 400;
    static constexpr int kBoldWeight = 700;

    QString family;
    double pointSize = 0;
    int weight = kRegularWeight;
    bool italic = false;

    bool isBold() const { return weight >= kBoldWeight; }
    FontDescription bold() const;
    FontDescription italicized() const;
    friend bool operator==(const FontDescription&, const FontDescription&) = default;
};

// 8-bit channels, not premultiplied.
struct Color {
    std::uint8_t red = 0;
    std::uint8_t green = 0;
    std::uint8_t blue = 0;
    std::uint8_t alpha = 255;

    static Color clear() { return {0, 0, 0, 0}; }
    friend bool operator==(const Color&, const Color&) = default;
};

struct ParagraphStyle {
    enum class Alignment { Left = 0, Center = 1, Right = 2, Justified = 3, Natural = 4 };

    double paragraphSpacing = 0;
    double paragraphSpacingBefore = 0;
    double minimumLineHeight = 0;
    double firstLineHeadIndent = 0;
    double headIndent = 0;
    double tailIndent = 0;
    double lineHeightMultiple = 0;
    Alignment alignment = Alignment::Natural;

    friend bool operator==(const ParagraphStyle&, const ParagraphStyle&) = default;
};

}  // namespace platform

Q_DECLARE_METATYPE(platform::FontDescription)
Q_DECLARE_METATYPE(platform::Color)
Q_DECLARE_METATYPE(platform::ParagraphStyle)
