#include "ZelvoKit/support/base/ZelvoUtils.h"

#include "ZelvoKit/support/text/DeviceLocale.h"
#include "platform/foundation/SystemLog.h"

#include <QtCore/QRegularExpression>
#include <QtCore/QUuid>

#include <cstdint>
#include <memory>
#include <tuple>

namespace {

constexpr qsizetype kUuidByteCount = 16;

// The device's calendar, made again only when the locale or time zone changes: making one is
// far dearer than the day comparison that message lists make for every row.
icu::Calendar& zelvoUtilsCachedCalendar() {
    thread_local std::unique_ptr<icu::Calendar> calendar;
    thread_local std::uint64_t madeFor = 0;
    const std::uint64_t generation = DeviceLocale::generation();
    if (!calendar || madeFor != generation) {
        calendar = DeviceLocale::calendar();
        madeFor = generation;
    }
    return *calendar;
}

bool isPhoneSymbol(QChar c) {
    static const QString symbols = QStringLiteral("+-#*()");
    return symbols.contains(c);
}

}  // namespace

QString ZelvoUtils::cleanPhoneNumber(const QString& phone) {
    QString cleaned;
    cleaned.reserve(phone.size());
    for (const QChar c : phone) {
        // Surrogate halves are neither letters nor digits on their own, so a pair is dropped whole.
        if (c.isLetterOrNumber() || c.isMark() || isPhoneSymbol(c)) {
            cleaned.append(c);
        }
    }
    return cleaned;
}

QString ZelvoUtils::generateUUID() {
    return QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper();
}

QByteArray ZelvoUtils::dataFromUUIDString(const QString& uuid) {
    static const QRegularExpression form(QStringLiteral(
        "\\A[0-9A-Fa-f]{8}-[0-9A-Fa-f]{4}-[0-9A-Fa-f]{4}-[0-9A-Fa-f]{4}-[0-9A-Fa-f]{12}\\z"));
    if (!form.match(uuid).hasMatch()) {
        return {};
    }
    return QUuid::fromString(uuid).toRfc4122();
}

QString ZelvoUtils::uuidFromData(const QByteArray& data) {
    if (data.size() != kUuidByteCount) {
        platform::systemLogFormat(u"Invalid uuid data, length = %ld", data.size());
        return {};
    }
    return QUuid::fromRfc4122(data).toString(QUuid::WithoutBraces);
}

bool ZelvoUtils::isDate(const QDateTime& date, const QDateTime& other) {
    // The local day last looked up, as an interval of instants: message lists compare the days of
    // neighbours row after row, and most fall in the day before.
    struct Day {
        UDate start = 0;
        UDate end = 0;
        std::uint64_t generation = 0;
    };
    thread_local Day known;
    icu::Calendar& calendar = zelvoUtilsCachedCalendar();
    const std::uint64_t generation = DeviceLocale::generation();
    UErrorCode status = U_ZERO_ERROR;
    const auto dayStart = [&](UDate at) {
        if (known.generation == generation && at >= known.start && at < known.end) {
            return known.start;
        }
        calendar.setTime(at, status);
        const int32_t year = calendar.get(UCAL_EXTENDED_YEAR, status);
        const int32_t month = calendar.get(UCAL_MONTH, status);
        const int32_t day = calendar.get(UCAL_DATE, status);
        calendar.clear();
        calendar.set(UCAL_EXTENDED_YEAR, year);
        calendar.set(UCAL_MONTH, month);
        calendar.set(UCAL_DATE, day);
        const UDate start = calendar.getTime(status);
        calendar.add(UCAL_DATE, 1, status);
        known = {start, calendar.getTime(status), generation};
        return start;
    };
    const UDate first = dayStart(icutext::toUDate(date));
    const UDate second = dayStart(icutext::toUDate(other));
    if (U_FAILURE(status)) {
        known = {};
        return false;
    }
    return first == second;
}

QDateTime ZelvoUtils::extractDateFrom(const QDateTime& date) {
    auto calendar = DeviceLocale::calendar();
    UErrorCode status = U_ZERO_ERROR;
    calendar->setTime(icutext::toUDate(date), status);
    const int32_t year = calendar->get(UCAL_EXTENDED_YEAR, status);
    const int32_t month = calendar->get(UCAL_MONTH, status);
    const int32_t day = calendar->get(UCAL_DATE, status);
    calendar->clear();
    calendar->set(UCAL_EXTENDED_YEAR, year);
    calendar->set(UCAL_MONTH, month);
    calendar->set(UCAL_DATE, day);
    const UDate start = calendar->getTime(status);
    return U_SUCCESS(status) ? icutext::fromUDate(start) : QDateTime();
}

bool ZelvoUtils::isValidEmail(const QString& email) {
    static const QRegularExpression pattern(
        QStringLiteral("\\A(?:[A-Z0-9a-z._%+-]+@[A-Za-z0-9.-]+\\.[A-Za-z]{2,6})\\z"));
    return pattern.match(email).hasMatch();
}
