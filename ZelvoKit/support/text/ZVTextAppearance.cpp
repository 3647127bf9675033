#include "ZelvoKit/support/text/ZVTextAppearance.h"

namespace {

constexpr platform::Color kUnknownColor{255, 0, 255, 255};

struct Appearance {
    // An empty family and size 0: the platform's default font.
    platform::FontDescription main;
    platform::FontDescription bold = platform::FontDescription{}.bold();
    ZVTextAppearance::ColorLookup colors;
    ZVTextAppearance::StyleLookup styles;
};

Appearance& appearance() {
    static Appearance installed;
    return installed;
}

}  // namespace

platform::FontDescription ZVTextAppearance::mainFont() {
    return appearance().main;
}

platform::FontDescription ZVTextAppearance::mainBoldFont() {
    return appearance().bold;
}

void ZVTextAppearance::setMainFonts(const platform::FontDescription& main,
                                    const platform::FontDescription& bold) {
    appearance().main = main;
    appearance().bold = bold;
}

platform::Color ZVTextAppearance::colorWithName(const QString& name) {
    return appearance().colors ? appearance().colors(name) : kUnknownColor;
}

void ZVTextAppearance::setColorLookup(ColorLookup lookup) {
    appearance().colors = std::move(lookup);
}

platform::TextAttributes ZVTextAppearance::attributesForStyle(int style) {
    return appearance().styles ? appearance().styles(style) : platform::TextAttributes();
}

void ZVTextAppearance::setStyleLookup(StyleLookup lookup) {
    appearance().styles = std::move(lookup);
}
