#include "ZelvoKit/support/text/DeviceLocale.h"

#include "platform/foundation/SharedState.h"

#include <unicode/gregocal.h>

#include <mutex>

namespace {

struct Settings {
    std::mutex mutex;
    std::unique_ptr<icu::Locale> locale;
    std::unique_ptr<icu::TimeZone> timeZone;
    std::uint64_t generation = 0;
};

Settings& settings() {
    static Settings* shared = [] {
        auto* created = new Settings;
        platform::onResetSharedState([] {
            DeviceLocale::setLocale(QString());
            DeviceLocale::setTimeZone(QString());
        });
        return created;
    }();
    return *shared;
}

}  // namespace

icu::Locale DeviceLocale::locale() {
    Settings& s = settings();
    std::lock_guard lock(s.mutex);
    return s.locale ? *s.locale : icu::Locale::getDefault();
}

std::unique_ptr<icu::TimeZone> DeviceLocale::timeZone() {
    Settings& s = settings();
    std::lock_guard lock(s.mutex);
    return std::unique_ptr<icu::TimeZone>(s.timeZone ? s.timeZone->clone()
                                                     : icu::TimeZone::createDefault());
}

std::unique_ptr<icu::Calendar> DeviceLocale::calendar() {
    UErrorCode status = U_ZERO_ERROR;
    auto calendar =
        std::make_unique<icu::GregorianCalendar>(timeZone().release(), locale(), status);
    if (U_FAILURE(status)) {
        // Only a broken ICU data file gets here; the root locale always exists.
        status = U_ZERO_ERROR;
        calendar = std::make_unique<icu::GregorianCalendar>(timeZone().release(),
                                                            icu::Locale::getRoot(), status);
    }
    return calendar;
}

void DeviceLocale::setLocale(const QString& localeId) {
    Settings& s = settings();
    std::lock_guard lock(s.mutex);
    s.locale =
        localeId.isEmpty() ? nullptr : std::make_unique<icu::Locale>(localeId.toUtf8().constData());
    ++s.generation;
}

void DeviceLocale::setTimeZone(const QString& timeZoneId) {
    Settings& s = settings();
    std::lock_guard lock(s.mutex);
    s.timeZone = timeZoneId.isEmpty()
                     ? nullptr
                     : std::unique_ptr<icu::TimeZone>(
                           icu::TimeZone::createTimeZone(icutext::toIcu(timeZoneId)));
    ++s.generation;
}

std::uint64_t DeviceLocale::generation() {
    Settings& s = settings();
    std::lock_guard lock(s.mutex);
    return s.generation;
}
