#include "ZelvoKit/support/log/ZVObfuscator.h"

#include "platform/foundation/SharedState.h"

#include <QtCore/QJsonArray>
#include <QtCore/QRegularExpression>

#include <gtest/gtest.h>

namespace {

class ZVObfuscatorTest : public testing::Test {
protected:
    void SetUp() override { ZVObfuscator::seedRandomSource(20260105); }

    // Same length, letters where the original has letters, upper case exactly where it has it.
    static void expectSameShape(const QString& original, const QString& replaced) {
        ASSERT_EQ(replaced.size(), original.size()) << original.toStdString();
        for (qsizetype i = 0; i < original.size(); ++i) {
            EXPECT_EQ(replaced[i].isUpper(), original[i].isUpper())
                << original.toStdString() << " -> " << replaced.toStdString() << " at " << i;
            EXPECT_TRUE(replaced[i].isLetter()) << replaced.toStdString();
        }
    }
};

TEST_F(ZVObfuscatorTest, WordsBecomePlaceholdersOfTheSameShape) {
    EXPECT_EQ(ZVObfuscator::obfuscateWord("a"), "a");
    EXPECT_EQ(ZVObfuscator::obfuscateWord("Hi"), "Hi");
    EXPECT_EQ(ZVObfuscator::obfuscateWord(""), "");
    for (const char* word : {"there", "There", "THERE", "mIxEd", "Supercalifragilistic",
                             "antidisestablishmentarianismantidisestablishment"}) {
        const QString original = QString::fromLatin1(word);
        const QString replaced = ZVObfuscator::obfuscateWord(original);
        expectSameShape(original, replaced);
        EXPECT_NE(replaced.toLower(), original.toLower());
    }
    // Placeholders come from the passage, so a word of a length it has is one of its words.
    const QString five = ZVObfuscator::obfuscateWord("there");
    EXPECT_TRUE(
        QStringList({"lorem",     "ipsum",       "dolor",        "magna",        "minim",
                     "nulla",     "culpa",       "irure",        "velit",        "dolore",
                     "tempor",    "labore",      "aliqua",       "veniam",       "quis",
                     "sint",      "officia",     "mollit",       "laborum",      "ullamco",
                     "laboris",   "nisi",        "aliquip",      "commodo",      "fugiat",
                     "cillum",    "esse",        "aute",         "duis",         "elit",
                     "amet",      "enim",        "anim",         "sunt",         "qui",
                     "est",       "non",         "sit",          "sed",          "eiusmod",
                     "consequat", "pariatur",    "excepteur",    "occaecat",     "cupidatat",
                     "proident",  "deserunt",    "voluptate",    "incididunt",   "adipiscing",
                     "nostrud",   "consectetur", "exercitation", "reprehenderit"})
            .contains(five))
        << five.toStdString();
}

TEST_F(ZVObfuscatorTest, TextKeepsTagsDigitsAndPunctuation) {
    const QString text = "<b>Hi there</b>";
    const QString replaced = ZVObfuscator::obfuscateText(text);
    ASSERT_TRUE(replaced.startsWith("<b>Hi ")) << replaced.toStdString();
    ASSERT_TRUE(replaced.endsWith("</b>")) << replaced.toStdString();
    const QString word = replaced.mid(6, 5);
    expectSameShape("there", word);
    EXPECT_NE(word, "there");

    const QString message = "<p>Meet Alice at 10:30, room 4B!</p>\n<strong>OK?</strong>";
    const QString masked = ZVObfuscator::obfuscateText(message);
    ASSERT_EQ(masked.size(), message.size());
    // Everything but the letters of the words stays in place; tag names survive.
    static const QRegularExpression letters("\\p{L}");
    EXPECT_EQ(QString(masked).replace(letters, "x"),
              "<x>xxxx xxxxx xx 10:30, xxxx 4x!</x>\n<xxxxxx>xx?</xxxxxx>");
    EXPECT_TRUE(masked.startsWith("<p>")) << masked.toStdString();
    EXPECT_TRUE(masked.contains("</p>\n<strong>")) << masked.toStdString();
    EXPECT_TRUE(masked.endsWith("?</strong>")) << masked.toStdString();
    EXPECT_FALSE(masked.contains("Alice"));
    expectSameShape("Alice", masked.mid(8, 5));

    // Letters of any script, with their marks, count as words.
    const QString greek = ZVObfuscator::obfuscateText(QString::fromUtf16(u"Καλημέρα, 😀 Zoë"));
    EXPECT_EQ(greek.size(), QString::fromUtf16(u"Καλημέρα, 😀 Zoë").size());
    EXPECT_TRUE(greek.contains(QString::fromUtf16(u", 😀 "))) << greek.toStdString();
    EXPECT_FALSE(greek.contains(QString::fromUtf16(u"Zoë")));
    EXPECT_TRUE(greek[0].isUpper());
}

TEST_F(ZVObfuscatorTest, StructuredTextIsKept) {
    for (const char* text : {"{\"a\": \"secret words\"}", "{}"}) {
        EXPECT_EQ(ZVObfuscator::obfuscateText(text), text);
    }
    EXPECT_NE(ZVObfuscator::obfuscateText("{secret words"), "{secret words");
}

TEST_F(ZVObfuscatorTest, IdentifiersMapStablyToHexadecimal) {
    const QString uuid = "3F2504E0-4F89-11D3-9A0C-0305E82C3301";
    const QString replaced = ZVObfuscator::obfuscateId(uuid);
    static const QRegularExpression form(
        "\\A[0-9a-f]{8}\\+[0-9a-f]{4}\\+[0-9a-f]{4}\\+[0-9a-f]{4}\\+[0-9a-f]{12}\\z");
    EXPECT_TRUE(form.match(replaced).hasMatch()) << replaced.toStdString();
    EXPECT_EQ(ZVObfuscator::obfuscateId(uuid), replaced);
    ZVObfuscator::obfuscateId("something else");
    EXPECT_EQ(ZVObfuscator::obfuscateId(uuid), replaced);
    EXPECT_NE(ZVObfuscator::obfuscateId("3F2504E0-4F89-11D3-9A0C-0305E82C3302"), replaced);
}

TEST_F(ZVObfuscatorTest, SeededSourceReproducesResults) {
    auto run = [] {
        return QStringList{ZVObfuscator::obfuscateText("Quick brown foxes jump"),
                           ZVObfuscator::obfuscateId("alpha-beta")};
    };
    ZVObfuscator::seedRandomSource(7);
    const QStringList first = run();
    platform::resetSharedState();  // forgets the identifiers
    ZVObfuscator::seedRandomSource(7);
    EXPECT_EQ(run(), first);
}

TEST_F(ZVObfuscatorTest, DictionaryFieldsAreMaskedAtAnyDepth) {
    QJsonObject record{
        {"message", "abc def"},
        {"count", 3},
        {"conversation_id", "3F2504E0-4F89-11D3-9A0C-0305E82C3301"},
        {"members", QJsonArray{QJsonObject{{"display_name", "red fox"}}, "plain", 4}},
        {"conversation", QJsonObject{{"topic", "Budget"},
                                     {"owner", QJsonObject{{"email", "ann.bee@example.com"}}},
                                     {"label", "Budget"}}},
    };
    ZVObfuscator::obfuscateDictionary(record);

    const QString message = record["message"].toString();
    EXPECT_EQ(message.size(), 7);
    EXPECT_EQ(message[3], u' ');
    EXPECT_NE(message, "abc def");
    EXPECT_EQ(record["count"], 3);
    EXPECT_EQ(record["conversation_id"], "3F2504E0-4F89-11D3-9A0C-0305E82C3301");

    const QJsonArray members = record["members"].toArray();
    const QString name = members[0].toObject()["display_name"].toString();
    EXPECT_EQ(name.size(), 7);
    EXPECT_NE(name, "red fox");
    EXPECT_EQ(members[1], "plain");
    EXPECT_EQ(members[2], 4);

    const QJsonObject conversation = record["conversation"].toObject();
    expectSameShape("Budget", conversation["topic"].toString());
    EXPECT_NE(conversation["topic"], "Budget");
    EXPECT_EQ(conversation["label"], "Budget");
    const QString email = conversation["owner"].toObject()["email"].toString();
    EXPECT_EQ(email.size(), 19);
    EXPECT_EQ(email.indexOf('@'), 7);
    EXPECT_EQ(email[3], u'.');
    EXPECT_FALSE(email.contains("example"));
}

}  // namespace
