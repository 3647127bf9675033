#pragma once

#include "platform/foundation/AttributedString.h"

#include <QtCore/QDateTime>
#include <QtCore/QList>
#include <QtCore/QString>
#include <QtCore/QStringList>

#include <cstdint>

// The texts that screens show for dates, times, intervals, sizes, numbers and lists of names, and
// the user texts of errors. The words are fixed English; dates and numbers follow the device's
// locale and time zone (DeviceLocale).
//
// Main thread only: the formatters and the start of today are shared and cached.
class ZVLocalization {
public:
    ZVLocalization() = delete;

    // "<null>" for an invalid date; "E MMM dd" in the current year, "MMM dd yyyy" otherwise.
    static QString formatDateLong(const QDateTime& date);
    // "Today" (or the time, with the flag), "Yesterday", else the long date.
    static QString formatDate(const QDateTime& date, bool useTimeForToday);
    // The user text for a service error id; null for an unknown id.
    static QString resolveBackendError(const QString& errorId);
    // Installs the error localizer (at start-up, through ZVStartUpSupport); calling it again is
    // harmless.
    static void load();
    static QString formatDate(const QDateTime& date);
    // The time of day in the locale's short style; null for an invalid date.
    static QString formatTime(const QDateTime& date);
    // The time alone for today, else the date and the time.
    static QString formatDateAndTime(const QDateTime& date);
    static QString formatDateAndTime(const QDateTime& date, bool forceLongFormat);
    // The full weekday name.
    static QString weekdayOf(const QDateTime& date);
    // The start of the current day.
    static QDateTime today();
    static QString formatFileSize(std::int64_t byteCount);
    static QString formatNumber(std::int64_t number);
    // "a few seconds", "5 minutes", "more than a year"...; with prepositions "in %@" or "%@ ago".
    static QString formatTimeInterval(double seconds, bool capitalized, bool includePrepositions);
    // What stands for the names left out: " +3" when compact, else " and others".
    static QString formatRest(std::int64_t count, bool compact);
    // "A, B and C" ("A, B, C" when compact); with a limit (> 0) on the length, the names that do
    // not fit give way to formatRest().
    // The names in the main bold font, the words between them in the main font.
    static platform::AttributedString nameListAsAttributedString(const QStringList& names,
                                                                 qsizetype limit, bool compact);
    static QString nameListAsString(const QStringList& names, qsizetype limit, bool compact);
    static QString nameListAsString(const QStringList& names);
};
