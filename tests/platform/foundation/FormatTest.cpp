#include "platform/foundation/Format.h"

#include <gtest/gtest.h>

#include <memory>

using platform::format;

namespace {
struct Thing {
    QString description() const { return QStringLiteral("<thing>"); }
};
}  // namespace

TEST(Format, ConversionsAsThePlatformPrintsThem) {
    struct Case {
        QString got;
        QString expected;
    };
    const Case cases[] = {
        {format(u"%@ %@", QStringLiteral("a"), QStringLiteral("b")), "a b"},
        {format(u"SecItemAdd returned %ld", -25299), "SecItemAdd returned -25299"},
        {format(u"%d/%lld/%lu", 7, qint64(1) << 40, 3u), "7/1099511627776/3"},
        {format(u"%.*f", 2, 3.14159), "3.14"},
        {format(u"%.1f%%", 99.95), "100.0%"},
        {format(u"%05d|%-4d|%4d", 42, 7, 7), "00042|7   |   7"},
        {format(u"%x %X", 255, 255), "ff FF"},
        {format(u"%s", "text"), "text"},
        {format(u"%@", nullptr), "(null)"},
        {format(u"%@", QString()), "(null)"},
        {format(u"%@", QString("")), ""},
        {format(u"%@", 12), "12"},
        {format(u"%@", 1.5), "1.5"},
        {format(u"%@", Thing()), "<thing>"},
        {format(u"%@", std::make_shared<Thing>()), "<thing>"},
        {format(u"%@", std::shared_ptr<Thing>()), "(null)"},
        {format(u"%ld", QStringLiteral("12")), "12"},
        {format(u"missing %@ and %d"), "missing  and 0"},
        {format(u"M:%@:%@", QStringLiteral("ä"), QStringLiteral("😀")), "M:ä:😀"},
        {format(u"%5@|%-5@|", QStringLiteral("ab"), QStringLiteral("cd")), "   ab|cd   |"},
        {format(u"%@", QJsonObject{{"a", 1}}), "{\n    \"a\": 1\n}"},
        {format(u"100%"), "100"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.got, c.expected);
    }
}
