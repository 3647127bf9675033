#include "ZelvoKit/markup/ZVMarkupEncoder.h"
#include "ZelvoKit/markup/ZVMarkupSyntax.h"
#include "tests/ZelvoKit/markup/MarkupTestSupport.h"

#include <QtCore/QJsonArray>
#include <QtCore/QJsonDocument>
#include <QtCore/QJsonObject>

#include <gtest/gtest.h>

using namespace zvmarkuptest;

namespace {

bool loads(const QJsonObject& json) {
    return ZVMarkupSyntax().loadFromData(QJsonDocument(json).toJson());
}

QJsonObject changed(const QString& key, const QJsonValue& value) {
    QJsonObject json = bundledSyntaxJson();
    if (value.isUndefined()) {
        json.remove(key);
    } else {
        json[key] = value;
    }
    return json;
}

QJsonObject withState(const QString& state, const QJsonValue& entries) {
    QJsonObject json = bundledSyntaxJson();
    QJsonObject states = json["line_states"].toObject();
    states[state] = entries;
    json["line_states"] = states;
    return json;
}

}  // namespace

TEST(ZVMarkupSyntax, TheBundledDefinitionIsValid) {
    const auto syntax = bundledSyntax();
    ASSERT_TRUE(syntax->isValid());
    EXPECT_EQ(syntax->parenthesesMap().value(QLatin1Char('(')), QLatin1Char(')'));
    EXPECT_NE(syntax->lineStates(syntax->startState()), nullptr);
}

TEST(ZVMarkupSyntax, EveryRequiredKeyMustBePresentAndOfItsType) {
    const QStringList required = {"emoticon_names",   "end_token",       "href_schemas",
                                  "multi_word_start", "multi_word_tags", "single_word_markup",
                                  "single_word_tags", "url_desc_start",  "url_desc_end",
                                  "line_types",       "line_states",     "multi_word_end",
                                  "open_parens",      "close_parens",    "start_state"};
    for (const QString& key : required) {
        SCOPED_TRACE(key.toStdString());
        EXPECT_FALSE(loads(changed(key, QJsonValue::Undefined))) << "missing";
        EXPECT_FALSE(loads(changed(key, QJsonValue::Null))) << "null";
        EXPECT_FALSE(loads(changed(key, 42))) << "mistyped";
    }
    EXPECT_TRUE(loads(changed("link_strip_punct", QJsonValue::Undefined)));
    EXPECT_TRUE(loads(QJsonObject{{"syntax", bundledSyntaxJson()}}));
}

TEST(ZVMarkupSyntax, RejectsBrokenPatternsStatesAndNames) {
    const struct {
        const char* name;
        QJsonObject json;
    } cases[] = {
        {"bad multi-word start", changed("multi_word_start", "([*")},
        {"bad single-word pattern", changed("single_word_markup", "(?<=a+)b")},
        {"pattern raising its own limits",
         changed("single_word_markup", "(*LIMIT_MATCH=999999999)a")},
        {"bad line pattern", changed("line_types", QJsonObject{{"text", QJsonArray{"(", 1}}})},
        {"line type not a pair", changed("line_types", QJsonObject{{"text", QJsonArray{"^"}}})},
        {"unknown start state", changed("start_state", "nowhere")},
        {"state entry not a pair", withState("text", QJsonArray{QJsonArray{"text"}})},
        {"state not a list", withState("text", "text")},
        {"empty tag spec", withState("text", QJsonArray{QJsonArray{"text", "text:br/,,b"}})},
        {"tag name XML cannot carry",
         withState("text", QJsonArray{QJsonArray{"text", "text:a b"}})},
        {"entry naming an unknown line type",
         withState("text", QJsonArray{QJsonArray{"nosuch", "text"}})},
        {"entry naming an unknown state",
         withState("text", QJsonArray{QJsonArray{"text", "gone"}})},
        {"element name XML cannot carry", changed("multi_word_tags", QJsonObject{{"*", "<b>"}})},
        {"brackets of unequal length", changed("close_parens", ")")},
        {"not JSON", {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_FALSE(c.json.isEmpty() ? ZVMarkupSyntax().loadFromData("{\"emoticon")
                                      : loads(c.json));
    }
}

TEST(ZVMarkupSyntax, ParsesTagSpecs) {
    const struct {
        QString spec;
        ZVParserTag::Type type;
        QString name;
        bool preserve;
        std::optional<ZVParserTag::Attributes> attributes;
    } cases[] = {
        {"q", ZVParserTag::Opening, "q", false, std::nullopt},
        {"/q", ZVParserTag::Closing, "q", false, std::nullopt},
        {"q%", ZVParserTag::Opening, "q", true, std::nullopt},
        {"/pre%", ZVParserTag::Closing, "pre", true, std::nullopt},
        {"hr/", ZVParserTag::Empty, "hr", false, std::nullopt},
        {"hr%/", ZVParserTag::Empty, "hr", true, std::nullopt},
        {"a|href=2|title=0|late=9", ZVParserTag::Opening, "a", false,
         ZVParserTag::Attributes{{"href", "two"}, {"title", "zero"}}},
        {"a|bad|x=|=3|y=-1|z=1=2", ZVParserTag::Opening, "a", false, std::nullopt},
    };
    const QStringList matches = {"zero", "one", "two"};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.spec.toStdString());
        const ZVParserTag tag(c.spec);
        EXPECT_EQ(tag.type(), c.type);
        EXPECT_EQ(tag.name(), c.name);
        EXPECT_EQ(tag.preserveContent(), c.preserve);
        EXPECT_EQ(tag.attributesFromMatches(&matches), c.attributes);
        EXPECT_EQ(tag.attributesFromMatches(nullptr), std::nullopt);
    }
}

TEST(ZVMarkupSyntax, AnEndPatternThatDoesNotCompileLeavesItsMarkerAsText) {
    QJsonObject ends = bundledSyntaxJson()["multi_word_end"].toObject();
    ends["*"] = "(\\*";
    auto syntax = std::make_shared<ZVMarkupSyntax>();
    ASSERT_TRUE(syntax->loadFromData(QJsonDocument(changed("multi_word_end", ends)).toJson()));
    EXPECT_EQ(ZVMarkupEncoder("*a* _b_", std::nullopt, syntax).result(),
              R"x(<msg>*a* <i zvp="_" zvs="_">b</i></msg>)x");
}

TEST(ZVMarkupSyntax, WithoutLinkPunctuationTheDefaultIsStripped) {
    auto syntax = std::make_shared<ZVMarkupSyntax>();
    ASSERT_TRUE(syntax->loadFromData(
        QJsonDocument(changed("link_strip_punct", QJsonValue::Undefined)).toJson()));
    EXPECT_EQ(syntax->punctuation(), ".!?;,-");
    EXPECT_EQ(ZVMarkupEncoder("http://a.io/x-!?", std::nullopt, syntax).result(),
              R"x(<msg><a href="http://a.io/x">http://a.io/x</a>-!?</msg>)x");
}

TEST(ZVMarkupSyntax, AHostilePatternCannotHangTheEncoder) {
    // Catastrophic backtracking: without a bound on the match this would run for hours.
    auto syntax = std::make_shared<ZVMarkupSyntax>();
    ASSERT_TRUE(syntax->loadFromData(
        QJsonDocument(changed("single_word_markup", "((?:a|a)+)+b")).toJson()));
    const QString text = QString(60, QLatin1Char('a')) + "!";
    EXPECT_EQ(ZVMarkupEncoder(text, std::nullopt, syntax).result(), "<msg>" + text + "</msg>");
}
