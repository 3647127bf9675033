#pragma once

#include <QtCore/QDateTime>
#include <QtCore/QString>
#include <QtCore/QStringView>

#include <unicode/calendar.h>
#include <unicode/locid.h>
#include <unicode/timezone.h>
#include <unicode/unistr.h>

#include <cstdint>
#include <memory>

// The device's locale and time zone, as the date and number formatters see them. Taken from the
// environment at first use; tests pin both so that texts do not depend on the machine.
//
// Safe from any thread.
class DeviceLocale {
public:
    static icu::Locale locale();
    static std::unique_ptr<icu::TimeZone> timeZone();
    // A Gregorian calendar in the device's locale and time zone.
    static std::unique_ptr<icu::Calendar> calendar();

    // Replaces the locale ("en_US") or the time zone ("Europe/Berlin"); an empty id restores the
    // device's own. Shared state resets restore both.
    static void setLocale(const QString& localeId);
    static void setTimeZone(const QString& timeZoneId);

    // Changes with every setLocale()/setTimeZone(), so that cached formatters know to rebuild.
    static std::uint64_t generation();
};

namespace icutext {

inline icu::UnicodeString toIcu(QStringView text) {
    return icu::UnicodeString(reinterpret_cast<const UChar*>(text.utf16()),
                              static_cast<int32_t>(text.size()));
}

inline QString fromIcu(const icu::UnicodeString& text) {
    return QString(reinterpret_cast<const QChar*>(text.getBuffer()), text.length());
}

// ICU counts time in milliseconds since the epoch, as a double.
inline UDate toUDate(const QDateTime& date) {
    return static_cast<UDate>(date.toMSecsSinceEpoch());
}

inline QDateTime fromUDate(UDate date) {
    return QDateTime::fromMSecsSinceEpoch(static_cast<qint64>(date), Qt::UTC);
}

}  // namespace icutext
