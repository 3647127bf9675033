#include "ZelvoKit/support/base/ZelvoUtils.h"

#include "tests/ZelvoKit/support/FixedLocale.h"

#include <gtest/gtest.h>

namespace {

TEST(ZelvoUtilsTest, CleanPhoneNumberKeepsDigitsLettersAndDialSymbols) {
    struct Case {
        const char16_t* phone;
        const char16_t* expected;
    };
    const Case cases[] = {
        {u"+1 (5) 555-12.34", u"+1(5)555-1234"},
        {u"0800/FLOWERS ext. #7*", u"0800FLOWERSext#7*"},
        {u"٠١٢ ٣٤", u"٠١٢٣٤"},  // digits of other scripts are digits
        {u"12😀3\t4", u"1234"},  // a surrogate pair goes whole
        {u"", u""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ZelvoUtils::cleanPhoneNumber(QString::fromUtf16(c.phone)),
                  QString::fromUtf16(c.expected));
    }
}

TEST(ZelvoUtilsTest, UuidTextAndBytesRoundTrip) {
    const QString generated = ZelvoUtils::generateUUID();
    EXPECT_EQ(generated, generated.toUpper());
    EXPECT_EQ(generated.size(), 36);
    EXPECT_NE(generated, ZelvoUtils::generateUUID());

    const QByteArray bytes = ZelvoUtils::dataFromUUIDString(generated);
    ASSERT_EQ(bytes.size(), 16);
    EXPECT_EQ(ZelvoUtils::uuidFromData(bytes), generated.toLower());

    // Bytes in the order of the text.
    EXPECT_EQ(
        ZelvoUtils::dataFromUUIDString(QStringLiteral("00112233-4455-6677-8899-AABBCCDDEEFF")),
        QByteArray::fromHex("00112233445566778899aabbccddeeff"));
    EXPECT_EQ(ZelvoUtils::uuidFromData(QByteArray::fromHex("00112233445566778899aabbccddeeff")),
              u"00112233-4455-6677-8899-aabbccddeeff");

    for (const char16_t* notAUuid : {u"", u"not-a-uuid", u"00112233-4455-6677-8899-AABBCCDDEEF",
                                     u"00112233445566778899AABBCCDDEEFF00000"}) {
        EXPECT_TRUE(ZelvoUtils::dataFromUUIDString(QString::fromUtf16(notAUuid)).isEmpty());
    }
}

TEST(ZelvoUtilsTest, UuidFromDataOfAnotherLengthLogsAndGivesNothing) {
    for (const qsizetype length : {0, 15, 17}) {
        testing::internal::CaptureStderr();
        const QString uuid = ZelvoUtils::uuidFromData(QByteArray(length, '\x01'));
        const std::string log = testing::internal::GetCapturedStderr();
        EXPECT_TRUE(uuid.isNull());
        EXPECT_NE(log.find("Invalid uuid data, length = " + std::to_string(length)),
                  std::string::npos)
            << log;
    }
}

TEST(ZelvoUtilsTest, ValidEmailNeedsATopLevelDomainOfTwoToSixLetters) {
    struct Case {
        const char* email;
        bool valid;
    };
    const Case cases[] = {
        {"ann@example.c", false},
        {"ann@example.co", true},
        {"ann@example.museum", true},
        {"ann@example.museums", false},
        {"a.b_c%d+e-f@mail.example.org", true},
        {"ann @example.com", false},
        {"ann@exa mple.com", false},
        {" ann@example.com", false},
        {"ann@example.com ", false},
        {"ann@example.com\n", false},
        {"annexample.com", false},
        {"@example.com", false},
        {"ann@-.com", true},  // the pattern takes odd domains
        {"ann@example.c0m", false},
        {"ann@sub.example.travel", true},
        {"", false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ZelvoUtils::isValidEmail(QString::fromUtf8(c.email)), c.valid) << c.email;
    }
}

using ZelvoUtilsCalendarTest = FixedLocaleTest;

TEST_F(ZelvoUtilsCalendarTest, DaysFollowTheDeviceTimeZone) {
    // 23:30 UTC on 31 December is already New Year's Day in Berlin.
    const QDateTime lateUtc(QDate(2025, 12, 31), QTime(23, 30), Qt::UTC);
    EXPECT_EQ(ZelvoUtils::extractDateFrom(lateUtc), berlin(2026, 1, 1));
    EXPECT_TRUE(ZelvoUtils::isDate(lateUtc, berlin(2026, 1, 1, 18)));
    EXPECT_FALSE(ZelvoUtils::isDate(lateUtc, berlin(2025, 12, 31, 23, 59, 59)));

    DeviceLocale::setTimeZone(QStringLiteral("America/New_York"));
    EXPECT_EQ(ZelvoUtils::extractDateFrom(lateUtc),
              QDateTime(QDate(2025, 12, 31), QTime(0, 0), QTimeZone("America/New_York")));
    // The Berlin day just compared is not taken for New York's.
    EXPECT_FALSE(ZelvoUtils::isDate(lateUtc, berlin(2026, 1, 1, 18)));
    EXPECT_TRUE(ZelvoUtils::isDate(
        lateUtc, QDateTime(QDate(2025, 12, 31), QTime(9, 0), QTimeZone("America/New_York"))));
}

TEST_F(ZelvoUtilsCalendarTest, StartOfADayWithSummerTimeChange) {
    // The 23-hour day on which Berlin moves its clocks forward.
    const QDateTime afternoon = berlin(2026, 3, 29, 15);
    const QDateTime start = ZelvoUtils::extractDateFrom(afternoon);
    EXPECT_EQ(start, berlin(2026, 3, 29));
    EXPECT_EQ(start.secsTo(afternoon), 14 * 3600);
    EXPECT_TRUE(ZelvoUtils::isDate(start, afternoon));
    EXPECT_FALSE(ZelvoUtils::isDate(afternoon, start.addSecs(23 * 3600)));
}

}  // namespace
