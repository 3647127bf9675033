#include "ZelvoKit/support/base/ZVJsonParser.h"

#include "ZelvoKit/support/log/ZVErrorLog.h"

#include <QtCore/QFile>
#include <QtCore/QTimeZone>

#include <gtest/gtest.h>

#include <unicode/locid.h>
#include <unicode/timezone.h>

#include <functional>
#include <thread>

namespace {

using namespace Qt::Literals::StringLiterals;
using JsonClass = ZVJsonParser::JsonClass;

const char* const Document = R"({
    "s": "text", "n": 42, "f": 2.5, "neg": -7.9, "t": true, "z": false, "nul": null,
    "big": 9007199254740993,
    "a": {"b": null, "c": {"d": "deep"}},
    "files": [{"upload_url": "u"}, {"x": 1}],
    "holes": [null, {}],
    "m": [[1, 2], [3]],
    "list": ["zero", "one", "two"],
    "kind": "team",
    "date": 1400000000.9,
    "iso": "2014-05-13 10:21:33.12345+0000",
    "arr": [1], "obj": {}
})";

QString show(const QString& s) {
    return s.isNull() ? QStringLiteral("nil") : s;
}
template <class T>
QString show(const std::optional<T>& v) {
    return v ? QString::number(*v) : QStringLiteral("nil");
}
QString show(const std::optional<bool>& v) {
    return v ? (*v ? QStringLiteral("true") : QStringLiteral("false")) : QStringLiteral("nil");
}
QString show(const QDateTime& d) {
    return d.isValid() ? d.toUTC().toString(Qt::ISODateWithMs) : QStringLiteral("nil");
}
QString show(const QJsonValue& v) {
    if (v.isUndefined()) {
        return QStringLiteral("nil");
    }
    return QString::fromUtf8(QJsonDocument(QJsonArray{v}).toJson(QJsonDocument::Compact));
}

struct ExtractionCase {
    const char* name;
    std::function<QString(ZVJsonParser&)> read;
    QString expected;
    int errorCode;  // 0: nothing recorded
    QString errorKey;
    QString errorClass;
};

const QHash<QString, int> Kinds{{QStringLiteral("team"), 2}, {QStringLiteral("contact"), 1}};

TEST(ZVJsonParserTest, ExtractorsByPathAndForm) {
    const QDateTime fallback = QDateTime::fromSecsSinceEpoch(5, Qt::UTC);
    const ExtractionCase cases[] = {
        // Paths.
        {"plain key", [](auto& p) { return show(p.extractString(u"s")); }, "text", 0, {}, {}},
        {"nested keys", [](auto& p) { return show(p.extractString(u"a/c/d")); }, "deep", 0, {}, {}},
        {"indexed component",
         [](auto& p) { return show(p.extractString(u"files[0]/upload_url")); },
         "u",
         0,
         {},
         {}},
        {"files[1]/x", [](auto& p) { return show(p.extractInt(u"files[1]/x")); }, "1", 0, {}, {}},
        {"key missing in an element",
         [](auto& p) { return show(p.extractString(u"files[1]/upload_url")); },
         "nil",
         1002,
         "upload_url",
         {}},
        {"index past the end, required",
         [](auto& p) { return show(p.extractString(u"files[2]/upload_url")); },
         "nil",
         1002,
         "files[2]/upload_url",
         {}},
        {"index past the end, optional",
         [](auto& p) { return show(p.extractString(u"files[2]/upload_url", u"d"_s)); },
         "d",
         0,
         {},
         {}},
        {"negative index is past the end",
         [](auto& p) { return show(p.extractString(u"list[-1]")); },
         "nil",
         1002,
         "list[-1]",
         {}},
        {"only the first index counts",
         [](auto& p) { return show(p.extractObject(u"m[0][1]", JsonClass::Array)); },
         "[[1,2]]",
         0,
         {},
         {}},
        {"index that is no number reads 0",
         [](auto& p) { return show(p.extractString(u"list[x]")); },
         "zero",
         0,
         {},
         {}},
        {"missing bracket still reads the index",
         [](auto& p) { return show(p.extractString(u"list[2")); },
         "two",
         0,
         {},
         {}},
        {"null leaf, required",
         [](auto& p) { return show(p.extractString(u"a/b")); },
         "nil",
         1002,
         "b",
         {}},
        {"null leaf, optional",
         [](auto& p) { return show(p.extractString(u"a/b", u"d"_s)); },
         "d",
         0,
         {},
         {}},
        {"null mid-path, required",
         [](auto& p) { return show(p.extractString(u"nul/x")); },
         "nil",
         1002,
         "nul",
         {}},
        {"null mid-path, optional",
         [](auto& p) { return show(p.extractString(u"nul/x", u"d"_s)); },
         "d",
         0,
         {},
         {}},
        {"null element mid-path is required even for a look",
         [](auto& p) { return p.containsValue(u"holes[0]/x") ? u"yes"_s : u"no"_s; },
         "no",
         1002,
         "holes[0]/x",
         {}},
        {"empty element mid-path, optional leaf",
         [](auto& p) { return p.containsValue(u"holes[1]/x") ? u"yes"_s : u"no"_s; },
         "no",
         0,
         {},
         {}},
        {"string mid-path, even optional",
         [](auto& p) { return show(p.extractString(u"s/x", u"d"_s)); }, "d", 1003, "s", "String"},
        {"string element mid-path", [](auto& p) { return show(p.extractString(u"list[0]/x")); },
         "nil", 1003, "list[0]/x", "String"},
        {"array lookup of a dictionary", [](auto& p) { return show(p.extractString(u"a[0]")); },
         "nil", 1003, "a", "Dictionary"},
        {"null path is the document",
         [](auto& p) {
             return show(p.extractValue({}, true, JsonClass::Dictionary).toObject().value(u"s"));
         },
         "[\"text\"]",
         0,
         {},
         {}},
        {"null is not contained",
         [](auto& p) { return p.containsValue(u"nul") ? u"yes"_s : u"no"_s; },
         "no",
         0,
         {},
         {}},
        // Strings.
        {"string of a number, required", [](auto& p) { return show(p.extractString(u"n")); }, "nil",
         1003, "n", "Number"},
        {"string of a number, optional",
         [](auto& p) { return show(p.extractString(u"n", u"d"_s)); }, "d", 1003, "n", "Number"},
        {"absent string, optional",
         [](auto& p) { return show(p.extractString(u"nope", u"d"_s)); },
         "d",
         0,
         {},
         {}},
        // Numbers, with booleans as numbers.
        {"int", [](auto& p) { return show(p.extractInt(u"n")); }, "42", 0, {}, {}},
        {"int drops the fraction",
         [](auto& p) { return show(p.extractInt(u"f")); },
         "2",
         0,
         {},
         {}},
        {"int drops towards zero",
         [](auto& p) { return show(p.extractInt(u"neg")); },
         "-7",
         0,
         {},
         {}},
        {"int keeps 64 bits",
         [](auto& p) { return show(p.extractInt(u"big")); },
         "9007199254740993",
         0,
         {},
         {}},
        {"int of true", [](auto& p) { return show(p.extractInt(u"t")); }, "1", 0, {}, {}},
        {"int absent, required",
         [](auto& p) { return show(p.extractInt(u"nope")); },
         "nil",
         1002,
         "nope",
         {}},
        {"int of a string, optional",
         [](auto& p) { return QString::number(p.extractInt(u"s", 5)); }, "5", 1003, "s", "String"},
        {"int absent, optional",
         [](auto& p) { return QString::number(p.extractInt(u"nope", 5)); },
         "5",
         0,
         {},
         {}},
        {"float", [](auto& p) { return show(p.extractFloat(u"f")); }, "2.5", 0, {}, {}},
        {"float of false", [](auto& p) { return show(p.extractFloat(u"z")); }, "0", 0, {}, {}},
        {"float of a dictionary", [](auto& p) { return show(p.extractFloat(u"obj")); }, "nil", 1003,
         "obj", "Dictionary"},
        {"float absent, optional",
         [](auto& p) { return QString::number(p.extractFloat(u"nope", 0.25)); },
         "0.25",
         0,
         {},
         {}},
        {"bool", [](auto& p) { return show(p.extractBool(u"t")); }, "true", 0, {}, {}},
        {"bool of false", [](auto& p) { return show(p.extractBool(u"z")); }, "false", 0, {}, {}},
        {"bool of a number", [](auto& p) { return show(p.extractBool(u"n")); }, "true", 0, {}, {}},
        {"bool of a string", [](auto& p) { return show(p.extractBool(u"s")); }, "nil", 1003, "s",
         "String"},
        {"bool absent, optional",
         [](auto& p) { return p.extractBool(u"nope", true) ? u"true"_s : u"false"_s; },
         "true",
         0,
         {},
         {}},
        // Enums.
        {"enum", [](auto& p) { return show(p.extractEnum(u"kind", Kinds)); }, "2", 0, {}, {}},
        {"enum of an unknown value",
         [](auto& p) { return show(p.extractEnum(u"s", Kinds)); },
         "nil",
         1004,
         "s",
         {}},
        {"enum of an unknown value, optional",
         [](auto& p) { return QString::number(p.extractEnum(u"s", Kinds, -1)); },
         "-1",
         0,
         {},
         {}},
        {"enum absent, optional",
         [](auto& p) { return QString::number(p.extractEnum(u"nope", Kinds, -1)); },
         "-1",
         0,
         {},
         {}},
        {"enum of a number", [](auto& p) { return show(p.extractEnum(u"n", Kinds)); }, "nil", 1003,
         "n", "Number"},
        // Dates.
        {"epoch date drops the fraction",
         [](auto& p) { return show(p.extractDate(u"date")); },
         "2014-05-13T16:53:20.000Z",
         0,
         {},
         {}},
        {"epoch date absent, optional",
         [fallback](auto& p) { return show(p.extractDate(u"nope", fallback)); },
         "1970-01-01T00:00:05.000Z",
         0,
         {},
         {}},
        {"epoch date of a string", [](auto& p) { return show(p.extractDate(u"s")); }, "nil", 1003,
         "s", "String"},
        {"timestamp text",
         [](auto& p) { return show(p.extractISOEncodedDate(u"iso")); },
         "2014-05-13T10:21:33.123Z",
         0,
         {},
         {}},
        {"timestamp absent, optional",
         [fallback](auto& p) { return show(p.extractISOEncodedDate(u"nope", fallback)); },
         "1970-01-01T00:00:05.000Z",
         0,
         {},
         {}},
        // Objects.
        {"object of its class",
         [](auto& p) { return show(p.extractObject(u"arr", JsonClass::Array)); },
         "[[1]]",
         0,
         {},
         {}},
        {"object of another class",
         [](auto& p) { return show(p.extractObject(u"obj", JsonClass::Array)); }, "nil", 1003,
         "obj", "Dictionary"},
        {"object absent, optional",
         [](auto& p) { return show(p.extractObject(u"nope", JsonClass::Array, QJsonArray{7})); },
         "[[7]]",
         0,
         {},
         {}},
    };
    for (const ExtractionCase& c : cases) {
        SCOPED_TRACE(c.name);
        ZVJsonParser parser = ZVJsonParser::jsonParserForString(QString::fromUtf8(Document));
        ASSERT_EQ(parser.error(), nullptr);
        EXPECT_EQ(c.read(parser), c.expected);
        if (c.errorCode == 0) {
            EXPECT_EQ(parser.error(), nullptr);
            continue;
        }
        ASSERT_NE(parser.error(), nullptr);
        EXPECT_EQ(parser.error()->domain(), QStringLiteral("ZVApiError"));
        EXPECT_EQ(parser.error()->code(), c.errorCode);
        EXPECT_EQ(parser.error()->userInfo().value(u"key").toString(), c.errorKey);
        if (!c.errorClass.isEmpty()) {
            EXPECT_EQ(parser.error()->userInfo().value(u"class").toString(), c.errorClass);
        }
        // The failure carries the whole document for the log.
        EXPECT_EQ(parser.error()->userInfo().value(u"data").toString(), parser.description());
    }
}

TEST(ZVJsonParserTest, UnknownEnumValueNamesPathAndValue) {
    ZVJsonParser parser(QJsonObject{{"rec", QJsonObject{{"kind", "robot"}}}});
    EXPECT_EQ(parser.extractEnum(u"rec/kind", Kinds), std::nullopt);
    ASSERT_NE(parser.error(), nullptr);
    EXPECT_EQ(parser.error()->code(), 1004);
    EXPECT_EQ(parser.error()->userInfo().value(u"key").toString(), QStringLiteral("rec/kind"));
    EXPECT_EQ(parser.error()->userInfo().value(u"value").toString(), QStringLiteral("robot"));
}

TEST(ZVJsonParserTest, InvalidExpressionIsLoggedAndReadAnyway) {
    ZVJsonParser parser(QJsonObject{{"list", QJsonArray{"zero", "one", "two"}}});
    EXPECT_EQ(parser.extractString(u"list[2"), QStringLiteral("two"));

    QFile log(ZVErrorLog::errorLog().logFilePath());
    ASSERT_TRUE(log.open(QIODevice::ReadOnly));
    EXPECT_TRUE(log.readAll().contains(" Invalid JSON expression: list[2\n"));
}

TEST(ZVJsonParserTest, FirstErrorIsKeptUntilParseDateOrRegexFailureReplacesIt) {
    ZVJsonParser parser(QJsonObject{{"n", 1},
                                    {"when", "13 May 2014"},
                                    {"rx", "(unclosed"},
                                    {"ok", "2014-05-13 10:21:33.00000Z"}});

    parser.extractString(u"missing");
    parser.extractString(u"n");
    ASSERT_NE(parser.error(), nullptr);
    EXPECT_EQ(parser.error()->code(), 1002);
    EXPECT_EQ(parser.error()->userInfo().value(u"key").toString(), QStringLiteral("missing"));

    // An unparsable timestamp replaces it, in the optional form too.
    const QDateTime fallback = QDateTime::fromSecsSinceEpoch(5, Qt::UTC);
    EXPECT_FALSE(parser.extractISOEncodedDate(u"when", fallback).isValid());
    EXPECT_EQ(parser.error()->domain(), QStringLiteral("DateFormatting"));

    EXPECT_EQ(parser.extractRegex(u"rx"), std::nullopt);
    EXPECT_EQ(parser.error()->domain(), QStringLiteral("RegularExpression"));

    // Later ordinary failures do not.
    parser.extractInt(u"missing");
    EXPECT_EQ(parser.error()->domain(), QStringLiteral("RegularExpression"));
    EXPECT_TRUE(parser.extractISOEncodedDate(u"ok").isValid());
}

TEST(ZVJsonParserTest, UnparsableDataKeepsTheReadersError) {
    const QByteArray inputs[] = {"{\"a\": ", "", "\"just a string\"", "[1, 2,]"};
    for (const QByteArray& input : inputs) {
        SCOPED_TRACE(input.toStdString());
        ZVJsonParser parser = ZVJsonParser::jsonParserForData(input);
        ASSERT_NE(parser.error(), nullptr);
        EXPECT_EQ(parser.error()->domain(), QStringLiteral("JsonReading"));
        EXPECT_TRUE(parser.values().isUndefined());

        const ZVErrorPtr first = parser.error();
        EXPECT_TRUE(parser.extractString(u"a").isNull());
        EXPECT_EQ(parser.extractInt(u"a", 3), 3);
        EXPECT_EQ(parser.error(), first);
    }
}

TEST(ZVJsonParserTest, TimestampTextForms) {
    const struct {
        const char* text;
        const char* expected;  // nullptr: does not parse
    } cases[] = {
        {"2014-05-13 10:21:33.12345+0000", "2014-05-13T10:21:33.123Z"},
        {"2014-05-13 12:21:33.00000+0200", "2014-05-13T10:21:33.000Z"},
        {"2014-05-13 10:21:33.00000-0130", "2014-05-13T11:51:33.000Z"},
        {"2014-05-13 10:21:33.50000Z", "2014-05-13T10:21:33.500Z"},
        {"2014-05-13T10:21:33.00000+0000", nullptr},
        {"2014-05-13 10:21:33.00000+0000 and more", nullptr},
        {"2014-05-13", nullptr},
        {"", nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        ZVErrorPtr error;
        const QDateTime date =
            ZVJsonParser::dateFromISOEncodedDate(QString::fromUtf8(c.text), &error);
        if (c.expected) {
            EXPECT_EQ(show(date), QString::fromUtf8(c.expected));
            EXPECT_EQ(error, nullptr);
        } else {
            EXPECT_FALSE(date.isValid()) << show(date).toStdString();
            EXPECT_NE(error, nullptr);
        }
    }
}

TEST(ZVJsonParserTest, TimestampIgnoresTheDevicesLocaleCalendarAndZone) {
    // A device set to another calendar, numbering and zone must read the same instant. A new
    // thread makes its formatter under these settings.
    const icu::Locale savedLocale = icu::Locale::getDefault();
    const std::unique_ptr<icu::TimeZone> savedZone(icu::TimeZone::createDefault());
    UErrorCode status = U_ZERO_ERROR;
    icu::Locale::setDefault(icu::Locale("th_TH@calendar=buddhist;numbers=thai"), status);
    icu::TimeZone::adoptDefault(icu::TimeZone::createTimeZone("Asia/Kathmandu"));
    QDateTime date;
    std::thread reader([&date] {
        date = ZVJsonParser::dateFromISOEncodedDate(u"2014-05-13 10:21:33.00000+0000"_s);
    });
    reader.join();
    icu::Locale::setDefault(savedLocale, status);
    icu::TimeZone::setDefault(*savedZone);
    EXPECT_EQ(show(date), u"2014-05-13T10:21:33.000Z"_s);
}

TEST(ZVJsonParserTest, RegexOptionsDifferBetweenForms) {
    ZVJsonParser parser(QJsonObject{{"rx", "^b"}});
    const QString text = QStringLiteral("a\nb");

    const auto anchoredLines = parser.extractRegex(u"rx");
    ASSERT_TRUE(anchoredLines.has_value());
    EXPECT_TRUE(anchoredLines->match(text).hasMatch());

    const auto anchoredText = parser.extractRegex(u"rx", QStringLiteral("unused"));
    ASSERT_TRUE(anchoredText.has_value());
    EXPECT_FALSE(anchoredText->match(text).hasMatch());
    EXPECT_TRUE(anchoredText->match(QStringLiteral("b\na")).hasMatch());

    const auto fromDefault = parser.extractRegex(u"absent", QStringLiteral("x+"));
    ASSERT_TRUE(fromDefault.has_value());
    EXPECT_EQ(fromDefault->pattern(), QStringLiteral("x+"));
    EXPECT_EQ(parser.extractRegex(u"absent", QString()), std::nullopt);
    EXPECT_EQ(parser.error(), nullptr);
}

TEST(ZVJsonParserTest, SubReadersShareTheRecordAndKeysComeInOrder) {
    ZVJsonParser answer = ZVJsonParser::jsonParserForString(
        QStringLiteral(R"({"stream": [{"mk_rec_type": "message", "b": 1, "a": 2}]})"));
    const QJsonArray stream = answer.extractObject(u"stream", JsonClass::Array).toArray();
    ASSERT_EQ(stream.size(), 1);

    ZVJsonParser record = ZVJsonParser::jsonParserForObject(stream.at(0));
    EXPECT_EQ(record.extractString(u"mk_rec_type"), QStringLiteral("message"));
    QStringList keys;
    record.enumerateKeys([&keys](const QString& key) { keys.append(key); });
    EXPECT_EQ(keys, QStringList({"a", "b", "mk_rec_type"}));
    EXPECT_EQ(record.error(), nullptr);
    EXPECT_EQ(answer.error(), nullptr);
}

}  // namespace
