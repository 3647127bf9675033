#include "ZelvoKit/markup/ZVMarkupEncoder.h"
#include "ZelvoKit/markup/ZVMessageStripper.h"
#include "tests/ZelvoKit/markup/MarkupTestSupport.h"

#include <QtCore/QJsonArray>
#include <QtCore/QJsonDocument>
#include <QtCore/QJsonObject>
#include <QtCore/QRandomGenerator>

#include <gtest/gtest.h>

using namespace zvmarkuptest;

namespace {

QString encode(const QString& text, std::optional<QStringList> files = std::nullopt) {
    return ZVMarkupEncoder(text, std::move(files), bundledSyntax()).result();
}

// The typed texts that editing must give back exactly.
const QStringList& typedCorpus() {
    static const QStringList corpus = {
        QString(),
        QStringLiteral("hello"),
        QStringLiteral("  leading spaces stay"),
        QStringLiteral("two\nlines\n\nand a gap"),
        QStringLiteral("trailing newline\n"),
        QStringLiteral("*bold* _italic_ ~gone~ and *_nested ~deep~ text_*"),
        QStringLiteral("*unmatched and _also unmatched"),
        QStringLiteral("snake_case_name and 2*3*4 and a*b"),
        QStringLiteral("**empty** __ ~~"),
        QStringLiteral("see http://a.example/x_(y). and (https://b.example/path) then"),
        QStringLiteral("stray http://c.example/a)) and www.d.example, fine"),
        QStringLiteral("described http://e.example/p?q=1&r=2[the page] and www.f.example[f]"),
        QStringLiteral("empty description http://g.example[] end"),
        QStringLiteral("(...). and ) and (( and ))x"),
        QStringLiteral(":) :-( ;) <3 (y) ((coffee)) ((nosuch)) :)) x:)x"),
        QStringLiteral("> quoted line\n> second\nreply *after*"),
        QStringLiteral(">no space\n>\n> last"),
        QStringLiteral("```\nint main() { return *p < 2 && q > 1; }\n   indented\n```\nafter"),
        QStringLiteral("```cpp\nunclosed *code*"),
        QStringLiteral("---\nbetween rules\n-----  "),
        QStringLiteral("xml <msg> & \"quotes\" 'apostrophes' ]]> &amp;"),
        QStringLiteral("tab\there and\r\nwindows line"),
        QStringLiteral("emoji \U0001F600 and accents \u00e9\u0301 *\U0001F600*"),
        QStringLiteral("> quote with ```fence``` and ---\n```\n> not a quote\n```"),
    };
    return corpus;
}

}  // namespace

TEST(ZVMarkupEncoder, WritesGoldenXml) {
    const struct {
        QString typed;
        QString xml;
    } cases[] = {
        {"", "<msg></msg>"},
        {"hello", "<msg>hello</msg>"},
        {"a\nb\n", "<msg>a<br/>b</msg>"},
        {"a\n\nb", "<msg>a<br/><br/>b</msg>"},
        {"*bold* and _it_",
         R"x(<msg><b zvp="*" zvs="*">bold</b> and <i zvp="_" zvs="_">it</i></msg>)x"},
        {"*a _b_ c*", R"x(<msg><b zvp="*" zvs="*">a <i zvp="_" zvs="_">b</i> c</b></msg>)x"},
        {"*open _x_", R"x(<msg>*open <i zvp="_" zvs="_">x</i></msg>)x"},
        {"x < y & \"z\"", "<msg>x &lt; y &amp; &quot;z&quot;</msg>"},
        {":) hi", R"x(<msg><emo kind="esmile">:)</emo> hi</msg>)x"},
        {"see http://a.example/x_(y).",
         R"x(<msg>see <a href="http://a.example/x_(y)">http://a.example/x_(y)</a>.</msg>)x"},
        {"(www.a.example)", R"x(<msg>(<a href="http://www.a.example">www.a.example</a>)</msg>)x"},
        {"http://a.example[the site] ok",
         R"x(<msg><a href="http://a.example" zvp="http://a.example[" zvs="]">the site</a> ok</msg>)x"},
        {"> quoted\nreply", R"x(<msg><q><ql zvp="&gt; ">quoted</ql></q><br/>reply</msg>)x"},
        {"```\ncode *x*\n```", "<msg><pre zvp=\"```\" zvs=\"```\">\ncode *x*\n</pre></msg>"},
        {"---", R"x(<msg><hr zvp="---"/></msg>)x"},
        {"a\x01\x1f"
         "b\uFFFE",
         "<msg>ab</msg>"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.typed.toStdString());
        EXPECT_EQ(encode(c.typed), c.xml);
    }
}

TEST(ZVMarkupEncoder, FileKeysComeLastInTheRoot) {
    EXPECT_EQ(
        encode(QStringLiteral("> q"), QStringList{"k1", "k\"2"}),
        R"x(<msg><q><ql zvp="&gt; ">q</ql></q><file key="k1"/><file key="k&quot;2"/></msg>)x");
    EXPECT_EQ(encode(QString(), QStringList{"k"}), R"x(<msg><file key="k"/></msg>)x");
    EXPECT_EQ(ZVMessageStripper::extractFiles(encode(QStringLiteral("x"), QStringList{"a", "b"})),
              (QStringList{"a", "b"}));
}

TEST(ZVMarkupEncoder, TypedTextRoundTripsAndIsWellFormed) {
    QStringList documents;
    for (const QString& typed : typedCorpus()) {
        SCOPED_TRACE(typed.toStdString());
        const QString xml = encode(typed, QStringList{QStringLiteral("file-key")});
        documents << xml;
        EXPECT_EQ(ZVMessageStripper::extractPlainTextWithMarkup(xml, false),
                  withoutTrailingWhitespace(typed));
    }
    EXPECT_EQ(xmlCheckerErrors(documents), QString());
}

TEST(ZVMarkupEncoder, RandomMarkupSoupRoundTripsAndIsWellFormed) {
    const QStringList pieces = {
        "a",  "b",  " ",  " ",   "\n",     "\n",         "*",           "_",        "~",
        ">",  "> ", "-",  "---", "```",    "(",          ")",           "[",        "]",
        ".",  ",",  ":",  ":)",  "<3",     "((smile))",  "http://x.io", "www.y.io", "&",
        "\"", "<",  "\t", "\r",  "\u00e9", "\U0001F600", "\u2029"};
    QRandomGenerator random(20261210);
    QStringList documents;
    constexpr int kTexts = 400;
    constexpr int kMaxPieces = 40;
    for (int i = 0; i < kTexts; ++i) {
        QString typed;
        const int count = random.bounded(kMaxPieces);
        for (int p = 0; p < count; ++p) {
            typed += pieces[random.bounded(int(pieces.size()))];
        }
        const QString xml = encode(typed);
        documents << xml;
        ASSERT_EQ(ZVMessageStripper::extractPlainTextWithMarkup(xml, false),
                  withoutTrailingWhitespace(typed))
            << typed.toStdString() << "\n"
            << xml.toStdString();
    }
    EXPECT_EQ(xmlCheckerErrors(documents), QString());
}

TEST(ZVMarkupEncoder, WithoutAUsableSyntaxWritesTheTextEscaped) {
    auto invalid = std::make_shared<ZVMarkupSyntax>();
    EXPECT_FALSE(invalid->loadFromData("{}"));
    EXPECT_EQ(ZVMarkupEncoder(QStringLiteral("*a* <b>\n"), QStringList{"k"}, invalid).result(),
              "<msg>*a* &lt;b&gt;\n<file key=\"k\"/></msg>");
}

TEST(ZVMarkupEncoder, ADefinitionCannotMakeABrokenDocument) {
    auto withTextState = [](const QJsonArray& entries) {
        QJsonObject json = bundledSyntaxJson();
        QJsonObject states = json["line_states"].toObject();
        states["text"] = entries;
        json["line_states"] = states;
        auto syntax = std::make_shared<ZVMarkupSyntax>();
        EXPECT_TRUE(syntax->loadFromData(QJsonDocument(json).toJson()));
        return syntax;
    };
    // Closing names that are not open still closes the open elements, by their own names.
    EXPECT_EQ(ZVMarkupEncoder(
                  QStringLiteral("a\nb"), std::nullopt,
                  withTextState({QJsonArray{"text", "text:b"}, QJsonArray{"end", "text:/x,/y"}}))
                  .result(),
              "<msg>a<b>b</b></msg>");
    // Never closing the root leaves no document: the text is written plain instead.
    EXPECT_EQ(
        ZVMarkupEncoder(QStringLiteral("a\nb"), std::nullopt,
                        withTextState({QJsonArray{"text", "text:b"}, QJsonArray{"end", "text"}}))
            .result(),
        "<msg>a\nb</msg>");
    // A line that no entry of its state matches leaves no state to close the root either.
    EXPECT_EQ(ZVMarkupEncoder(
                  QStringLiteral("a\nb"), std::nullopt,
                  withTextState({QJsonArray{"quote", "text"}, QJsonArray{"end", "text:/msg"}}))
                  .result(),
              "<msg>a\nb</msg>");
}

TEST(ZVMarkupEncoder, PreserveTagsEachRemoveTheMarker) {
    QJsonObject json = bundledSyntaxJson();
    QJsonObject states = json["line_states"].toObject();
    QJsonArray start = states["start"].toArray();
    start.prepend(QJsonArray{"quote", "quote:msg,q%,ql%"});
    states["start"] = start;
    json["line_states"] = states;
    auto syntax = std::make_shared<ZVMarkupSyntax>();
    ASSERT_TRUE(syntax->loadFromData(QJsonDocument(json).toJson()));
    EXPECT_EQ(ZVMarkupEncoder(QStringLiteral("> abcdef"), std::nullopt, syntax).result(),
              R"x(<msg><q zvp="&gt; "><ql zvp="&gt; ">cdef</ql></q></msg>)x");
}

TEST(ZVMarkupEncoder, MarkupForEmoticonPrefersTheNamedForm) {
    EXPECT_EQ(ZVMarkupEncoder::markupForEmoticon(QStringLiteral("smile")), "((smile))");
    EXPECT_EQ(ZVMarkupEncoder::markupForEmoticon(QStringLiteral("coffee")), "((coffee))");
    EXPECT_EQ(ZVMarkupEncoder::markupForEmoticon(QStringLiteral("nosuch")), "");
}
