#include "tests/Analytics/Library/AnalyticsFixture.h"

#include "Analytics/Library/ZAClock.h"
#include "Analytics/Library/ZACoreDataUtil.h"
#include "platform/store/ManagedObjectContext.h"

#include <QtCore/QDir>
#include <QtCore/QFile>
#include <QtCore/QJsonDocument>
#include <QtCore/QJsonObject>

using HitStore = AnalyticsTest;

namespace {

ZAHitRecord hitNamed(const QString& action, const QDateTime& timestamp = {}) {
    ZAHitRecord hit;
    hit.parameters = {{QStringLiteral("&t"), QStringLiteral("event")},
                      {QStringLiteral("&ea"), action}};
    hit.timestamp = timestamp;
    return hit;
}

QStringList actions(const std::vector<ZAHitRecord>& hits) {
    QStringList names;
    for (const auto& hit : hits) {
        names.append(hit.parameters.value(QStringLiteral("&ea")).toString());
    }
    return names;
}

// A hit in the older store's form: names without "&", the URL it was meant for.
void addOlderHit(platform::ManagedObjectContext& context, const QString& action,
                 const QDateTime& timestamp, const QString& dispatchUrl) {
    auto hit = context.insert(u"ZAHit");
    hit->setValue(u"timestamp", timestamp);
    hit->setValue(u"parametersData",
                  QJsonDocument(QJsonObject{{QStringLiteral("t"), QStringLiteral("event")},
                                            {QStringLiteral("ea"), action}})
                      .toJson(QJsonDocument::Compact));
    hit->setValue(u"dispatchUrl", dispatchUrl);
    hit->setValue(u"zaVersion", QStringLiteral("3.08"));
}

}  // namespace

TEST_F(HitStore, ClientIdIsMadeOnceAndReadBack) {
    QString first;
    {
        auto store = ZADataStore::dataStore();
        first = store->clientId();
        EXPECT_TRUE(store->isSetUp());
        EXPECT_EQ(first, first.toLower());
        EXPECT_EQ(first.size(), 36);
        EXPECT_EQ(store->hitCount(), 0u);
    }
    EXPECT_TRUE(QFile::exists(ZADataStore::databaseFullPath(ZADataStore::currentStoreName())));
    EXPECT_TRUE(QFile::exists(ZADataStore::databaseFullPath(ZADataStore::olderStoreName())));
    EXPECT_EQ(ZADataStore::dataStore()->clientId(), first);
}

TEST_F(HitStore, SavingPastTheLimitDropsTheOldest) {
    auto store = ZADataStore::dataStore();
    const QDateTime start = za::currentDate();
    for (int i = 0; i <= int(ZADataStore::kDefaultMaxHitCount); ++i) {
        store->addHit(hitNamed(QString::number(i), start.addSecs(i)));
    }
    ASSERT_TRUE(store->save());
    EXPECT_EQ(store->hitCount(), ZADataStore::kDefaultMaxHitCount);
    const auto oldest = store->fetchHits(2);
    ASSERT_TRUE(oldest);
    EXPECT_EQ(actions(*oldest), (QStringList{QStringLiteral("1"), QStringLiteral("2")}));
    EXPECT_EQ(store->fetchHits(0)->size(), ZADataStore::kDefaultMaxHitCount);
}

TEST_F(HitStore, OlderStoreHitsGoFirstAndStaleOnesAreRemovedAtStart) {
    const QDateTime now = za::currentDate();
    {
        auto current = ZADataStore::dataStore();
        current->addHit(hitNamed(QStringLiteral("current"), now.addSecs(-3600)));
        ASSERT_TRUE(current->save());
    }
    {
        auto older = platform::ManagedObjectContext::open(
            ZADataStore::databaseFullPath(ZADataStore::olderStoreName()),
            ZACoreDataUtil::oldModel());
        ASSERT_TRUE(older);
        addOlderHit(**older, QStringLiteral("stale"), now.addSecs(-30 * 24 * 3600),
                    QStringLiteral("https://x/collect"));
        addOlderHit(**older, QStringLiteral("plain"), now.addSecs(-60),
                    QStringLiteral("http://x/collect"));
        addOlderHit(**older, QStringLiteral("secure"), now.addSecs(-30),
                    QStringLiteral("https://x/collect"));
        ASSERT_FALSE((*older)->save());
    }
    auto store = ZADataStore::dataStore();
    EXPECT_TRUE(store->isReadingOlderStore());
    EXPECT_EQ(store->hitCount(), 3u);
    const auto older = store->fetchHits(0);
    ASSERT_TRUE(older);
    ASSERT_EQ(actions(*older), (QStringList{QStringLiteral("plain"), QStringLiteral("secure")}));
    EXPECT_EQ((*older)[0].parameters.value(QStringLiteral("&t")), QStringLiteral("event"));
    EXPECT_EQ((*older)[0].parameters.value(QStringLiteral("useSecure")), QStringLiteral("0"));
    EXPECT_FALSE((*older)[1].parameters.contains(QStringLiteral("useSecure")));
    EXPECT_EQ((*older)[1].parameters.value(QStringLiteral("zaVersion")), QStringLiteral("3.08"));

    std::vector<ZAHitId> ids;
    for (const auto& hit : *older) {
        ids.push_back(*hit.objectID);
    }
    ASSERT_TRUE(store->deleteHitsWithIds(ids));
    ASSERT_TRUE(store->save());
    EXPECT_FALSE(store->isReadingOlderStore());
    EXPECT_EQ(actions(*store->fetchHits(0)), QStringList{QStringLiteral("current")});
}

TEST_F(HitStore, CorruptFileIsReplacedByAnEmptyOne) {
    const QString path = ZADataStore::databaseFullPath(ZADataStore::currentStoreName());
    {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(QByteArray("not a store at all").repeated(200));
    }
    auto store = ZADataStore::dataStore();
    EXPECT_TRUE(store->isSetUp());
    EXPECT_TRUE(logger_->contains(QStringLiteral("Corrupted database with URL")));
    store->addHit(hitNamed(QStringLiteral("after")));
    ASSERT_TRUE(store->save());
    EXPECT_EQ(store->hitCount(), 1u);
}

TEST_F(HitStore, PropertiesPersist) {
    {
        auto store = ZADataStore::dataStore();
        store->setHashedIdfa(QStringLiteral("abc"));
        store->setIdfaChangeCount(3);
        store->setLastChangeTimeStamp(1700000000);
    }
    auto store = ZADataStore::dataStore();
    EXPECT_EQ(store->hashedIdfa(), QStringLiteral("abc"));
    EXPECT_EQ(store->idfaChangeCount(), 3);
    EXPECT_EQ(store->lastChangeTimeStamp(), 1700000000);
}

TEST_F(HitStore, WhatCannotBeOpenedForOtherReasonsIsLeftInPlace) {
    // A folder where the file should be: SQLite cannot open it, and nothing proves it damaged.
    const QString path = ZADataStore::databaseFullPath(ZADataStore::currentStoreName());
    ASSERT_TRUE(QDir().mkpath(path));
    {
        QFile inside(QDir(path).filePath(QStringLiteral("keep-me")));
        ASSERT_TRUE(inside.open(QIODevice::WriteOnly));
    }
    auto store = ZADataStore::dataStore();
    EXPECT_FALSE(store->isSetUp());
    EXPECT_EQ(store->hitCount(), ZADataStore::kHitCountFailed);
    EXPECT_FALSE(logger_->contains(QStringLiteral("Corrupted database")));
    EXPECT_TRUE(logger_->contains(QStringLiteral("Error creating database with URL")));
    EXPECT_TRUE(QFile::exists(QDir(path).filePath(QStringLiteral("keep-me"))));
}
