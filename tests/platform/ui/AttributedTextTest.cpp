#include "platform/ui/text/AttributedText.h"
#include "platform/ui/text/FontTable.h"
#include "platform/ui/text/TextFrame.h"

#include <QtGui/QFontInfo>

#include <gtest/gtest.h>

using namespace platform;

TEST(AttributedText, FontDescriptionsResolveThroughTheFontTable) {
    struct Case {
        FontDescription description;
        QString family;
        bool bold;
        bool italic;
    };
    const Case cases[] = {
        {{QStringLiteral("OpenSans"), 16}, QStringLiteral("Open Sans"), false, false},
        {{QStringLiteral("OpenSans-Bold"), 16}, QStringLiteral("Open Sans"), true, false},
        {{QStringLiteral("OpenSans"), 16, FontDescription::kBoldWeight, true},
         QStringLiteral("Open Sans"),
         true,
         true},
        {{QStringLiteral("OpenSans-BoldItalic"), 14}, QStringLiteral("Open Sans"), true, true},
        {{QStringLiteral("Courier New"), 14}, QStringLiteral("Liberation Mono"), false, false},
        {{QStringLiteral("Avenir-Medium"), 17}, QStringLiteral("URW Gothic"), false, false},
        {{QStringLiteral("DejaVu Serif"), 12}, QStringLiteral("DejaVu Serif"), false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.description.family.toStdString());
        const QFont font = resolveFont(c.description);
        // What the machine really picked, not just what was asked for.
        const QFontInfo picked(font);
        EXPECT_TRUE(picked.family().startsWith(c.family)) << picked.family().toStdString();
        EXPECT_EQ(picked.bold(), c.bold);
        EXPECT_EQ(picked.italic(), c.italic);
        EXPECT_EQ(font.pixelSize(), qRound(c.description.pointSize));
    }
}

TEST(AttributedText, AttributesBecomeLooksAndPlaceholdersTakeTheirSizes) {
    AttributedString text(QStringLiteral("Hello \uFFFC and \uFFFC\uFFFC!\nNext"));
    text.addAttribute(TextAttribute::Font,
                      QVariant::fromValue(FontDescription{QStringLiteral("OpenSans"), 16}), 0,
                      text.length());
    text.addAttribute(TextAttribute::ForegroundColor, QVariant::fromValue(Color{10, 20, 30, 255}),
                      0, 5);
    text.addAttribute(TextAttribute::UnderlineStyle, 1, 12, 2);
    ParagraphStyle paragraph;
    paragraph.paragraphSpacing = 7;
    paragraph.alignment = ParagraphStyle::Alignment::Center;
    text.addAttribute(TextAttribute::ParagraphStyle, QVariant::fromValue(paragraph), 0,
                      text.length());

    std::vector<qsizetype> asked;
    const StyledText styled = resolveAttributedText(
        text, [&](const TextAttributes&, qsizetype location) -> PlaceholderCallback {
            asked.push_back(location);
            if (location == 13) {
                return {};  // not an inline object: stays a character
            }
            return [location] { return PlaceholderMetrics{qreal(10 + location), 12, 2}; };
        });

    EXPECT_EQ(styled.string(), text.string());
    EXPECT_EQ(asked, (std::vector<qsizetype>{6, 12, 13}));
    EXPECT_EQ(styled.runAt(0)->look.foreground, QColor(10, 20, 30));
    EXPECT_EQ(styled.runAt(7)->look.foreground, QColor(Qt::black));
    EXPECT_TRUE(styled.runAt(12)->look.underline);
    EXPECT_EQ(styled.runAt(0)->look.paragraph.paragraphSpacing, 7);
    EXPECT_EQ(styled.runAt(0)->look.paragraph.alignment, ParagraphStyle::Alignment::Center);
    EXPECT_TRUE(styled.runAt(6)->look.placeholder);
    EXPECT_EQ(styled.runAt(6)->length, 1);
    EXPECT_FALSE(styled.runAt(13)->look.placeholder);

    const TextFrame frame(styled, {400, TextFrame::kUnlimited});
    ASSERT_EQ(frame.lines().size(), 2u);
    std::vector<qreal> widths;
    for (const TextRunInfo& run : frame.lines()[0].runs) {
        if (run.isPlaceholder) {
            widths.push_back(run.width);
        }
    }
    EXPECT_EQ(widths, (std::vector<qreal>{16, 22}));
}
