#pragma once

#include <QtCore/QDateTime>
#include <QtCore/QLocale>
#include <QtCore/QString>
#include <QtCore/QStringList>

#include <cstdint>

// What a hit says about the device and the installation, and the SDK's hashes. The device facts
// are read on the main thread (captureDeviceInfo) and kept, since the SDK thread builds hits.
class ZAHitUtil {
public:
    ZAHitUtil() = delete;

    struct DeviceInfo {
        QString model;
        QString systemName;
        QString systemVersion;
        QStringList preferredLanguages;
        QLocale locale;
        int screenWidth = 0;
        int screenHeight = 0;
        QString bundleName;
        QString bundleIdentifier;
        QString shortVersion;
    };
    // Main thread: reads the platform's device, screen and bundle facts.
    static void captureDeviceInfo();
    static DeviceInfo deviceInfo();
    static void setDeviceInfo(const DeviceInfo& info);

    static QString userAgentStringWithProduct(const QString& product, const QString& version,
                                              const QString& deviceModel, const QString& systemName,
                                              const QString& systemVersion,
                                              const QString& systemLanguage,
                                              const QString& systemCountry);
    static QString userAgentString();
    static QString systemLanguage();
    static QString systemLanguageFromLanguages(const QStringList& languages);
    // Null when the locale names no country.
    static QString systemCountry();
    static QString systemCountryFromLocale(const QLocale& locale);
    static QString systemScreenResolution();
    static QString systemScreenColorDepth();
    static std::int64_t millisecondsElapsedFrom(const QDateTime& start, const QDateTime& end);
    // The hash that samples hits by client id.
    static std::uint32_t clientHash(const QString& text);
    static QString generateClientId();
    static QString hashIdfa(const QString& advertisingId, const QString& clientId);
};
