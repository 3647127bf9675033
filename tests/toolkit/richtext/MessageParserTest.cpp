#include "toolkit/richtext/ZVMessageParser.h"
#include "toolkit/style/RichTextAttributes.h"
#include "toolkit/style/ZVColors.h"
#include "toolkit/style/ZVTextStyles.h"

#include <gtest/gtest.h>

namespace {

namespace Attr = platform::TextAttribute;
using platform::AttributedString;
using platform::FontDescription;
using platform::TextAttributes;

// One run as text: its characters, then the attributes that matter here in a fixed order.
QString describeRun(const AttributedString& text, const AttributedString::Run& run) {
    QStringList parts{QStringLiteral("\"%1\"").arg(text.string().mid(run.location, run.length))};
    const TextAttributes& a = run.attributes;
    if (a.contains(Attr::Font)) {
        parts << a.value(Attr::Font).value<FontDescription>().family;
    }
    if (a.contains(Attr::Link)) {
        parts << QStringLiteral("link=") + a.value(Attr::Link).toString();
    }
    if (a.contains(ZVLinkIndexAttributeName)) {
        parts << QStringLiteral("#%1").arg(a.value(ZVLinkIndexAttributeName).toInt());
    }
    if (a.contains(Attr::StrikethroughStyle)) {
        parts << QStringLiteral("strike");
    }
    if (a.contains(ZVEmoticonAttributeName)) {
        parts << QStringLiteral("emo=") + a.value(ZVEmoticonAttributeName).toString();
    }
    if (a.contains(ZVHorizontalLineAttributeName)) {
        parts << QStringLiteral("hr");
    }
    if (a.contains(ZVParagraphBackgroundAttributeName)) {
        parts << QStringLiteral("code");
    }
    if (a.contains(Attr::BackgroundColor)) {
        parts << QStringLiteral("mark");
    }
    if (a.isEmpty()) {
        parts << QStringLiteral("none");
    }
    return parts.join(u' ');
}

QStringList describe(const AttributedString& text) {
    QStringList runs;
    for (const AttributedString::Run& run : text.runs()) {
        runs << describeRun(text, run);
    }
    return runs;
}

TextAttributes markAttributes() {
    return {{Attr::BackgroundColor, QVariant::fromValue(platform::Color{255, 230, 128, 255})}};
}

class MessageParser : public ::testing::Test {
protected:
    MessageParser() { configure(); }

    // A parser as the display model sets one up; link indexes start again at 1.
    void configure() {
        parser = ZVMessageParser();
        parser.defaultAttributes = ZVTextStyles::attributesForStyle(0);
        parser.highlightAttributes = markAttributes();
        parser.allowFormatting = true;
        parser.localUserAccountId = QStringLiteral("me");
    }

    QStringList parse(const QString& xml) {
        parser.parseMessage(xml);
        return describe(parser.attributedText());
    }

    ZVMessageParser parser;
};

TEST_F(MessageParser, RunTablesPerElement) {
    const struct {
        const char* xml;
        QStringList runs;
    } cases[] = {
        {"<msg>a<b>b</b>c</msg>", {"\"a\" OpenSans", "\"b\" OpenSans-Bold", "\"c\" OpenSans"}},
        {"<msg><i><b>x</b></i></msg>", {"\"x\" OpenSans-BoldItalic"}},
        {"<msg>a<s>b</s></msg>", {"\"a\" OpenSans", "\"b\" OpenSans strike"}},
        {R"(<msg><a href="http://x.test/">x</a></msg>)", {"\"x\" OpenSans link=http://x.test/ #1"}},
        {R"(<msg><a href="http://x.test/" zelvo_url="zelvo:?c=1">x</a></msg>)",
         {"\"x\" OpenSans link=zelvo:?c=1 #1"}},
        {R"(<msg><mention account_id="me">Me</mention> <mention account_id="ann">Ann</mention></msg>)",
         {"\"Me\" OpenSans-Bold link=zelvo:?profile&account_id=me #1", "\" \" OpenSans",
          "\"Ann\" OpenSans link=zelvo:?profile&account_id=ann #2"}},
        {"<msg>a<hr/>b</msg>", {"\"a\" OpenSans", "\"\n\" hr", "\"b\" OpenSans"}},
        {"<msg>a<mark>b</mark></msg>", {"\"a\" OpenSans", "\"b\" OpenSans mark"}},
        {"<msg>a<pre>x = 1</pre></msg>",
         {"\"a\" OpenSans", "\"\n\" none", "\"x = 1\" Courier New code"}},
        // A quote is dark and slanted.
        {"<msg>a<q>b</q></msg>", {"\"a\" OpenSans", "\"b\" OpenSans-Italic"}},
    };
    for (const auto& c : cases) {
        configure();
        EXPECT_EQ(parse(QString::fromUtf8(c.xml)), c.runs) << c.xml;
    }
}

TEST_F(MessageParser, FormattingOffKeepsOnlyTheStructuralElements) {
    parser.allowFormatting = false;
    EXPECT_EQ(parse(QStringLiteral("<msg>a<b>b</b>c<a href=\"http://x.test/\">d</a></msg>")),
              QStringList{"\"abcd\" OpenSans"});
    EXPECT_TRUE(parser.urls().isEmpty());
    // Mentions, marks and rules do not depend on formatting.
    EXPECT_EQ(
        parse(QStringLiteral("<msg><mention account_id=\"ann\">A</mention><mark>b</mark></msg>")),
        (QStringList{"\"A\" OpenSans link=zelvo:?profile&account_id=ann #1",
                     "\"b\" OpenSans mark"}));
}

TEST_F(MessageParser, DistinctUrlsButOneIndexPerLink) {
    parse(QStringLiteral(R"(<msg><a href="http://a.test/">1</a> <a href="http://b.test/">2</a> )"
                         R"(<a href="http://a.test/">3</a></msg>)"));
    EXPECT_EQ(parser.urls(), (QStringList{"http://a.test/", "http://b.test/"}));
    const AttributedString& text = parser.attributedText();
    EXPECT_EQ(text.attribute(ZVLinkIndexAttributeName, 0).toInt(), 1);
    EXPECT_EQ(text.attribute(ZVLinkIndexAttributeName, 4).toInt(), 3);
}

TEST_F(MessageParser, EmoticonsAsEmojiAsImagesOrAsTheirCode) {
    const QString smile = QStringLiteral(R"(<msg>hi <emo kind="esmile">:)</emo></msg>)");
    EXPECT_EQ(parse(smile), QStringList{QStringLiteral("\"hi \U0001F642\" OpenSans")});

    parser.useZelvoEmoticons = true;
    EXPECT_EQ(parse(smile), (QStringList{"\"hi \" OpenSans", "\":)\" OpenSans #1 emo=esmile"}));
    EXPECT_EQ(parser.attributedText().attribute(ZVEmoticonSizeAttributeName, 3).toBool(), false);

    // Link indexes go on counting from one parse to the next.
    parser.useZelvoEmoticons = false;
    EXPECT_EQ(parse(QStringLiteral(R"(<msg><emo kind="enosuch">:Q</emo></msg>)")),
              QStringList{"\":Q\" OpenSans #2 emo=enosuch"});
    // Without a kind the element is only its text.
    EXPECT_EQ(parse(QStringLiteral("<msg><emo>:)</emo></msg>")), QStringList{"\":)\" OpenSans"});
}

TEST_F(MessageParser, OnlyEmoticonsFlag) {
    const struct {
        const char* xml;
        bool zelvoEmoticons;
        bool only;
    } cases[] = {
        {R"(<msg><emo kind="esmile">:)</emo> <emo kind="ewink">;)</emo></msg>)", false, true},
        {R"(<msg><emo kind="esmile">:)</emo> <emo kind="ewink">;)</emo></msg>)", true, true},
        {R"(<msg><emo kind="ecoffee">(c)</emo></msg>)", false, true},
        {R"(<msg><emo kind="esmile">:)</emo> x</msg>)", false, false},
        {"<msg>x</msg>", false, false},
    };
    for (const auto& c : cases) {
        parser.useZelvoEmoticons = c.zelvoEmoticons;
        parse(QString::fromUtf8(c.xml));
        EXPECT_EQ(parser.containsOnlyEmoticons(), c.only) << c.xml;
    }
}

TEST_F(MessageParser, FileNamesStayOutOfTheTextAndKeepTheirHighlights) {
    parse(QStringLiteral(R"(<msg>see<file key="k1">plan.pdf</file><file key="k2">my )"
                         R"(<mark>plan</mark>.txt</file><file>a<mark>b</mark></file></msg>)"));
    EXPECT_EQ(parser.attributedText().string(), QStringLiteral("see"));
    EXPECT_EQ(parser.files(), (QStringList{"k1", "k2"}));
    ASSERT_EQ(parser.highlightedFileNames().size(), 1);
    const AttributedString name = parser.highlightedFileNames().value(QStringLiteral("k2"));
    EXPECT_EQ(describe(name),
              (QStringList{"\"my \" OpenSans", "\"plan\" OpenSans mark", "\".txt\" OpenSans"}));
}

TEST_F(MessageParser, QuoteCollapse) {
    parser.hideQuotes = true;
    const QString quoted = QStringLiteral("<msg>reply<q>old text</q></msg>");

    parse(quoted);
    EXPECT_EQ(parser.attributedText().string(), QStringLiteral("reply[...]\nold text"));
    EXPECT_TRUE(parser.containsHiddenQuotes());
    EXPECT_EQ(parser.attributedText().attribute(Attr::Link, 5).toString(),
              QStringLiteral("toggle-quote:0"));

    // The quote index keeps counting, and its bit decides whether the quote is collapsed.
    parser.hiddenQuotes = 0b10;
    parse(quoted);
    EXPECT_EQ(parser.attributedText().string(), QStringLiteral("reply[...]"));
    EXPECT_EQ(parser.attributedText().attribute(Attr::Link, 5).toString(),
              QStringLiteral("toggle-quote:1"));

    // A quote at the start is the message itself.
    parser.hiddenQuotes = ZVMessageParser::kAllQuotesHidden;
    parse(QStringLiteral("<msg><q>old</q>new</msg>"));
    EXPECT_EQ(parser.attributedText().string(), QStringLiteral("oldnew"));
    EXPECT_FALSE(parser.containsHiddenQuotes());

    parser.hideQuotes = false;
    parse(quoted);
    EXPECT_EQ(parser.attributedText().string(), QStringLiteral("replyold text"));
}

TEST_F(MessageParser, TrailingSeparatorsAreTrimmed) {
    parse(QStringLiteral("<msg><p>one</p><p>two <br/></p>\n </msg>"));
    EXPECT_EQ(parser.attributedText().string(), QStringLiteral("one\u2029two"));
}

TEST_F(MessageParser, FirstParagraphStyleEndsAtTheFirstBreakAndOpenElementsGoOn) {
    parser.firstParagraphAttributes = ZVTextStyles::attributesForStyle(4);
    EXPECT_EQ(parse(QStringLiteral("<msg>Task <s>due<br/>today</s> done</msg>")),
              (QStringList{"\"Task \" OpenSans-Semibold", "\"due\u2028\" OpenSans-Semibold strike",
                           "\"today\" OpenSans strike", "\" done\" OpenSans"}));
    EXPECT_FALSE(parser.firstParagraphAttributes.has_value());
}

TEST_F(MessageParser, MalformedXmlKeepsThePartialText) {
    EXPECT_EQ(parse(QStringLiteral("<msg>abc<b>de</msg>")),
              (QStringList{"\"abc\" OpenSans", "\"de\" OpenSans-Bold"}));
    // Text after the fault is not read.
    parse(QStringLiteral("<msg>a &nosuch; b</msg>"));
    EXPECT_EQ(parser.attributedText().string(), QStringLiteral("a"));
}

TEST_F(MessageParser, ABodyThatIsNoMessageXmlShowsAsPlainText) {
    for (const QString& body : {QStringLiteral("just text"), QStringLiteral("a < b & c"),
                                QStringLiteral("<p>not a message</p>")}) {
        EXPECT_EQ(parse(body), QStringList{"\"" + body + "\" OpenSans"}) << body.toStdString();
    }
}

TEST_F(MessageParser, PhoneNumbersBecomeLinksExceptInCode) {
    parser.setRecognizePhones(true);
    ASSERT_TRUE(parser.recognizePhones());
    const QStringList runs =
        parse(QStringLiteral("<msg>call +1 650-253-0000 now<pre>+1 650-253-0000</pre></msg>"));
    ASSERT_EQ(runs.size(), 5) << runs.join(u'|').toStdString();
    EXPECT_EQ(runs[0], QStringLiteral("\"call \" OpenSans"));
    EXPECT_TRUE(runs[1].startsWith(QStringLiteral("\"+1 650-253-0000\" OpenSans link=tel://")))
        << runs[1].toStdString();
    EXPECT_EQ(runs[4], QStringLiteral("\"+1 650-253-0000\" Courier New code"));
    EXPECT_EQ(parser.urls().size(), 1);

    parser.setRecognizePhones(false);
    EXPECT_EQ(parse(QStringLiteral("<msg>+1 650-253-0000</msg>")),
              QStringList{"\"+1 650-253-0000\" OpenSans"});
}

TEST(MessageParserRichText, KeepsMarkupAndShowsInvalidMarkupAsPlainText) {
    const AttributedString confirm =
        ZVMessageParser::parseRichText(QStringLiteral("Delete <b>Plans</b>?"));
    EXPECT_EQ(describe(confirm),
              (QStringList{"\"Delete \" OpenSans", "\"Plans\" OpenSans-Bold", "\"?\" OpenSans"}));
    const AttributedString plain =
        ZVMessageParser::parseRichText(QStringLiteral("Error: expected <name> & value"));
    EXPECT_EQ(plain.string(), QStringLiteral("Error: expected <name> & value"));
    EXPECT_EQ(plain.runs().size(), 1u);
}

}  // namespace
