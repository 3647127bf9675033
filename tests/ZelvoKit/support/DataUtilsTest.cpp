#include "ZelvoKit/support/base/DataUtils.h"

#include <gtest/gtest.h>

namespace {

TEST(DataUtilsTest, Base64PadsTheLastGroup) {
    struct Case {
        QByteArray data;
        const char* encoded;
    };
    const Case cases[] = {
        {"", ""},
        {"f", "Zg=="},
        {"fo", "Zm8="},
        {"foo", "Zm9v"},
        {"foob", "Zm9vYg=="},
        {QByteArray("\xfb\xff\xbf", 3), "+/+/"},
        {QByteArray("\0\0", 2), "AAA="},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(asBase64String(c.data), QLatin1String(c.encoded));
        EXPECT_EQ(dataWithBase64String(QString::fromLatin1(c.encoded)), c.data) << c.encoded;
    }
}

TEST(DataUtilsTest, Base64DecodingWithoutPadding) {
    // Groups cut short, as the URL-safe forms that drop "=" leave them.
    EXPECT_EQ(dataWithBase64String(u"Zm9vYmE"), QByteArray("fooba"));
    EXPECT_EQ(dataWithBase64String(u"Zm9vYg"), QByteArray("foob"));
    // A lone last character carries no whole byte.
    EXPECT_EQ(dataWithBase64String(u"Zm9vY"), QByteArray("foo"));
    EXPECT_EQ(dataWithBase64String(u"Z"), QByteArray());

    // The URL-safe form of 16 bytes, turned back into the standard alphabet.
    const QByteArray bytes = QByteArray::fromHex("fbff3e0012345678f0e1d2c3b4a59687");
    QString urlSafe = asBase64String(bytes);
    urlSafe.remove(u'=').replace(u'+', u'-').replace(u'/', u'_');
    ASSERT_EQ(urlSafe.size(), 22);
    QString standard = urlSafe;
    standard.replace(u'-', u'+').replace(u'_', u'/');
    EXPECT_EQ(dataWithBase64String(standard), bytes);
}

TEST(DataUtilsTest, Base64ForeignCharactersCountAsZeroWhereTheyStand) {
    // Nothing is skipped: a line break inside a group shifts no data, it reads as "A".
    EXPECT_EQ(dataWithBase64String(u"Zm9v\nmFy"), dataWithBase64String(u"Zm9vAmFy"));
    EXPECT_EQ(dataWithBase64String(u"Zm-_"), dataWithBase64String(u"ZmAA"));
    // A non-ASCII character is read as its UTF-8 bytes, each of them foreign.
    EXPECT_EQ(dataWithBase64String(u"Zé=="), dataWithBase64String(u"ZAA="));
    EXPECT_EQ(b64_value('='), 0);
    EXPECT_EQ(b64_value('-'), 0);
    EXPECT_EQ(b64_value('A'), 0);
    EXPECT_EQ(b64_value('a'), 26);
    EXPECT_EQ(b64_value('9'), 61);
    EXPECT_EQ(b64_value('+'), 62);
    EXPECT_EQ(b64_value('/'), 63);
    EXPECT_EQ(b64_value(static_cast<char>(0xC3)), 0);
}

TEST(DataUtilsTest, HexAndSha256) {
    EXPECT_EQ(asHexString(QByteArray::fromHex("00ff10ab")), u"00ff10ab");
    EXPECT_EQ(asHexString(QByteArray()), u"");
    EXPECT_EQ(sha256("abc"), u"ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
    EXPECT_EQ(sha256(""), u"e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");

    struct Case {
        char16_t c;
        int value;
    };
    for (const Case& c :
         {Case{u'0', 0}, Case{u'9', 9}, Case{u'a', 10}, Case{u'F', 15}, Case{u'f', 15},
          Case{u'g', 0}, Case{u'G', 0}, Case{u' ', 0}, Case{u'٣', 0}}) {
        EXPECT_EQ(ValueOfHexDigit(c.c), c.value) << char(c.c);
    }
}

}  // namespace
