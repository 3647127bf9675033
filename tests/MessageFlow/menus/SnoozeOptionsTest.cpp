#include "MessageFlow/menus/ZVSnoozeButton.h"
#include "MessageFlow/menus/ZVSnoozeView.h"

#include "platform/ui/controls/Label.h"
#include "tests/ZelvoKit/support/FixedLocale.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

using namespace Qt::Literals::StringLiterals;

// ICU's short English times put a narrow no-break space before the day period.
const QString kSnoozeNarrowSpace(QChar(0x202F));

class SnoozeOptionsTest : public FixedLocaleTest {
protected:
    // The end of an option chosen at `now`, as a Berlin wall clock.
    static QString endOf(const QDateTime& now, double interval) {
        return now.addMSecs(std::llround(interval * 1000))
            .toTimeZone(QTimeZone("Europe/Berlin"))
            .toString(u"ddd yyyy-MM-dd HH:mm"_s);
    }
    static QString time(const char* clock, const char* period) {
        return QLatin1String(clock) + kSnoozeNarrowSpace + QLatin1String(period);
    }
};

// The tonight/tomorrow row changes at 08:00 and 18:00; next week is the first Monday 08:00 after
// today. Ends are Berlin wall-clock times even across a change of summer time (the nights of
// 28/29 March and 24/25 October 2026), where a day is 23 or 25 hours long.
TEST_F(SnoozeOptionsTest, EndsAreLocalWallClockTimes) {
    struct Case {
        const char* name;
        QDateTime now;
        const char* second;
        QString secondEnd;
        QString nextWeekEnd;
        double secondInterval;
    };
    const Case cases[] = {
        {"Wednesday 07:59", berlin(2026, 1, 7, 7, 59), "Until tomorrow", u"Wed 2026-01-07 08:00"_s,
         u"Mon 2026-01-12 08:00"_s, 60},
        {"Wednesday 08:00", berlin(2026, 1, 7, 8, 0), "Until tonight", u"Wed 2026-01-07 18:00"_s,
         u"Mon 2026-01-12 08:00"_s, 10 * 3600},
        {"Wednesday 17:59", berlin(2026, 1, 7, 17, 59), "Until tonight", u"Wed 2026-01-07 18:00"_s,
         u"Mon 2026-01-12 08:00"_s, 60},
        {"Wednesday 18:00", berlin(2026, 1, 7, 18, 0), "Until tomorrow", u"Thu 2026-01-08 08:00"_s,
         u"Mon 2026-01-12 08:00"_s, 14 * 3600},
        {"Sunday noon", berlin(2026, 1, 11, 12), "Until tonight", u"Sun 2026-01-11 18:00"_s,
         u"Mon 2026-01-12 08:00"_s, 6 * 3600},
        {"Monday noon", berlin(2026, 1, 12, 12), "Until tonight", u"Mon 2026-01-12 18:00"_s,
         u"Mon 2026-01-19 08:00"_s, 6 * 3600},
        {"Sunday 07:00", berlin(2026, 1, 11, 7), "Until tomorrow", u"Sun 2026-01-11 08:00"_s,
         u"Mon 2026-01-12 08:00"_s, 3600},
        {"the evening before summer time", berlin(2026, 3, 28, 20), "Until tomorrow",
         u"Sun 2026-03-29 08:00"_s, u"Mon 2026-03-30 08:00"_s, 11 * 3600},
        {"the evening before winter time", berlin(2026, 10, 24, 20), "Until tomorrow",
         u"Sun 2026-10-25 08:00"_s, u"Mon 2026-10-26 08:00"_s, 13 * 3600},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const auto options = ZVSnoozeView::optionsAt(c.now, false);
        ASSERT_EQ(options.size(), 4u);
        EXPECT_EQ(options[0], (ZVSnoozeView::Option{u"For an hour"_s, 3600}));
        EXPECT_EQ(options[1].title, QString::fromLatin1(c.second));
        EXPECT_EQ(endOf(c.now, options[1].interval), c.secondEnd);
        EXPECT_DOUBLE_EQ(options[1].interval, c.secondInterval);
        EXPECT_TRUE(options[1].endsAtWallClock && options[2].endsAtWallClock);
        EXPECT_EQ(options[2].title, u"Until next week"_s);
        EXPECT_EQ(endOf(c.now, options[2].interval), c.nextWeekEnd);
        EXPECT_EQ(options[3], (ZVSnoozeView::Option{u"Forever"_s, -1}));
    }
}

TEST_F(SnoozeOptionsTest, UnmuteIsOfferedLastAndOnlyToAMutedConversation) {
    const auto muted = ZVSnoozeView::optionsAt(berlin(2026, 1, 7, 12), true);
    ASSERT_EQ(muted.size(), 5u);
    EXPECT_EQ(muted[4], (ZVSnoozeView::Option{u"Unmute"_s, 0}));
    EXPECT_EQ(ZVSnoozeView::optionsAt(berlin(2026, 1, 7, 12), false).size(), 4u);
}

TEST_F(SnoozeOptionsTest, WeekdaysCountFromSunday) {
    EXPECT_EQ(ZVSnoozeView::getDayOfWeek(berlin(2026, 1, 11, 23, 59)), 1);
    EXPECT_EQ(ZVSnoozeView::getDayOfWeek(berlin(2026, 1, 12, 0, 0)), 2);
    EXPECT_EQ(ZVSnoozeView::getDayOfWeek(berlin(2026, 1, 10, 12)), 7);
    // Late on Sunday in Berlin is already Monday in UTC+14: the device's zone decides.
    DeviceLocale::setTimeZone(u"Pacific/Kiritimati"_s);
    EXPECT_EQ(ZVSnoozeView::getDayOfWeek(berlin(2026, 1, 11, 23, 59)), 2);
}

// Subtitles: the end's time alone today, with its date on a later day; "Until unmuted" for good;
// nothing for unmuting.
TEST_F(SnoozeOptionsTest, SubtitlesShowWhenTheMuteEnds) {
    setNow(berlin(2026, 1, 7, 17, 59));
    struct Case {
        double interval;
        QString subtitle;
    };
    const Case cases[] = {
        {60, time("6:00", "PM")},
        {14 * 3600 + 60, u"Thu Jan 08 "_s + time("8:00", "AM")},
        {-1, u"Until unmuted"_s},
    };
    for (const Case& c : cases) {
        const ZVSnoozeButton button(u"Option"_s, c.interval);
        ASSERT_TRUE(button.subtitleLabel()) << c.interval;
        EXPECT_EQ(button.subtitleLabel()->text(), c.subtitle);
        EXPECT_EQ(button.interval(), c.interval);
    }
    const ZVSnoozeButton unmute(u"Unmute"_s, 0);
    EXPECT_FALSE(unmute.subtitleLabel());
    EXPECT_EQ(unmute.title(), u"Unmute"_s);
}

}  // namespace
