#include "platform/foundation/SharedState.h"
#include "platform/ui/controls/Label.h"
#include "platform/ui/text/AttributedText.h"
#include "platform/ui/text/FontTable.h"
#include "toolkit/style/RichTextAttributes.h"
#include "toolkit/style/ZVColorTable.h"
#include "toolkit/style/ZVTextStyles.h"

#include <gtest/gtest.h>

namespace {

using platform::FontDescription;
using platform::ParagraphStyle;
namespace Attr = platform::TextAttribute;

FontDescription named(const char* name, double size) {
    FontDescription font;
    font.family = QString::fromLatin1(name);
    font.pointSize = size;
    return font;
}

TEST(TextStyles, SizesFollowThePreferredBodySize) {
    EXPECT_EQ(ZVTextStyles::fontForStyle(0).family, QStringLiteral("OpenSans"));
    EXPECT_EQ(ZVTextStyles::fontForStyle(0).pointSize, 16);
    EXPECT_EQ(ZVTextStyles::lineHeightForStyle(0), 24);
    EXPECT_EQ(ZVTextStyles::fontForStyle(31).pointSize, 30);

    // The caches are made once; a new body size takes effect when they are made again.
    platform::resetSharedState();
    platform::FontTable::setPreferredBodySize(21);
    EXPECT_EQ(ZVTextStyles::fontForStyle(0).pointSize, 20);
    EXPECT_EQ(ZVTextStyles::lineHeightForStyle(0), 28);
    EXPECT_EQ(ZVTextStyles::fontForStyle(6).pointSize, 20);
    EXPECT_EQ(ZVTextStyles::fontForStyle(21).pointSize, 15);
    platform::resetSharedState();
}

TEST(TextStyles, FamilyNamesAndSizeClasses) {
    EXPECT_TRUE(ZVTextStyles::fontNameForStyle(0).isNull());
    EXPECT_TRUE(ZVTextStyles::fontNameForStyle(9).isNull());
    EXPECT_EQ(ZVTextStyles::fontNameForStyle(6), QStringLiteral("Courier New"));
    EXPECT_EQ(ZVTextStyles::fontSize(7), 30);
    EXPECT_EQ(ZVTextStyles::fontSize(11), 0);
    // Every family of the table has an installed stand-in.
    for (int family = 1; family <= 8; ++family) {
        EXPECT_TRUE(platform::FontTable::faceForName(ZVTextStyles::fontNameForStyle(family)))
            << family;
    }
}

TEST(TextStyles, BoldAndItalicForms) {
    const struct {
        const char* from;
        double size;
        bool bold;
        const char* expected;
        double expectedSize;
    } cases[] = {
        {"OpenSans-Italic", 16, true, "OpenSans-BoldItalic", 16},
        {"OpenSans-Bold", 16, false, "OpenSans-BoldItalic", 16},
        {"OpenSans", 16, true, "OpenSans-Bold", 16},
        {"OpenSans-BoldItalic", 16, true, "OpenSans-BoldItalic", 16},
        // Other faces become OpenSans at size class 1, whatever their own size.
        {"OpenSans-Semibold", 13, true, "OpenSans-Bold", 16},
        {"Courier New", 16, false, "OpenSans-Italic", 16},
        {"Avenir-Medium", 30, true, "OpenSans-Bold", 16},
        // Unknown to the family table: unchanged.
        {"Avenir-Heavy", 14, true, "Avenir-Heavy", 14},
        {"DejaVu Sans", 12, false, "DejaVu Sans", 12},
    };
    for (const auto& c : cases) {
        const FontDescription font = named(c.from, c.size);
        const FontDescription result =
            c.bold ? ZVTextStyles::setBold(font) : ZVTextStyles::setItalic(font);
        EXPECT_EQ(result.family, QString::fromLatin1(c.expected)) << c.from;
        EXPECT_EQ(result.pointSize, c.expectedSize) << c.from;
    }
    EXPECT_EQ(ZVTextStyles::identifyFont(named("Avenir-Medium", 17)), ZVTextStyles::kMedium);
    EXPECT_EQ(ZVTextStyles::identifyFont(named("Helvetica", 17)), ZVTextStyles::kUnknownFamily);
}

TEST(TextStyles, AttributeDictionariesByKind) {
    const auto paragraphOf = [](int style) {
        return ZVTextStyles::attributesForStyle(style)
            .value(Attr::ParagraphStyle)
            .value<ParagraphStyle>();
    };
    const platform::TextAttributes& body = ZVTextStyles::attributesForStyle(0);
    EXPECT_EQ(body.value(Attr::Font).value<FontDescription>(), ZVTextStyles::fontForStyle(0));
    EXPECT_EQ(body.value(Attr::ForegroundColor).value<platform::Color>(),
              ZVColorTable::colorWithName(QStringLiteral("body")));
    EXPECT_EQ(paragraphOf(0).paragraphSpacing, 5);
    EXPECT_EQ(paragraphOf(0).minimumLineHeight, 24);
    EXPECT_EQ(paragraphOf(0).alignment, ParagraphStyle::Alignment::Natural);

    for (int style : {8, 9, 21}) {
        EXPECT_FALSE(ZVTextStyles::attributesForStyle(style).contains(Attr::ParagraphStyle))
            << style;
        EXPECT_EQ(ZVTextStyles::attributesForStyle(style).size(), 2) << style;
    }
    for (int style : {25, 30, 33}) {
        EXPECT_EQ(paragraphOf(style).alignment, ParagraphStyle::Alignment::Center) << style;
    }
    EXPECT_EQ(ZVTextStyles::attributesForStyle(6).value(Attr::UnderlineStyle).toInt(), 1);
    EXPECT_FALSE(body.contains(Attr::UnderlineStyle));

    const platform::TextAttributes& code = ZVTextStyles::attributesForStyle(15);
    const ParagraphStyle codeParagraph = paragraphOf(15);
    EXPECT_EQ(codeParagraph.headIndent, 5);
    EXPECT_EQ(codeParagraph.firstLineHeadIndent, 5);
    EXPECT_EQ(codeParagraph.tailIndent, -5);
    EXPECT_EQ(codeParagraph.minimumLineHeight, 0);
    EXPECT_EQ(codeParagraph.paragraphSpacing, 0);
    EXPECT_EQ(code.value(ZVParagraphBackgroundAttributeName).value<platform::Color>(),
              (platform::Color{230, 230, 230, 255}));
    EXPECT_EQ(code.value(ZVParagraphBorderAttributeName).value<platform::Color>(),
              (platform::Color{204, 204, 204, 255}));
}

}  // namespace

TEST(TextStyles, StyledLabelsTakeTheStylesFontAndColour) {
    platform::Label label;
    for (int style : {0, 6, 23}) {
        ZVTextStyles::styleLabel(label, style);
        EXPECT_EQ(label.font(), ZVTextStyles::fontForStyle(style)) << style;
        EXPECT_EQ(label.textColor(), platform::resolveColor(ZVTextStyles::colorForStyle(style)))
            << style;
    }
    EXPECT_NE(label.textColor(), platform::resolveColor(ZVTextStyles::colorForStyle(6)));
}
