#include "Analytics/Library/ZAHitUtil.h"
#include "Analytics/Library/ZAStringUtil.h"

#include <gtest/gtest.h>

TEST(ZAStringUtil, NumberTexts) {
    struct Case {
        double value;
        int decimals;
        const char* expected;
    };
    for (const Case& c : {Case{1.5, 3, "1.5"}, Case{2.0, 2, "2"}, Case{3, 0, "3"},
                          Case{0.125, 2, "0.13"}, Case{10, 1, "10"}}) {
        EXPECT_EQ(ZAStringUtil::decimalString(c.value, c.decimals), QString::fromLatin1(c.expected))
            << c.value << " " << c.decimals;
    }
    struct Micros {
        std::int64_t amount;
        const char* expected;
    };
    for (const Micros& c : {Micros{2000000, "2"}, Micros{-1500000, "-1.5"}, Micros{250000, ".25"},
                            Micros{0, "0"}, Micros{-250000, "-.25"}, Micros{1000001, "1.000001"},
                            Micros{INT64_MIN, "-9223372036854.775808"}}) {
        EXPECT_EQ(ZAStringUtil::currencyMicrosString(c.amount), QString::fromLatin1(c.expected))
            << c.amount;
    }
}

TEST(ZAStringUtil, PercentEncodingKeepsFormFieldsApart) {
    EXPECT_EQ(ZAStringUtil::percentEncode(QStringLiteral("a b&c")), QStringLiteral("a+b%26c"));
    EXPECT_EQ(ZAStringUtil::percentEncode(QStringLiteral("x=y'z")), QStringLiteral("x%3Dy'z"));
    EXPECT_EQ(ZAStringUtil::percentEncode(QStringLiteral("é’/")),
              QStringLiteral("%C3%A9%E2%80%99%2F"));
    const QString text = QStringLiteral("Conversation screen & more = 100% ünïcode+");
    EXPECT_EQ(ZAStringUtil::percentDecode(ZAStringUtil::percentEncode(text)), text);
}

TEST(ZAStringUtil, QueryDecoding) {
    const auto decoded =
        ZAStringUtil::decodeParametersFromQuery(QStringLiteral("x=1&y&x=2&a+b=c%26d"));
    EXPECT_EQ(decoded.value(QStringLiteral("x")), QStringLiteral("2"));
    EXPECT_TRUE(decoded.contains(QStringLiteral("y")));
    EXPECT_EQ(decoded.value(QStringLiteral("y")), QString());
    EXPECT_EQ(decoded.value(QStringLiteral("a b")), QStringLiteral("c&d"));

    EXPECT_EQ(ZAStringUtil::urlParams(QStringLiteral("a/b")), QString());
    EXPECT_EQ(ZAStringUtil::urlParams(QStringLiteral("a?")), QString());
    EXPECT_EQ(ZAStringUtil::urlParams(QStringLiteral("a?b=1")), QStringLiteral("b=1"));

    EXPECT_FALSE(ZAStringUtil::decodeParametersFromUrl(QStringLiteral("")).has_value());
    EXPECT_TRUE(ZAStringUtil::decodeParametersFromUrl(QStringLiteral("http://h/p"))->isEmpty());
    EXPECT_EQ(ZAStringUtil::decodeParametersFromUrl(QStringLiteral("http://h/p?utm_source=s"))
                  ->value(QStringLiteral("utm_source")),
              QStringLiteral("s"));
}

TEST(ZAHitUtil, HashesAndIdentity) {
    EXPECT_EQ(ZAHitUtil::clientHash(QString()), 1u);
    EXPECT_EQ(ZAHitUtil::clientHash(QStringLiteral("a")), 1589345u);
    // Walked from the last character: "ab" folds 'a' over 'b'.
    const std::uint32_t b = 98 + (98u << 14);
    const std::uint32_t ab = 97 + (97u << 14) + ((b << 6) & 0x0FFFFFC0u);
    EXPECT_EQ(ZAHitUtil::clientHash(QStringLiteral("ab")), ab ^ ((ab & 0x0FE00000u) >> 21));
    // A composed character counts once, by its first code unit.
    EXPECT_EQ(ZAHitUtil::clientHash(QStringLiteral("e\u0301")),
              ZAHitUtil::clientHash(QStringLiteral("e")));

    const QString id = ZAHitUtil::generateClientId();
    EXPECT_EQ(id, id.toLower());
    EXPECT_EQ(id.size(), 36);
    EXPECT_NE(id, ZAHitUtil::generateClientId());
    EXPECT_EQ(ZAHitUtil::hashIdfa(QStringLiteral("ad"), QStringLiteral("client")),
              QStringLiteral("5e28a2b849a1e6302958adf8755c20d4"));
    EXPECT_EQ(ZAHitUtil::systemLanguageFromLanguages({}), QStringLiteral("en"));
    EXPECT_EQ(ZAHitUtil::systemLanguageFromLanguages({QStringLiteral("DE-ch")}),
              QStringLiteral("de-ch"));
    EXPECT_EQ(ZAHitUtil::systemCountryFromLocale(QLocale(QStringLiteral("en_US"))),
              QStringLiteral("us"));
    EXPECT_EQ(
        ZAHitUtil::userAgentStringWithProduct(QStringLiteral("ZelvoAnalytics"),
                                              QStringLiteral("3.09"), QStringLiteral("iPhone"),
                                              QStringLiteral("iPhone OS"), QStringLiteral("8.1"),
                                              QStringLiteral("en"), QStringLiteral("us")),
        QStringLiteral("ZelvoAnalytics/3.09 (iPhone; U; CPU iPhone OS 8.1 like Mac OS X; en-us)"));
}
