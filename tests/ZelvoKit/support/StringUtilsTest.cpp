#include "ZelvoKit/support/text/StringUtils.h"
#include "ZelvoKit/support/text/ZVTextAppearance.h"

#include <gtest/gtest.h>

namespace {

struct PrefixCase {
    const char16_t* text;
    const char16_t* prefix;
    StringRange range;  // location NotFound: the whole text
    StringRange expected;
};

TEST(StringUtilsTest, PrefixMatchesOnlyAtWordStartsInsideTheRange) {
    const StringRange none;
    const PrefixCase cases[] = {
        {u"Project-manager", u"ma", none, {8, 2}},
        {u"Gamma", u"ma", none, none},
        {u"cat dog cat", u"cat", {3, 8}, {8, 3}},
        {u"cat dog cat", u"cat", {3, 7}, none},  // the second word ends past the range
        {u"Hello World", u"wOR", none, {6, 3}},
        {u"start", u"st", none, {0, 2}},
        {u"a.b,c;Dee", u"dee", none, {6, 3}},
        {u"tab\tNew\nline", u"line", none, {8, 4}},
        {u"😀word", u"word", none, none},  // an emoji is not a separator
        {u"short", u"", none, none},
        {u"ab", u"abc", none, none},
        {u"cat", u"cat", {1, 50}, none},
        {u"x cat", u"cat", {0, 50}, {2, 3}},  // a range past the end is clamped
    };
    for (const PrefixCase& c : cases) {
        const QString text = QString::fromUtf16(c.text);
        const QString prefix = QString::fromUtf16(c.prefix);
        const StringRange result = c.range.found() ? rangeOfPrefixString(text, prefix, c.range)
                                                   : rangeOfPrefixString(text, prefix);
        EXPECT_EQ(result.location, c.expected.location)
            << text.toStdString() << " / " << prefix.toStdString();
        EXPECT_EQ(result.length, c.expected.length) << text.toStdString();
    }
}

TEST(StringUtilsTest, SeparatorsAreWhiteSpaceLineBreaksAndPunctuation) {
    for (char32_t c :
         {U' ', U'\t', U'\n', U'\r', char32_t(0x85), char32_t(0xA0), char32_t(0x2028), U'.', U',',
          U'-', U'!', U'"', U'(', U'@', char32_t(0x2014), char32_t(0x3002)}) {
        EXPECT_TRUE(inWhitespaceAndPunctuationSet(c)) << std::hex << uint32_t(c);
    }
    for (char32_t c : {U'a', U'Z', U'0', U'+', U'$', U'=', char32_t(0x1F600), char32_t(0x4E00)}) {
        EXPECT_FALSE(inWhitespaceAndPunctuationSet(c)) << std::hex << uint32_t(c);
    }
}

TEST(StringUtilsTest, TruncationEndsInAnEllipsisWithinTheLength) {
    const QString ellipsis(QChar(0x2026));
    struct Case {
        const char16_t* text;
        qsizetype n;
        const char16_t* expected;
    };
    const Case cases[] = {
        {u"elephant", 5, u"elep…"},
        {u"horse", 5, u"horse"},
        {u"elephant", 0, u"elephant"},
        {u"elephant", 1, u"…"},
        {u"", 3, u""},
        // A cut inside a surrogate pair or a letter with its accent backs off before it.
        {u"ab😀cd", 4, u"ab…"},
        {u"ab😀cd", 5, u"ab😀…"},
        {u"cafe\u0301s", 5, u"caf…"},
        {u"😀😀😀", 2, u"…"},
    };
    for (const Case& c : cases) {
        const QString text = QString::fromUtf16(c.text);
        const QString result = stringTruncatedToLength(text, c.n);
        EXPECT_EQ(result, QString::fromUtf16(c.expected)) << text.toStdString() << " " << c.n;
        if (c.n > 0) {
            EXPECT_LE(result.size(), c.n);
        }
        EXPECT_FALSE(!result.isEmpty() && result.back().isHighSurrogate());
    }
}

TEST(StringUtilsTest, GraphemeCutNeverLeavesHalfACharacter) {
    const QString text = QString::fromUtf16(u"a👍🏽b");  // thumbs up with a skin tone: 4 units
    EXPECT_EQ(leftAtGraphemeBoundary(text, 0), QString());
    EXPECT_EQ(leftAtGraphemeBoundary(text, 1), u"a");
    for (qsizetype n = 2; n <= 4; ++n) {
        EXPECT_EQ(leftAtGraphemeBoundary(text, n), u"a") << n;
    }
    EXPECT_EQ(leftAtGraphemeBoundary(text, 5), QString::fromUtf16(u"a👍🏽"));
    EXPECT_EQ(leftAtGraphemeBoundary(text, 99), text);
}

TEST(StringUtilsTest, StringOfCharRepeatsTheCharacter) {
    EXPECT_EQ(stringOfChar(u'*', 3), u"***");
    EXPECT_EQ(stringOfChar(u'*', 1), u"*");
    EXPECT_TRUE(stringOfChar(u'*', 0).isEmpty());
    EXPECT_FALSE(stringOfChar(u'*', 0).isNull());
    EXPECT_TRUE(stringOfChar(u'*', -2).isEmpty());
}

}  // namespace

TEST(StringUtils, HighlightingARangeMarksItsBackground) {
    const platform::Color yellow{255, 230, 0, 255};
    ZVTextAppearance::setColorLookup(
        [&](const QString& name) { return name == "highlight" ? yellow : platform::Color{}; });
    const QString background(platform::TextAttribute::BackgroundColor);
    const platform::AttributedString text =
        attributedStringHighlightingRange("find the word", StringRange{5, 3});
    ASSERT_EQ(text.runs().size(), 3u);
    EXPECT_EQ(text.attribute(background, 0).value<platform::Color>(), platform::Color::clear());
    EXPECT_EQ(text.attribute(background, 5).value<platform::Color>(), yellow);
    EXPECT_EQ(text.attribute(background, 8).value<platform::Color>(), platform::Color::clear());
    EXPECT_TRUE(attributedStringHighlightingRange("plain", StringRange{})
                    .runs()
                    .front()
                    .attributes.isEmpty());
    ZVTextAppearance::setColorLookup(nullptr);
    // Without a colour table the name is unknown, and unknown names show in magenta.
    EXPECT_EQ(attributedStringHighlightingRange("x", StringRange{0, 1})
                  .attribute(background, 0)
                  .value<platform::Color>(),
              (platform::Color{255, 0, 255, 255}));
}
