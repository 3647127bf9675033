#include "platform/foundation/Format.h"

#include <gtest/gtest.h>

#include <cmath>
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
        // Numbers beyond what the conversion holds saturate instead of wrapping.
        {format(u"%ld|%ld|%ld", 1e20, -1e20, std::nan("")),
         "9223372036854775807|-9223372036854775808|0"},
        {format(u"%lu|%lu|%lu", 1e20, 1.5e19, -1.0),
         "18446744073709551615|15000000000000000000|18446744073709551615"},
        {format(u"%d", QJsonValue(1e300)), "9223372036854775807"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.got, c.expected);
    }
}
