#include "ZelvoKit/support/text/ZVLocalization.h"
#include "ZelvoKit/support/text/ZVTextAppearance.h"

#include "ZelvoKit/support/base/ZVError.h"
#include "tests/ZelvoKit/support/FixedLocale.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>

namespace {

constexpr double kHour = 3600;
constexpr double kDay = 86400;
// ICU's short English times put a narrow no-break space before the day period.
const QString kNarrowSpace(QChar(0x202F));

class ZVLocalizationTest : public FixedLocaleTest {
protected:
    void SetUp() override {
        FixedLocaleTest::SetUp();
        setNow(berlin(2026, 1, 5, 10));
    }
    static QString time(const char* clock, const char* period) {
        return QLatin1String(clock) + kNarrowSpace + QLatin1String(period);
    }
};

TEST_F(ZVLocalizationTest, IntervalLadder) {
    struct Case {
        double seconds;
        const char* text;
    };
    const Case cases[] = {
        {0, "a few seconds"},
        {9, "a few seconds"},
        {9.99, "a few seconds"},
        {10, "10 seconds"},
        {45, "45 seconds"},
        {60, "60 seconds"},
        {61, "a minute"},
        {119, "a minute"},
        {120, "2 minutes"},
        {3600, "60 minutes"},
        {3660, "an hour"},
        {kDay, "24 hours"},
        {25 * kHour, "a day"},
        {7 * kDay, "7 days"},
        {8 * kDay, "a week"},
        {14 * kDay, "2 weeks"},
        {28 * kDay, "4 weeks"},
        // The whole part of 29/7 is 4, which the weeks step still takes.
        {29 * kDay, "4 weeks"},
        {35 * kDay, "a month"},
        {56 * kDay, "2 months"},
        {336 * kDay, "12 months"},
        {364 * kDay, "more than a year"},
        {5000 * kDay, "more than a year"},
        {-45, "45 seconds"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ZVLocalization::formatTimeInterval(c.seconds, false, false), c.text) << c.seconds;
    }
}

TEST_F(ZVLocalizationTest, IntervalPrepositionsAndCapitals) {
    struct Case {
        double seconds;
        bool capitalized;
        bool prepositions;
        const char* text;
    };
    const Case cases[] = {
        {-300, true, true, "5 Minutes ago"},   {300, true, true, "In 5 minutes"},
        {300, false, true, "in 5 minutes"},    {-5, false, true, "a few seconds ago"},
        {-5, true, true, "A few seconds ago"}, {0, false, true, "in a few seconds"},
        {-2 * kHour, true, false, "2 Hours"},  {-400 * kDay, true, true, "More than a year ago"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ZVLocalization::formatTimeInterval(c.seconds, c.capitalized, c.prepositions),
                  c.text)
            << c.seconds;
    }
}

TEST_F(ZVLocalizationTest, TodayAndYesterdayWindows) {
    const QDateTime start = berlin(2026, 1, 5);
    EXPECT_EQ(ZVLocalization::today(), start);
    struct Case {
        double offset;  // seconds from the start of today
        const char* text;
    };
    // The start of today itself takes the long form.
    const Case cases[] = {
        {10, "Today"},      {kDay - 1, "Today"},      {0, "Mon Jan 05"},     {kDay, "Tue Jan 06"},
        {-10, "Yesterday"}, {-kDay + 1, "Yesterday"}, {-kDay, "Sun Jan 04"},
    };
    for (const Case& c : cases) {
        const QDateTime date = start.addMSecs(static_cast<qint64>(c.offset * 1000));
        EXPECT_EQ(ZVLocalization::formatDate(date), c.text) << c.offset;
    }
    EXPECT_EQ(ZVLocalization::formatDate(start.addSecs(3600 * 9 + 1800), true), time("9:30", "AM"));
    EXPECT_EQ(ZVLocalization::formatDate(start.addSecs(-60), true), "Yesterday");
}

TEST_F(ZVLocalizationTest, TodayMovesOnAtMidnight) {
    setNow(berlin(2026, 1, 5, 23, 59, 50));
    const QDateTime lateEvening = berlin(2026, 1, 5, 23, 59, 55);
    EXPECT_EQ(ZVLocalization::formatDate(lateEvening), "Today");
    platform::Scheduler::main().advance(20);
    EXPECT_EQ(ZVLocalization::today(), berlin(2026, 1, 6));
    EXPECT_EQ(ZVLocalization::formatDate(lateEvening), "Yesterday");
    EXPECT_EQ(ZVLocalization::formatDate(berlin(2026, 1, 6, 0, 0, 5)), "Today");
}

TEST_F(ZVLocalizationTest, TodayMovesOnAfterAShortDay) {
    // The night of the summer-time change is an hour short: 23 hours after midnight it is
    // already the next day.
    setNow(berlin(2026, 3, 29, 12));
    EXPECT_EQ(ZVLocalization::today(), berlin(2026, 3, 29));
    platform::Scheduler::main().advance(12 * kHour);  // 01:00 on the 30th, summer time
    EXPECT_EQ(ZVLocalization::today(), berlin(2026, 3, 30));
    EXPECT_EQ(ZVLocalization::formatDate(berlin(2026, 3, 29, 12)), "Yesterday");
}

TEST_F(ZVLocalizationTest, LongDatesAndTimes) {
    EXPECT_EQ(ZVLocalization::formatDateLong(QDateTime()), "<null>");
    EXPECT_EQ(ZVLocalization::formatDateLong(berlin(2026, 3, 2, 8)), "Mon Mar 02");
    EXPECT_EQ(ZVLocalization::formatDateLong(berlin(2025, 12, 31, 12)), "Dec 31 2025");
    // The year is the one of the device's time zone.
    EXPECT_EQ(
        ZVLocalization::formatDateLong(QDateTime(QDate(2025, 12, 31), QTime(23, 30), Qt::UTC)),
        "Thu Jan 01");

    EXPECT_TRUE(ZVLocalization::formatTime(QDateTime()).isNull());
    EXPECT_EQ(ZVLocalization::formatTime(berlin(2026, 1, 5, 10)), time("10:00", "AM"));
    EXPECT_EQ(ZVLocalization::formatTime(berlin(2025, 7, 1, 21, 15)), time("9:15", "PM"));
    EXPECT_EQ(ZVLocalization::weekdayOf(berlin(2026, 1, 5)), "Monday");

    EXPECT_EQ(ZVLocalization::formatDateAndTime(berlin(2026, 1, 5, 8, 5)), time("8:05", "AM"));
    EXPECT_EQ(ZVLocalization::formatDateAndTime(berlin(2026, 1, 4, 21, 15)),
              "Yesterday " + time("9:15", "PM"));
    EXPECT_EQ(ZVLocalization::formatDateAndTime(berlin(2026, 1, 2, 21, 15)),
              "Fri Jan 02 " + time("9:15", "PM"));
    EXPECT_EQ(ZVLocalization::formatDateAndTime(berlin(2026, 1, 5, 8, 5), true),
              "Mon Jan 05 " + time("8:05", "AM"));
    EXPECT_EQ(ZVLocalization::formatDateAndTime(berlin(2026, 1, 5, 8, 5), false),
              time("8:05", "AM"));

    DeviceLocale::setLocale(QStringLiteral("en_GB"));
    EXPECT_EQ(ZVLocalization::formatTime(berlin(2025, 7, 1, 21, 15)), "21:15");
    DeviceLocale::setTimeZone(QStringLiteral("UTC"));
    EXPECT_EQ(ZVLocalization::formatTime(berlin(2025, 7, 1, 21, 15)), "19:15");
}

TEST_F(ZVLocalizationTest, NumbersAndFileSizes) {
    EXPECT_EQ(ZVLocalization::formatNumber(0), "0");
    EXPECT_EQ(ZVLocalization::formatNumber(1234567), "1,234,567");
    EXPECT_EQ(ZVLocalization::formatNumber(-42), "-42");
    EXPECT_EQ(ZVLocalization::formatNumber(3'000'000'000), "3,000,000,000");

    struct Case {
        std::int64_t bytes;
        const char* text;
    };
    const Case cases[] = {
        {0, "Zero KB"},
        {1, "1 byte"},
        {999, "999 bytes"},
        {1000, "1 KB"},
        {1499, "1 KB"},
        {1500, "2 KB"},
        {999'499, "999 KB"},
        {999'500, "1 MB"},  // rounds up into the next unit
        {1'250'000, "1.3 MB"},
        {5'000'000'000, "5 GB"},
        {2'345'678'901, "2.35 GB"},
        {std::numeric_limits<std::int64_t>::max(), "9.22 EB"},
        {-1500, "-2 KB"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ZVLocalization::formatFileSize(c.bytes), c.text) << c.bytes;
    }

    DeviceLocale::setLocale(QStringLiteral("de_DE"));
    EXPECT_EQ(ZVLocalization::formatNumber(1234567), "1.234.567");
    EXPECT_EQ(ZVLocalization::formatFileSize(1'500'000), "1,5 MB");
}

TEST_F(ZVLocalizationTest, NameLists) {
    const QStringList none;
    const QStringList one{"Annabelle"};
    const QStringList two{"Ann", "Bob"};
    const QStringList three{"Ann", "Bob", "Cy"};
    const QStringList four{"Ann", "Bob", "Cy", "Dee"};
    struct Case {
        const QStringList* names;
        qsizetype limit;
        bool compact;
        const char16_t* text;
    };
    const Case cases[] = {
        {&none, 0, false, u""},
        {&one, 0, false, u"Annabelle"},
        {&one, 5, false, u"Anna…"},
        {&two, 0, false, u"Ann and Bob"},
        {&two, 0, true, u"Ann, Bob"},
        {&three, 0, false, u"Ann, Bob and Cy"},
        {&three, 0, true, u"Ann, Bob, Cy"},
        {&four, 0, false, u"Ann, Bob, Cy and Dee"},
        {&four, 100, false, u"Ann, Bob, Cy and Dee"},
        {&four, 12, false, u"Ann and others"},
        {&four, 16, false, u"Ann, Bob and others"},
        {&four, 8, true, u"Ann, Bob +2"},
        {&four, 4, true, u"Ann +3"},
        // The name's own length does not count, the rest text's does.
        {&two, 6, true, u"Ann, Bob"},
        {&two, 11, false, u"Ann and Bob"},
        // A limit shorter than the rest text keeps the first name whole.
        {&two, 5, false, u"Ann and others"},
        {&three, 2, true, u"Ann +2"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ZVLocalization::nameListAsString(*c.names, c.limit, c.compact),
                  QString::fromUtf16(c.text))
            << c.names->join(',').toStdString() << " " << c.limit << " " << c.compact;
    }
    EXPECT_EQ(ZVLocalization::nameListAsString(three), u"Ann, Bob and Cy");
}

TEST_F(ZVLocalizationTest, NameListSetsTheNamesInBold) {
    const platform::FontDescription main{"Body", 15};
    ZVTextAppearance::setMainFonts(main, main.bold());
    // Each run as its text and whether it is bold.
    auto runs = [](const platform::AttributedString& text) {
        std::vector<std::pair<QString, bool>> found;
        for (const auto& run : text.runs()) {
            const auto font = run.attributes.value(QString(platform::TextAttribute::Font))
                                  .value<platform::FontDescription>();
            EXPECT_EQ(font.family, "Body");
            found.emplace_back(text.string().mid(run.location, run.length), font.isBold());
        }
        return found;
    };
    using Runs = std::vector<std::pair<QString, bool>>;
    EXPECT_EQ(runs(ZVLocalization::nameListAsAttributedString({"Ann", "Bob", "Cy"}, 0, false)),
              (Runs{{"Ann", true}, {", ", false}, {"Bob", true}, {" and ", false}, {"Cy", true}}));
    EXPECT_EQ(
        runs(ZVLocalization::nameListAsAttributedString({"Ann", "Bob", "Cy", "Dee"}, 8, true)),
        (Runs{{"Ann", true}, {", ", false}, {"Bob", true}, {" +2", false}}));
    EXPECT_EQ(runs(ZVLocalization::nameListAsAttributedString({"Annabelle"}, 5, false)),
              (Runs{{QString::fromUtf16(u"Anna…"), true}}));
    EXPECT_TRUE(ZVLocalization::nameListAsAttributedString({}, 5, false).isEmpty());
    ZVTextAppearance::setMainFonts({}, platform::FontDescription{}.bold());
}

class ZVErrorTextTest : public testing::Test {
protected:
    void SetUp() override { ZVLocalization::load(); }
    void TearDown() override { ZVLocalization::load(); }
};

TEST_F(ZVErrorTextTest, ServiceErrorsReadAsTheirTexts) {
    const auto login = ZVError::errorWithJson(
        QJsonObject{{"error_id", "invalid_login"}, {"error_message", "x"}}, 430);
    EXPECT_EQ(login->localizedDescription(), "Incorrect email or password");

    const auto messageOnly = ZVError::errorWithJson(QJsonObject{{"error_message", "Busy"}}, 500);
    EXPECT_EQ(messageOnly->localizedDescription(), "Busy");

    const auto unknownId = ZVError::errorWithBackendErrorId("quota_exceeded", 431);
    EXPECT_EQ(unknownId->localizedDescription(), "quota_exceeded");

    const auto unknownIdWithMessage = ZVError::errorWithJson(
        QJsonObject{{"error_id", "quota_exceeded"}, {"error_message", "Over quota"}}, 431);
    EXPECT_EQ(unknownIdWithMessage->localizedDescription(), "Over quota");

    EXPECT_EQ(ZVError::errorWithBackendErrorId("autojoin_failed", 432)->localizedDescription(),
              QString::fromUtf16(
                  u"The conversation you’re trying to join is private. A member of the "
                  u"conversation will have to turn on Conversation sharing for you to be able "
                  u"to join."));
    EXPECT_TRUE(ZVLocalization::resolveBackendError(QString()).isNull());
    EXPECT_EQ(ZVLocalization::resolveBackendError("member_left"), "You have left the conversation");
}

TEST_F(ZVErrorTextTest, AlreadySignedInNeedsTheLocalizer) {
    const auto signedIn = ZVError::errorWithJson(QJsonObject{{"error_message", "x"}}, 1016);
    EXPECT_EQ(signedIn->localizedDescription(), "You are already signed in with this account.");

    ZVError::setErrorLocalizer(nullptr);
    const auto bare = ZVError::errorWithCode(1016);
    EXPECT_NE(bare->localizedDescription(), "You are already signed in with this account.");
    EXPECT_TRUE(bare->localizedDescription().contains("1016"));
}

}  // namespace
