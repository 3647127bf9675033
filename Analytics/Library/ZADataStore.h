#pragma once

#include "Analytics/Library/ZAHitRecord.h"

#include <QtCore/QString>

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

namespace platform {
class ManagedObjectContext;
}

// The hits waiting to be sent and the installation's properties, in two SQLite files in the
// Library folder: "zelvoanalytics-v3.sql" (current hits) and "zelvoanalytics-v2.sql" (the
// properties, and hits of the older form, which are sent first). Every operation runs on the SDK
// thread; a caller on another thread waits for it.
class ZADataStore : public std::enable_shared_from_this<ZADataStore> {
public:
    static constexpr std::uint32_t kDefaultMaxHitCount = 2000;
    // What hitCount() answers when counting failed.
    static constexpr std::uint32_t kHitCountFailed = 0xFFFFFFFFu;
    // Hits of the older store this old are removed at start-up.
    static constexpr double kStaleHitAge = 2592000.0;

    static QString currentStoreName() { return QStringLiteral("zelvoanalytics-v3.sql"); }
    static QString olderStoreName() { return QStringLiteral("zelvoanalytics-v2.sql"); }

    // A new store whose set-up is queued on the SDK thread.
    static std::shared_ptr<ZADataStore> dataStore();
    ~ZADataStore();
    ZADataStore(const ZADataStore&) = delete;
    ZADataStore& operator=(const ZADataStore&) = delete;

    // Null when the platform names no Library folder.
    static QString databaseFullPath(const QString& fileName);

    // Nothing is saved until save().
    void addHit(const ZAHitRecord& hit);
    // Oldest first; limit 0 for all. None on failure.
    std::optional<std::vector<ZAHitRecord>> fetchHits(unsigned limit, QString* error = nullptr);
    // Ids no longer stored are skipped.
    bool deleteHitsWithIds(const std::vector<ZAHitId>& ids, QString* error = nullptr);
    bool deleteAllHits(QString* error = nullptr);
    // kHitCountFailed when counting failed.
    std::uint32_t hitCount(QString* error = nullptr);
    bool save(QString* error = nullptr);

    std::uint32_t maxHitCount() const;
    // 0 turns the limit off.
    void setMaxHitCount(std::uint32_t count);

    QString clientId();
    void setClientId(const QString& clientId);
    QString hashedIdfa();
    void setHashedIdfa(const QString& hashed);
    std::int64_t idfaChangeCount();
    void setIdfaChangeCount(std::int64_t count);
    std::int64_t lastChangeTimeStamp();
    void setLastChangeTimeStamp(std::int64_t stamp);

    // Whether set-up opened both files (waits for it).
    bool isSetUp();
    // Hits are fetched from the older file while it holds any (waits for set-up).
    bool isReadingOlderStore();

    // Runs `block` on the SDK thread and waits; none without open stores. An error the caller
    // does not take is logged.
    bool perform(const std::function<bool(QString* error)>& block, QString* error);

private:
    ZADataStore(QString currentPath, QString olderPath);
    void setUpCoreData();
    std::unique_ptr<platform::ManagedObjectContext> openStore(const QString& path, bool older);
    std::optional<std::uint32_t> countHits(platform::ManagedObjectContext& context, QString* error);
    void removeStaleHits(platform::ManagedObjectContext& context);
    bool deleteExcessHits(QString* error);
    QString fetchProperty(const QString& name, std::int64_t* number);
    bool setProperty(const QString& name, const QVariant& value, QString* error);
    void writeProperty(const QString& name, const QVariant& value);
    // A cached property, read once set-up has loaded it.
    template <class T>
    T cachedAfterSetUp(const T& field);
    // Caches at once, then writes the property record on the SDK thread.
    template <class T>
    void cacheAndWrite(T& field, const T& value, const QString& property);
    platform::ManagedObjectContext* currentContext() const;

    const QString currentPath_;
    const QString olderPath_;
    // SDK thread only.
    std::unique_ptr<platform::ManagedObjectContext> oldContext_;
    std::unique_ptr<platform::ManagedObjectContext> context_;
    bool readingOlder_ = false;
    bool setUp_ = false;

    mutable std::mutex cacheLock_;
    QString clientId_;
    QString hashedIdfa_;
    std::int64_t lastChangeTimeStamp_ = 0;
    std::int64_t idfaChangeCount_ = 0;
    std::uint32_t maxHitCount_ = kDefaultMaxHitCount;
};
