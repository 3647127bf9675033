#include "toolkit/style/ZVTextStyles.h"

#include "platform/foundation/SharedState.h"
#include "platform/ui/controls/Label.h"
#include "platform/ui/text/AttributedText.h"
#include "platform/ui/text/FontTable.h"
#include "toolkit/style/ColorUtils.h"
#include "toolkit/style/RichTextAttributes.h"
#include "toolkit/style/ZVColorTable.h"

#include <array>
#include <memory>

namespace {

enum class Kind { Standard, FontAndColor, Centred, UnderlinedLink, CodeBlock };

struct StyleSpec {
    int family;
    int sizeClass;
    const char* color;
    Kind kind;
};

using enum Kind;

// clang-format off
constexpr std::array<StyleSpec, ZVTextStyles::kStyleCount> kStyles = {{
    /* 0 */ {1, 1, "body", Standard},
    /* 1 */ {2, 1, "body", Standard},
    /* 2 */ {7, 5, "heading", Standard},
    /* 3 */ {2, 4, "name", Standard},
    /* 4 */ {5, 1, "name", Standard},
    /* 5 */ {1, 1, "body", Standard},
    /* 6 */ {1, 1, "link", UnderlinedLink},
    /* 7 */ {2, 2, "attachment", Standard},
    /* 8 */ {2, 2, "linkPreview", FontAndColor},
    /* 9 */ {1, 2, "body", FontAndColor},
    /* 10 */ {5, 2, "logo", Standard},
    /* 11 */ {5, 2, "alertButton", Standard},
    /* 12 */ {5, 3, "alertText", Standard},
    /* 13 */ {1, 2, "messageComment", Standard},
    /* 14 */ {5, 3, "body", Standard},
    /* 15 */ {6, 1, "body", CodeBlock},
    /* 16 */ {3, 1, "suppressed", Standard},
    /* 17 */ {1, 1, "suppressed", Standard},
    /* 18 */ {5, 4, "body", Standard},
    /* 19 */ {5, 3, "lightText", Standard},
    /* 20 */ {1, 3, "suppressed", Standard},
    /* 21 */ {5, 6, "lightText", FontAndColor},
    /* 22 */ {7, 4, "menuText", Standard},
    /* 23 */ {8, 2, "lightText", Standard},
    /* 24 */ {7, 7, "lightText", Standard},
    /* 25 */ {1, 1, "lightText", Centred},
    /* 26 */ {7, 8, "lightText", Standard},
    /* 27 */ {7, 2, "sidebarButton", Standard},
    /* 28 */ {7, 1, "body", Standard},
    /* 29 */ {8, 1, "body", Standard},
    /* 30 */ {7, 9, "menuText", Centred},
    /* 31 */ {1, 10, "body", Standard},
    /* 32 */ {1, 1, "lightText", Standard},
    /* 33 */ {7, 7, "lightText", Centred},
}};

constexpr std::array<const char*, 9> kFamilyNames = {
    nullptr, "OpenSans", "OpenSans-Bold", "OpenSans-Italic", "OpenSans-BoldItalic",
    "OpenSans-Semibold", "Courier New", "Avenir-Medium", "Avenir-Heavy",
};

constexpr std::array<double, 11> kSizeClasses = {0, 16, 14, 13, 16, 17, 11, 30, 27, 21, 30};
// clang-format on

// The families a font is recognised by; the heavy face is left as it is when made bold or italic.
constexpr int kLastIdentifiedFamily = ZVTextStyles::kMedium;
constexpr double kParagraphSpacing = 5.0;
constexpr double kCodeIndent = 5.0;
constexpr double kCodeBackgroundWhite = 0.9;
constexpr double kCodeBorderWhite = 0.8;

int clampStyle(int style) {
    return style >= 0 && style < ZVTextStyles::kStyleCount ? style : 0;
}

platform::TextAttributes makeAttributes(int style) {
    const StyleSpec& spec = kStyles[static_cast<std::size_t>(style)];
    platform::ParagraphStyle paragraph;
    paragraph.paragraphSpacing = kParagraphSpacing;
    paragraph.minimumLineHeight = ZVTextStyles::lineHeightForStyle(style);
    platform::TextAttributes attributes;
    attributes.insert(platform::TextAttribute::Font,
                      QVariant::fromValue(ZVTextStyles::fontForStyle(style)));
    attributes.insert(platform::TextAttribute::ForegroundColor,
                      QVariant::fromValue(ZVTextStyles::colorForStyle(style)));
    switch (spec.kind) {
        case FontAndColor:
            return attributes;
        case Centred:
            paragraph.alignment = platform::ParagraphStyle::Alignment::Center;
            break;
        case UnderlinedLink:
            attributes.insert(platform::TextAttribute::UnderlineStyle, 1);
            break;
        case CodeBlock:
            paragraph.headIndent = kCodeIndent;
            paragraph.tailIndent = -kCodeIndent;
            paragraph.firstLineHeadIndent = kCodeIndent;
            paragraph.minimumLineHeight = 0;
            paragraph.paragraphSpacing = 0;
            attributes.insert(ZVParagraphBackgroundAttributeName,
                              QVariant::fromValue(colorWithWhite(kCodeBackgroundWhite)));
            attributes.insert(ZVParagraphBorderAttributeName,
                              QVariant::fromValue(colorWithWhite(kCodeBorderWhite)));
            break;
        case Standard:
            break;
    }
    attributes.insert(platform::TextAttribute::ParagraphStyle, QVariant::fromValue(paragraph));
    return attributes;
}

struct Caches {
    std::vector<platform::FontDescription> fonts;
    std::vector<platform::Color> colors;
    std::vector<platform::TextAttributes> attributes;
};

std::unique_ptr<Caches>& cacheSlot() {
    static std::unique_ptr<Caches> slot;
    return slot;
}

// Built in dependency order: attributes read fonts and colours.
const Caches& caches() {
    auto& slot = cacheSlot();
    if (!slot) {
        static const bool registered = [] {
            platform::onResetSharedState([] { cacheSlot().reset(); });
            return true;
        }();
        (void)registered;
        slot = std::make_unique<Caches>();
        slot->fonts = ZVTextStyles::initializeCacheWithProc<platform::FontDescription>([](int s) {
            const StyleSpec& spec = kStyles[static_cast<std::size_t>(s)];
            return ZVTextStyles::fontForTextStyle(spec.family, spec.sizeClass);
        });
        slot->colors = ZVTextStyles::initializeCacheWithProc<platform::Color>([](int s) {
            return ZVColorTable::colorWithName(
                QLatin1StringView(kStyles[static_cast<std::size_t>(s)].color));
        });
        slot->attributes =
            ZVTextStyles::initializeCacheWithProc<platform::TextAttributes>(&makeAttributes);
    }
    return *slot;
}

}  // namespace

const platform::FontDescription& ZVTextStyles::fontForStyle(int style) {
    return caches().fonts[static_cast<std::size_t>(clampStyle(style))];
}

const platform::Color& ZVTextStyles::colorForStyle(int style) {
    return caches().colors[static_cast<std::size_t>(clampStyle(style))];
}

const platform::TextAttributes& ZVTextStyles::attributesForStyle(int style) {
    return caches().attributes[static_cast<std::size_t>(clampStyle(style))];
}

void ZVTextStyles::styleLabel(platform::Label& label, int style) {
    label.setFont(fontForStyle(style));
    label.setTextColor(platform::resolveColor(colorForStyle(style)));
}

double ZVTextStyles::lineHeightForStyle(int style) {
    return fontForStyle(style).pointSize + kLineHeightExtra;
}

QFont ZVTextStyles::qfontForStyle(int style) {
    return platform::resolveFont(fontForStyle(style));
}

QString ZVTextStyles::fontNameForStyle(int family) {
    if (family < kRegular || family > kHeavy) {
        return {};
    }
    return QLatin1StringView(kFamilyNames[static_cast<std::size_t>(family)]);
}

double ZVTextStyles::fontSize(int sizeClass) {
    if (sizeClass < 1 || sizeClass >= static_cast<int>(kSizeClasses.size())) {
        return 0;
    }
    return kSizeClasses[static_cast<std::size_t>(sizeClass)];
}

platform::FontDescription ZVTextStyles::fontForTextStyle(int family, int sizeClass) {
    platform::FontDescription font;
    font.family = fontNameForStyle(family);
    font.pointSize = platform::FontTable::preferredBodySize() -
                     platform::FontTable::kDefaultBodySize + fontSize(sizeClass);
    return font;
}

int ZVTextStyles::identifyFont(const platform::FontDescription& font) {
    for (int family = kRegular; family <= kLastIdentifiedFamily; ++family) {
        if (font.family == fontNameForStyle(family)) {
            return family;
        }
    }
    return kUnknownFamily;
}

platform::FontDescription ZVTextStyles::setBold(const platform::FontDescription& font) {
    return setAttributes(font, true, false);
}

platform::FontDescription ZVTextStyles::setItalic(const platform::FontDescription& font) {
    return setAttributes(font, false, true);
}

platform::FontDescription ZVTextStyles::setAttributes(const platform::FontDescription& font,
                                                      bool bold, bool italic) {
    const int family = identifyFont(font);
    if (family == kUnknownFamily) {
        return font;
    }
    italic = italic || family == kItalic || family == kBoldItalic;
    bold = bold || family == kBold || family == kBoldItalic;
    const int result = bold && italic ? kBoldItalic : bold ? kBold : italic ? kItalic : kRegular;
    return fontForTextStyle(result, 1);
}
