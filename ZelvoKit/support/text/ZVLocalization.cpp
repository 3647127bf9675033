#include "ZelvoKit/support/text/ZVLocalization.h"

#include "ZelvoKit/support/base/ZVError.h"
#include "ZelvoKit/support/base/ZelvoUtils.h"
#include "ZelvoKit/support/text/DeviceLocale.h"
#include "ZelvoKit/support/text/StringUtils.h"
#include "ZelvoKit/support/text/ZVTextAppearance.h"
#include "platform/foundation/Format.h"
#include "platform/foundation/Scheduler.h"
#include "platform/foundation/SharedState.h"

#include <unicode/datefmt.h>
#include <unicode/numfmt.h>
#include <unicode/smpdtfmt.h>

#include <array>
#include <cmath>
#include <limits>

namespace {

constexpr double kSecondsPerDay = 86400;

// Shared by every call on the main thread; rebuilt when the device's locale or time zone changes.
struct Formatters {
    std::uint64_t generation = std::numeric_limits<std::uint64_t>::max();
    std::unique_ptr<icu::DateFormat> dateThisYear;
    std::unique_ptr<icu::DateFormat> dateOtherYear;
    std::unique_ptr<icu::DateFormat> time;
    std::unique_ptr<icu::DateFormat> weekday;
    std::unique_ptr<icu::NumberFormat> decimal;
    std::unique_ptr<icu::NumberFormat> byteCount;
    // The current day, as [todayStart, tomorrowStart).
    QDateTime todayStart;
    QDateTime tomorrowStart;
};

std::unique_ptr<icu::DateFormat> makePatternFormat(const char16_t* pattern,
                                                   const icu::Locale& locale) {
    UErrorCode status = U_ZERO_ERROR;
    auto format =
        std::make_unique<icu::SimpleDateFormat>(icu::UnicodeString(pattern), locale, status);
    format->adoptTimeZone(DeviceLocale::timeZone().release());
    return format;
}

std::unique_ptr<icu::NumberFormat> makeDecimalFormat(const icu::Locale& locale) {
    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<icu::NumberFormat> format(icu::NumberFormat::createInstance(locale, status));
    if (U_FAILURE(status) || !format) {
        status = U_ZERO_ERROR;
        format.reset(icu::NumberFormat::createInstance(icu::Locale::getRoot(), status));
    }
    return format;
}

Formatters& formatters() {
    static Formatters* shared = [] {
        auto* created = new Formatters;
        platform::onResetSharedState([created] { *created = Formatters(); });
        return created;
    }();
    Formatters& f = *shared;
    const std::uint64_t generation = DeviceLocale::generation();
    if (f.generation != generation) {
        f = Formatters();
        f.generation = generation;
        const icu::Locale locale = DeviceLocale::locale();
        f.dateThisYear = makePatternFormat(u"E MMM dd", locale);
        f.dateOtherYear = makePatternFormat(u"MMM dd yyyy", locale);
        f.weekday = makePatternFormat(u"EEEE", locale);
        f.time.reset(icu::DateFormat::createTimeInstance(icu::DateFormat::kShort, locale));
        f.time->adoptTimeZone(DeviceLocale::timeZone().release());
        f.decimal = makeDecimalFormat(locale);
        f.byteCount = makeDecimalFormat(locale);
        f.byteCount->setGroupingUsed(false);
        f.byteCount->setRoundingMode(icu::NumberFormat::kRoundHalfUp);
    }
    return f;
}

QString formatWith(icu::DateFormat& format, const QDateTime& date) {
    icu::UnicodeString text;
    format.format(icutext::toUDate(date), text);
    return icutext::fromIcu(text);
}

QString formatWith(icu::NumberFormat& format, double number) {
    icu::UnicodeString text;
    format.format(number, text);
    return icutext::fromIcu(text);
}

QString formatWith(icu::NumberFormat& format, std::int64_t number) {
    icu::UnicodeString text;
    format.format(static_cast<int64_t>(number), text);
    return icutext::fromIcu(text);
}

int32_t yearOf(const QDateTime& date) {
    auto calendar = DeviceLocale::calendar();
    UErrorCode status = U_ZERO_ERROR;
    calendar->setTime(icutext::toUDate(date), status);
    return calendar->get(UCAL_EXTENDED_YEAR, status);
}

QDateTime startOfNextDay(const QDateTime& dayStart) {
    auto calendar = DeviceLocale::calendar();
    UErrorCode status = U_ZERO_ERROR;
    calendar->setTime(icutext::toUDate(dayStart), status);
    calendar->add(UCAL_DATE, 1, status);
    return ZelvoUtils::extractDateFrom(icutext::fromUDate(calendar->getTime(status)));
}

enum class Day { Today, Yesterday, Other };

// The windows are 24 hours either side of the start of today, both ends open.
Day dayOf(const QDateTime& date) {
    const double secondsBack = date.msecsTo(ZVLocalization::today()) / 1000.0;
    if (secondsBack > -kSecondsPerDay && secondsBack < 0) {
        return Day::Today;
    }
    if (secondsBack > 0 && secondsBack < kSecondsPerDay) {
        return Day::Yesterday;
    }
    return Day::Other;
}

struct IntervalStep {
    double divisor;
    const char16_t* text;
};

constexpr std::array<IntervalStep, 11> kIntervalLadder{{
    {60, u"%ld seconds"},
    {1, u"a minute"},
    {60, u"%ld minutes"},
    {1, u"an hour"},
    {24, u"%ld hours"},
    {1, u"a day"},
    {7, u"%ld days"},
    {1, u"a week"},
    {4, u"%ld weeks"},
    {1, u"a month"},
    {12, u"%ld months"},
}};

constexpr double kFewSeconds = 10;

QString intervalText(double seconds) {
    double x = std::fabs(seconds);
    if (x < kFewSeconds) {
        return QStringLiteral("a few seconds");
    }
    for (const IntervalStep& step : kIntervalLadder) {
        const double whole = std::floor(x);
        if (whole <= step.divisor) {
            return platform::format(step.text, static_cast<std::int64_t>(whole));
        }
        x /= step.divisor;
    }
    return QStringLiteral("more than a year");
}

struct ByteUnit {
    const char* name;
    int fractionDigits;
};

constexpr std::array<ByteUnit, 6> kByteUnits{{
    {"KB", 0},
    {"MB", 1},
    {"GB", 2},
    {"TB", 2},
    {"PB", 2},
    {"EB", 2},
}};

constexpr double kBytesPerUnit = 1000;

}  // namespace

QString ZVLocalization::formatDateLong(const QDateTime& date) {
    if (!date.isValid()) {
        return QStringLiteral("<null>");
    }
    Formatters& f = formatters();
    const bool thisYear = yearOf(date) == yearOf(platform::Scheduler::main().currentDate());
    return formatWith(thisYear ? *f.dateThisYear : *f.dateOtherYear, date);
}

QString ZVLocalization::formatDate(const QDateTime& date, bool useTimeForToday) {
    if (!date.isValid()) {
        return formatDateLong(date);
    }
    switch (dayOf(date)) {
        case Day::Today:
            return useTimeForToday ? formatTime(date) : QStringLiteral("Today");
        case Day::Yesterday:
            return QStringLiteral("Yesterday");
        case Day::Other:
            break;
    }
    return formatDateLong(date);
}

QString ZVLocalization::resolveBackendError(const QString& errorId) {
    static const QHash<QString, QString> texts{
        {QStringLiteral("incorrect_password"), QStringLiteral("Incorrect password")},
        {QStringLiteral("invalid_login"), QStringLiteral("Incorrect email or password")},
        {QStringLiteral("unknown_email"), QStringLiteral("Unknown account.")},
        {QStringLiteral("not_active"), QStringLiteral("Your account is not activated yet.")},
        {QStringLiteral("member_left"), QStringLiteral("You have left the conversation")},
        {QStringLiteral("zelvo_id_taken"), QStringLiteral("Sorry, this username is not available")},
        {QStringLiteral("autojoin_failed"),
         QStringLiteral("The conversation you’re trying to join is private. A member of the "
                        "conversation will have to turn on Conversation sharing for you to be "
                        "able to join.")},
    };
    return errorId.isNull() ? QString() : texts.value(errorId);
}

void ZVLocalization::load() {
    ZVError::setErrorLocalizer([](const ZVError& error) {
        if (error.code() == ZVError::AlreadySignedIn) {
            return QStringLiteral("You are already signed in with this account.");
        }
        return resolveBackendError(error.backendErrorId());
    });
}

QString ZVLocalization::formatDate(const QDateTime& date) {
    return formatDate(date, false);
}

QString ZVLocalization::formatTime(const QDateTime& date) {
    if (!date.isValid()) {
        return {};
    }
    return formatWith(*formatters().time, date);
}

QString ZVLocalization::formatDateAndTime(const QDateTime& date) {
    if (!date.isValid()) {
        return formatDateLong(date);
    }
    if (dayOf(date) == Day::Today) {
        return formatTime(date);
    }
    return platform::format(u"%@ %@", formatDate(date), formatTime(date));
}

QString ZVLocalization::formatDateAndTime(const QDateTime& date, bool forceLongFormat) {
    if (!forceLongFormat || !date.isValid()) {
        return formatDateAndTime(date);
    }
    return platform::format(u"%@ %@", formatDateLong(date), formatTime(date));
}

QString ZVLocalization::weekdayOf(const QDateTime& date) {
    if (!date.isValid()) {
        return {};
    }
    return formatWith(*formatters().weekday, date);
}

QDateTime ZVLocalization::today() {
    Formatters& f = formatters();
    const QDateTime now = platform::Scheduler::main().currentDate();
    // Days are not always 86400 s long, so the cache holds the whole day it stands for.
    if (!f.todayStart.isValid() || now < f.todayStart || now >= f.tomorrowStart) {
        f.todayStart = ZelvoUtils::extractDateFrom(now);
        f.tomorrowStart = startOfNextDay(f.todayStart);
    }
    return f.todayStart;
}

QString ZVLocalization::formatFileSize(std::int64_t byteCount) {
    if (byteCount == 0) {
        return QStringLiteral("Zero KB");
    }
    Formatters& f = formatters();
    const double magnitude = std::fabs(static_cast<double>(byteCount));
    if (magnitude < kBytesPerUnit) {
        const QString number = formatWith(*f.decimal, byteCount);
        return magnitude == 1 ? number + QStringLiteral(" byte")
                              : number + QStringLiteral(" bytes");
    }
    double value = static_cast<double>(byteCount) / kBytesPerUnit;
    std::size_t unit = 0;
    // A value that rounds up to 1000 reads better in the next unit ("1 MB", not "1,000 KB").
    for (; unit + 1 < kByteUnits.size(); ++unit) {
        const double scale = std::pow(10.0, kByteUnits[unit].fractionDigits);
        if (std::round(std::fabs(value) * scale) / scale < kBytesPerUnit) {
            break;
        }
        value /= kBytesPerUnit;
    }
    f.byteCount->setMinimumFractionDigits(0);
    f.byteCount->setMaximumFractionDigits(kByteUnits[unit].fractionDigits);
    return formatWith(*f.byteCount, value) + QLatin1Char(' ') +
           QLatin1String(kByteUnits[unit].name);
}

QString ZVLocalization::formatNumber(std::int64_t number) {
    return formatWith(*formatters().decimal, number);
}

QString ZVLocalization::formatTimeInterval(double seconds, bool capitalized,
                                           bool includePrepositions) {
    QString text = intervalText(seconds);
    if (includePrepositions) {
        text = platform::format(seconds >= 0 ? u"in %@" : u"%@ ago", text);
    }
    if (capitalized) {
        for (QChar& c : text) {
            if (!c.isSpace() && !c.isDigit()) {
                c = c.toUpper();
                break;
            }
        }
    }
    return text;
}

QString ZVLocalization::formatRest(std::int64_t count, bool compact) {
    return compact ? platform::format(u" +%ld", count) : QStringLiteral(" and others");
}

platform::AttributedString ZVLocalization::nameListAsAttributedString(const QStringList& names,
                                                                      qsizetype limit,
                                                                      bool compact) {
    platform::AttributedString runs;
    const platform::TextAttributes nameAttributes{
        {QString(platform::TextAttribute::Font),
         QVariant::fromValue(ZVTextAppearance::mainBoldFont())}};
    const platform::TextAttributes otherAttributes{
        {QString(platform::TextAttribute::Font),
         QVariant::fromValue(ZVTextAppearance::mainFont())}};
    const qsizetype count = names.size();
    if (count == 0) {
        return runs;
    }
    if (count == 1) {
        runs.append(stringTruncatedToLength(names.first(), limit), nameAttributes);
        return runs;
    }
    qsizetype length = 0;
    auto add = [&](const QString& text, bool isName) {
        runs.append(text, isName ? nameAttributes : otherAttributes);
        length += text.size();
    };
    for (qsizetype i = 0; i < count; ++i) {
        QString separator;
        if (i > 0) {
            separator =
                (i == count - 1 && !compact) ? QStringLiteral(" and ") : QStringLiteral(", ");
        }
        const QString rest = i < count - 1 ? formatRest(count - 1 - i, compact) : QString();
        if (limit > 0 && length + separator.size() + rest.size() > limit) {
            qsizetype remaining = count - i;
            if (i == 0) {
                // Only a limit shorter than the rest text stops at the first name, which leaves
                // no room to cut it to: the list keeps at least that name whole.
                add(names[i], true);
                --remaining;
            }
            if (remaining >= 1) {
                add(formatRest(remaining, compact), false);
            }
            break;
        }
        if (!separator.isEmpty()) {
            add(separator, false);
        }
        add(names[i], true);
    }
    return runs;
}

QString ZVLocalization::nameListAsString(const QStringList& names, qsizetype limit, bool compact) {
    return nameListAsAttributedString(names, limit, compact).string();
}

QString ZVLocalization::nameListAsString(const QStringList& names) {
    return nameListAsString(names, 0, false);
}
