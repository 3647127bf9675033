#include "toolkit/style/AttributedStringUtils.h"
#include "toolkit/style/ZVColorTable.h"

#include <gtest/gtest.h>

namespace {

namespace Attr = platform::TextAttribute;
using platform::AttributedString;

const platform::Color kMark{255, 230, 128, 255};

AttributedString highlighted(const QString& text, qsizetype location, qsizetype length) {
    AttributedString result(text);
    result.addAttribute(Attr::BackgroundColor, QVariant::fromValue(platform::Color::clear()), 0,
                        result.length());
    result.addAttribute(Attr::BackgroundColor, QVariant::fromValue(kMark), location, length);
    return result;
}

QString highlightOf(const AttributedString& text) {
    QString found;
    text.enumerateAttribute(Attr::BackgroundColor, 0, text.length(),
                            [&](const QVariant& value, qsizetype at, qsizetype count) {
                                if (value.value<platform::Color>().alpha != 0) {
                                    found = text.string().mid(at, count);
                                    return true;
                                }
                                return false;
                            });
    return found;
}

TEST(HighlightedFragment, CutsAroundTheFirstHighlight) {
    QString text;
    for (int i = 0; i < 20; ++i) {
        text += QStringLiteral("word%1 ").arg(i % 10);  // 6 characters each
    }
    text += QStringLiteral("TARGET and some text that follows it here");
    const qsizetype at = text.indexOf(QStringLiteral("TARGET"));
    const AttributedString fragment =
        extractHighlightedFragmentFitInLength(highlighted(text, at, 6), 40);
    EXPECT_TRUE(fragment.string().startsWith(QStringLiteral("...")));
    EXPECT_TRUE(fragment.string().endsWith(QStringLiteral("...")));
    EXPECT_EQ(highlightOf(fragment), QStringLiteral("TARGET"));
    EXPECT_EQ(fragment.attribute(Attr::BackgroundColor, fragment.string().indexOf(u'T'))
                  .value<platform::Color>(),
              ZVColorTable::colorWithName(QStringLiteral("highlight")));

    // Line breaks become blanks; a short text is not cut.
    const AttributedString shortOne =
        extractHighlightedFragmentFitInLength(highlighted(QStringLiteral("a\nb hit"), 4, 3), 40);
    EXPECT_EQ(shortOne.string(), QStringLiteral("a b hit"));
    EXPECT_EQ(highlightOf(shortOne), QStringLiteral("hit"));

    // Without a highlight only the line breaks change.
    EXPECT_EQ(
        extractHighlightedFragmentFitInLength(AttributedString(QStringLiteral("x\ny")), 1).string(),
        QStringLiteral("x y"));
}

TEST(HighlightedFragment, NeverSplitsASurrogatePair) {
    // Emoji fill the text; any cut at an odd position would land inside one.
    const QString emoji = QStringLiteral("\U0001F642");
    QString text = emoji.repeated(30) + QStringLiteral("hit") + emoji.repeated(30);
    const AttributedString fragment =
        extractHighlightedFragmentFitInLength(highlighted(text, 60, 3), 21);
    const QString& cut = fragment.string();
    for (qsizetype i = 0; i < cut.size(); ++i) {
        if (cut[i].isHighSurrogate()) {
            ASSERT_TRUE(i + 1 < cut.size() && cut[i + 1].isLowSurrogate()) << i;
        }
        if (cut[i].isLowSurrogate()) {
            ASSERT_TRUE(i > 0 && cut[i - 1].isHighSurrogate()) << i;
        }
    }
    EXPECT_EQ(highlightOf(fragment), QStringLiteral("hit"));
}

TEST(TemplateFilling, PlaceholdersValuesAndFaults) {
    const platform::TextAttributes defaults{{Attr::UnderlineStyle, 1}};
    AttributedString bold(QStringLiteral("Ann"), {{Attr::StrikethroughStyle, 1}});
    const TemplateVariables variables = [&](const QString& name) -> TemplateValue {
        if (name == u"t") {
            return QStringLiteral("Topic");
        }
        if (name == u"list") {
            return QStringList{"a", "b"};
        }
        if (name == u"who") {
            return bold;
        }
        return {};
    };
    const struct {
        const char* format;
        const char* expected;
    } cases[] = {
        {"{t} {list}", "Topic a b"},
        {"{t}{t}", "TopicTopic"},
        {"{missing} stays", "{missing} stays"},
        {"a {} b {t}", "a {} b {t}"},
        {"\\{t} and {t}", "\\{t} and Topic"},
        {"{t} then {open", "Topic then {open"},
        {"", ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(
            attributedStringWithFormat(QString::fromUtf8(c.format), variables, defaults).string(),
            QString::fromUtf8(c.expected))
            << c.format;
    }
    // A value keeps its own attributes and takes the defaults it lacks.
    const AttributedString filled =
        attributedStringWithFormat(QStringLiteral("by {who}"), variables, defaults);
    EXPECT_EQ(filled.attribute(Attr::StrikethroughStyle, 3).toInt(), 1);
    EXPECT_EQ(filled.attribute(Attr::UnderlineStyle, 3).toInt(), 1);
    EXPECT_FALSE(filled.attribute(Attr::StrikethroughStyle, 0).isValid());

    EXPECT_EQ(stringWithFormat(QStringLiteral("{a}-{b}"), {{"a", "1"}, {"b", "2"}}),
              QStringLiteral("1-2"));
}

}  // namespace
