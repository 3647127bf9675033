#include "toolkit/richtext/ZVPhoneNumberDetector.h"

#include <phonenumbers/phonenumbermatch.h>
#include <phonenumbers/phonenumbermatcher.h>
#include <phonenumbers/phonenumberutil.h>
#include <QtCore/QLocale>

#include <string>

namespace {

const QString kFallbackRegion = QStringLiteral("US");
// Bounds the work on a long text full of digits that are no numbers.
constexpr int kMaxTries = 100;

// The number of UTF-16 units in the first `bytes` bytes of UTF-8 text.
qsizetype utf16Length(const std::string& utf8, std::size_t bytes) {
    return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(bytes)).size();
}

}  // namespace

ZVPhoneNumberDetector::ZVPhoneNumberDetector(QString region) : region_(std::move(region)) {}

QString ZVPhoneNumberDetector::defaultRegion() {
    const QString name = QLocale().name();
    const qsizetype separator = name.indexOf(u'_');
    const QString country = separator >= 0 ? name.mid(separator + 1) : QString();
    return country.size() == 2 && country != QStringLiteral("C") ? country : kFallbackRegion;
}

std::vector<ZVPhoneNumberDetector::Match> ZVPhoneNumberDetector::matchesInString(
    const QString& text) const {
    std::vector<Match> matches;
    const std::string utf8 = text.toStdString();
    i18n::phonenumbers::PhoneNumberMatcher matcher(
        *i18n::phonenumbers::PhoneNumberUtil::GetInstance(), utf8, region_.toStdString(),
        i18n::phonenumbers::PhoneNumberMatcher::VALID, kMaxTries);
    i18n::phonenumbers::PhoneNumberMatch match;
    while (matcher.HasNext() && matcher.Next(&match)) {
        const auto start = static_cast<std::size_t>(match.start());
        const qsizetype location = utf16Length(utf8, start);
        const qsizetype end = utf16Length(utf8, start + static_cast<std::size_t>(match.length()));
        matches.push_back({location, end - location});
    }
    return matches;
}
