#include "Analytics/Library/ZAHitUtil.h"

#include "Analytics/Library/ZAConstants.h"
#include "platform/foundation/Application.h"

#include <QtCore/QCryptographicHash>
#include <QtCore/QTextBoundaryFinder>
#include <QtCore/QUuid>

#include <mutex>

namespace {

std::mutex& infoLock() {
    static std::mutex lock;
    return lock;
}

ZAHitUtil::DeviceInfo& storedInfo() {
    static ZAHitUtil::DeviceInfo info;
    return info;
}

constexpr std::uint32_t kHashLowMask = 0x0FFFFFC0;
constexpr std::uint32_t kHashHighBits = 0x0FE00000;
constexpr int kHashCharShift = 14;
constexpr int kHashStateShift = 6;
constexpr int kHashFoldShift = 21;
constexpr double kHitMillisecondsPerSecond = 1000.0;

}  // namespace

void ZAHitUtil::captureDeviceInfo() {
    auto& app = platform::Application::shared();
    DeviceInfo info;
    info.model = app.model();
    info.systemName = app.systemName();
    info.systemVersion = app.systemVersion();
    info.preferredLanguages = QLocale::system().uiLanguages();
    info.locale = QLocale::system();
    const QSizeF size = app.screenSize();
    info.screenWidth = static_cast<int>(size.width());
    info.screenHeight = static_cast<int>(size.height());
    info.bundleName = app.bundleName();
    info.bundleIdentifier = app.bundleIdentifier();
    info.shortVersion = app.shortVersion();
    setDeviceInfo(info);
}

ZAHitUtil::DeviceInfo ZAHitUtil::deviceInfo() {
    std::lock_guard guard(infoLock());
    return storedInfo();
}

void ZAHitUtil::setDeviceInfo(const DeviceInfo& info) {
    std::lock_guard guard(infoLock());
    storedInfo() = info;
}

QString ZAHitUtil::userAgentStringWithProduct(const QString& product, const QString& version,
                                              const QString& deviceModel, const QString& systemName,
                                              const QString& systemVersion,
                                              const QString& systemLanguage,
                                              const QString& systemCountry) {
    return QStringLiteral("%1/%2 (%3; U; CPU %4 %5 like Mac OS X; %6-%7)")
        .arg(product, version, deviceModel, systemName, systemVersion, systemLanguage,
             systemCountry);
}

QString ZAHitUtil::userAgentString() {
    const DeviceInfo info = deviceInfo();
    return userAgentStringWithProduct(za::kZAProduct(), za::kZAVersion(), info.model,
                                      info.systemName, info.systemVersion, systemLanguage(),
                                      systemCountry());
}

QString ZAHitUtil::systemLanguage() {
    return systemLanguageFromLanguages(deviceInfo().preferredLanguages);
}

QString ZAHitUtil::systemLanguageFromLanguages(const QStringList& languages) {
    if (languages.isEmpty()) {
        return QStringLiteral("en");
    }
    return languages.first().toLower();
}

QString ZAHitUtil::systemCountry() {
    return systemCountryFromLocale(deviceInfo().locale);
}

QString ZAHitUtil::systemCountryFromLocale(const QLocale& locale) {
    if (locale.territory() == QLocale::AnyTerritory) {
        return QString();
    }
    return QLocale::territoryToCode(locale.territory()).toLower();
}

QString ZAHitUtil::systemScreenResolution() {
    const DeviceInfo info = deviceInfo();
    return QStringLiteral("%1x%2").arg(info.screenWidth).arg(info.screenHeight);
}

QString ZAHitUtil::systemScreenColorDepth() {
    return QStringLiteral("24-bit");
}

std::int64_t ZAHitUtil::millisecondsElapsedFrom(const QDateTime& start, const QDateTime& end) {
    const double seconds = static_cast<double>(start.msecsTo(end)) / kHitMillisecondsPerSecond;
    return static_cast<std::int64_t>(seconds * kHitMillisecondsPerSecond);
}

std::uint32_t ZAHitUtil::clientHash(const QString& text) {
    if (text.isEmpty()) {
        return 1;
    }
    // The first code unit of each composed character, walked from the last to the first.
    QList<char16_t> firsts;
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
    qsizetype start = 0;
    while (finder.toNextBoundary() >= 0) {
        const qsizetype end = finder.position();
        if (end > start) {
            firsts.append(text.at(start).unicode());
        }
        start = end;
    }
    std::uint32_t h = 0;
    for (auto it = firsts.crbegin(); it != firsts.crend(); ++it) {
        const std::uint32_t c = *it;
        h = c + (c << kHashCharShift) + ((h << kHashStateShift) & kHashLowMask);
        const std::uint32_t high = h & kHashHighBits;
        if (high != 0) {
            h ^= high >> kHashFoldShift;
        }
    }
    return h;
}

QString ZAHitUtil::generateClientId() {
    return QUuid::createUuid().toString(QUuid::WithoutBraces).toLower();
}

QString ZAHitUtil::hashIdfa(const QString& advertisingId, const QString& clientId) {
    const QByteArray text = QStringLiteral("%1:%2").arg(advertisingId, clientId).toUtf8();
    return QString::fromLatin1(QCryptographicHash::hash(text, QCryptographicHash::Md5).toHex());
}
