#include "ZelvoKit/model/ZVClassificators.h"

#include "ZelvoKit/support/base/ZVError.h"
#include "ZelvoKit/support/base/ZVJsonParser.h"

#include <gtest/gtest.h>

#include <QtCore/QSet>

#include <optional>

namespace {

struct CodeCase {
    const char* table;
    const ZVCodeTable& (*get)();
    const char* word;
    std::optional<int> number;  // none: the word is not in the table
};

// The numbers are stored in every account's local data, so a changed number is a corrupted store.
TEST(ZVClassificators, WordsMapToTheirFixedNumbers) {
    const CodeCase cases[] = {
        {"entity", &ZVClassificators::mk_entity_type, "conv", 2},
        {"entity", &ZVClassificators::mk_entity_type, "org_member", 13},
        {"entity", &ZVClassificators::mk_entity_type, "conversation", std::nullopt},
        {"message type", &ZVClassificators::mk_message_type, "text", 1},
        {"message type", &ZVClassificators::mk_message_type, "sysmsg", 14},
        {"message type", &ZVClassificators::mk_message_type, "separator", 20},
        {"message type", &ZVClassificators::mk_message_type, "fork", 29},
        {"message type", &ZVClassificators::mk_message_type, "html_email", std::nullopt},
        {"tag", &ZVClassificators::mk_message_tag, "pin", 0},
        {"tag", &ZVClassificators::mk_message_tag, "is_todo", 15},
        {"tag", &ZVClassificators::mk_message_tag, "is_deleted", 21},
        {"account", &ZVClassificators::mk_account_status, "active", 3},
        {"account", &ZVClassificators::mk_account_status, "alias", 7},
        {"e-mail", &ZVClassificators::mk_email_interval, "daily", 3},
        {"alert", &ZVClassificators::mk_alert_level, "never", 2},
        {"label status", &ZVClassificators::mk_label_status, "removed", 2},
        {"label kind", &ZVClassificators::mk_label_type, "unread", 5},
        {"label kind", &ZVClassificators::mk_label_type, "archived", 8},
        {"member", &ZVClassificators::mk_member_status, "bms_pending", 0},
        {"member", &ZVClassificators::mk_member_status, "bms_expired", 6},
    };
    for (const CodeCase& c : cases) {
        SCOPED_TRACE(QStringLiteral("%1 %2").arg(c.table, c.word).toStdString());
        const ZVCodeTable& table = c.get();
        const auto found = table.constFind(QString::fromLatin1(c.word));
        ASSERT_EQ(found != table.cend(), c.number.has_value());
        if (c.number) {
            EXPECT_EQ(*found, *c.number);
        }
    }
}

TEST(ZVClassificators, TablesHaveOneWordPerNumberAndLeaveTheReservedNumbersFree) {
    struct Shape {
        const ZVCodeTable& table;
        qsizetype size;
        QList<int> withoutWord;
    };
    const Shape shapes[] = {
        {ZVClassificators::mk_entity_type(), 13, {0, 14}},
        {ZVClassificators::mk_message_type(), 24, {6, 7, 8, 18, 21}},
        {ZVClassificators::mk_message_tag(), 12, {8, 14, 17, 19, 22, 31}},
        {ZVClassificators::mk_account_status(), 7, {0, 8}},
        {ZVClassificators::mk_email_interval(), 4, {0, 5}},
        {ZVClassificators::mk_alert_level(), 2, {0, 3}},
        {ZVClassificators::mk_label_status(), 2, {0, 3}},
        {ZVClassificators::mk_label_type(), 8, {7}},
        {ZVClassificators::mk_member_status(), 7, {7}},
    };
    for (const Shape& shape : shapes) {
        SCOPED_TRACE(shape.table.keys().join(u',').toStdString());
        EXPECT_EQ(shape.table.size(), shape.size);
        const QList<int> numbers = shape.table.values();
        EXPECT_EQ(QSet<int>(numbers.begin(), numbers.end()).size(), numbers.size());
        for (int number : shape.withoutWord) {
            EXPECT_FALSE(numbers.contains(number)) << number;
        }
    }
}

TEST(ZVClassificators, EachTableIsBuiltOnceAndShared) {
    EXPECT_EQ(&ZVClassificators::mk_message_type(), &ZVClassificators::mk_message_type());
    EXPECT_EQ(&ZVClassificators::mk_message_tag(), &ZVClassificators::mk_message_tag());
    EXPECT_EQ(&ZVClassificators::mk_member_status(), &ZVClassificators::mk_member_status());
}

TEST(ZVClassificators, TagsOfARecord) {
    struct Case {
        const char* record;
        std::uint32_t mask;
        std::optional<int> errorCode;
    };
    const Case cases[] = {
        {R"({"tags": ["pin", "is_shared", "not_a_tag"]})", 0x11, std::nullopt},
        {R"({"tags": ["is_deleted", "is_deleted", "is_todo"]})", (1u << 21) | (1u << 15),
         std::nullopt},
        {R"({"tags": [7, null, {"pin": 1}, "unlock"]})", 1u << 2, std::nullopt},
        {R"({"tags": []})", 0, std::nullopt},
        {R"({"tags": null})", 0, std::nullopt},
        {R"({"other": 1})", 0, std::nullopt},
        {R"({"tags": "pin"})", 0, ZVError::WrongValueClass},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.record);
        ZVJsonParser parser = ZVJsonParser::jsonParserForString(QString::fromUtf8(c.record));
        EXPECT_EQ(ZVClassificators::extractTags(parser, ZVClassificators::mk_message_tag()),
                  c.mask);
        ASSERT_EQ(parser.error() != nullptr, c.errorCode.has_value());
        if (c.errorCode) {
            EXPECT_EQ(parser.error()->code(), *c.errorCode);
        }
    }
}

TEST(ZVClassificators, TagsOutsideTheMaskAreIgnored) {
    const ZVCodeTable table{{QStringLiteral("low"), 0},
                            {QStringLiteral("high"), 31},
                            {QStringLiteral("beyond"), 32},
                            {QStringLiteral("negative"), -1}};
    ZVJsonParser parser = ZVJsonParser::jsonParserForString(
        QStringLiteral(R"({"tags": ["low", "high", "beyond", "negative"]})"));
    EXPECT_EQ(ZVClassificators::extractTags(parser, table), 0x80000001u);
}

TEST(ZVClassificators, WordsOfAMask) {
    struct Case {
        std::uint32_t mask;
        QStringList words;
    };
    const Case cases[] = {
        {(1u << 0) | (1u << 4) | (1u << 21),
         {QStringLiteral("pin"), QStringLiteral("is_shared"), QStringLiteral("is_deleted")}},
        {1u << 9, {}},
        {0, {}},
        {0xFFFFFFFFu, ZVClassificators::mk_message_tag().keys()},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.mask);
        const QStringList words = ZVClassificators::tagsToArray(c.mask);
        EXPECT_EQ(QSet<QString>(words.begin(), words.end()),
                  QSet<QString>(c.words.begin(), c.words.end()));
        EXPECT_EQ(words.size(), c.words.size());
    }
}

TEST(ZVClassificators, NumbersBackToWords) {
    struct Case {
        QString (*convert)(int);
        int number;
        const char* word;
    };
    const Case cases[] = {
        {&ZVClassificators::mk_email_interval_str, 2, "hourly"},
        {&ZVClassificators::mk_email_interval_str, 4, "never"},
        {&ZVClassificators::mk_email_interval_str, 0, "daily"},
        {&ZVClassificators::mk_email_interval_str, 99, "daily"},
        {&ZVClassificators::mk_alert_level_str, 2, "never"},
        {&ZVClassificators::mk_alert_level_str, 1, "default"},
        {&ZVClassificators::mk_alert_level_str, 5, "default"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.convert(c.number), QString::fromLatin1(c.word)) << c.number;
    }

    const ZVCodeTable& kinds = ZVClassificators::mk_label_type();
    EXPECT_EQ(ZVClassificators::lookupKey(2, kinds), QStringLiteral("starred"));
    EXPECT_TRUE(ZVClassificators::lookupKey(7, kinds).isNull());
    EXPECT_EQ(ZVClassificators::lookupKey(7, kinds, 1), QStringLiteral("user"));
    // The default's own look-up takes no further default.
    EXPECT_TRUE(ZVClassificators::lookupKey(7, kinds, 70).isNull());
}

// The readers of the records turn words into numbers through the JSON reader with these tables;
// what an unknown word becomes is decided per use.
TEST(ZVClassificators, RecordReadersWithTheTables) {
    ZVJsonParser message = ZVJsonParser::jsonParserForString(
        QStringLiteral(R"({"mk_message_type": "poll", "mk_rec_type": "conversation"})"));
    EXPECT_EQ(message.extractEnum(u"mk_message_type", ZVClassificators::mk_message_type(), 14), 14);
    EXPECT_EQ(message.extractEnum(u"mk_rec_type", ZVClassificators::mk_entity_type(), 0), 0);
    EXPECT_EQ(message.error(), nullptr);

    ZVJsonParser label =
        ZVJsonParser::jsonParserForString(QStringLiteral(R"({"mk_label_subtype": "starred"})"));
    EXPECT_EQ(label.extractEnum(u"mk_label_subtype", ZVClassificators::mk_label_type(), 7), 2);
    EXPECT_EQ(label.extractEnum(u"mk_absent", ZVClassificators::mk_label_type(), 7), 7);

    ZVJsonParser status =
        ZVJsonParser::jsonParserForString(QStringLiteral(R"({"mk_label_status": "hidden"})"));
    EXPECT_FALSE(status.extractEnum(u"mk_label_status", ZVClassificators::mk_label_status()));
    ASSERT_NE(status.error(), nullptr);
    EXPECT_EQ(status.error()->code(), ZVError::UnknownEnumValue);
}

}  // namespace
