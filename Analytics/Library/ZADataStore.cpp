#include "Analytics/Library/ZADataStore.h"

#include "Analytics/Library/ZAClock.h"
#include "Analytics/Library/ZAConstants.h"
#include "Analytics/Library/ZACoreDataUtil.h"
#include "Analytics/Library/ZAHitUtil.h"
#include "Analytics/Library/ZALog.h"
#include "Analytics/Library/ZAThread.h"
#include "platform/foundation/Paths.h"
#include "platform/store/ManagedObjectContext.h"
#include "platform/store/StoreFiles.h"

#include <QtCore/QDir>
#include <QtCore/QJsonDocument>
#include <QtCore/QJsonObject>

#include <exception>

namespace {

const QString kHitEntity = QStringLiteral("ZAHit");
const QString kPropertyEntity = QStringLiteral("ZAProperty");
const QString kClientIdProperty = QStringLiteral("ClientId");
const QString kIdfaProperty = QStringLiteral("idfa");
const QString kChangeCountProperty = QStringLiteral("numChanges");
const QString kChangeStampProperty = QStringLiteral("changeTS");

QString describe(const std::shared_ptr<platform::StoreError>& error) {
    return error ? error->description() : QString();
}

platform::FetchRequest hitsRequest(unsigned limit) {
    platform::FetchRequest request;
    request.entityName = kHitEntity;
    request.sortDescriptors = {{QStringLiteral("timestamp"), true}};
    request.fetchLimit = limit;
    return request;
}

platform::FetchRequest requestPropertyWithName(const QString& name) {
    platform::FetchRequest request;
    request.entityName = kPropertyEntity;
    request.predicate = QStringLiteral("name == $name");
    request.variables = {{QStringLiteral("name"), name}};
    request.fetchLimit = 1;
    return request;
}

QByteArray encodeParameters(const ZAHitParameters& parameters) {
    return QJsonDocument(QJsonObject::fromVariantMap(parameters)).toJson(QJsonDocument::Compact);
}

ZAHitParameters decodeParameters(const QByteArray& data) {
    return QJsonDocument::fromJson(data).object().toVariantMap();
}

}  // namespace

QString ZADataStore::databaseFullPath(const QString& fileName) {
    const QString library = platform::Paths::libraryDirectory();
    if (library.isNull()) {
        return QString();
    }
    return QDir(library).filePath(fileName);
}

std::shared_ptr<ZADataStore> ZADataStore::dataStore() {
    std::shared_ptr<ZADataStore> store(
        new ZADataStore(databaseFullPath(currentStoreName()), databaseFullPath(olderStoreName())));
    ZAThread::shared().post([weak = std::weak_ptr<ZADataStore>(store)] {
        if (auto strong = weak.lock()) {
            strong->setUpCoreData();
        }
    });
    return store;
}

ZADataStore::ZADataStore(QString currentPath, QString olderPath)
    : currentPath_(std::move(currentPath)), olderPath_(std::move(olderPath)) {}

ZADataStore::~ZADataStore() {
    // The files are closed on the thread that used them.
    ZAThread::shared().performAndWait([this] {
        context_.reset();
        oldContext_.reset();
    });
}

platform::ManagedObjectContext* ZADataStore::currentContext() const {
    return readingOlder_ ? oldContext_.get() : context_.get();
}

bool ZADataStore::perform(const std::function<bool(QString* error)>& block, QString* error) {
    bool result = false;
    QString failure;
    ZAThread::shared().performAndWait([&] {
        if (currentContext() == nullptr) {
            return;
        }
        try {
            result = block(&failure);
        } catch (const std::exception& exception) {
            failure =
                QStringLiteral("SQLite error -1: %1").arg(QString::fromUtf8(exception.what()));
            result = false;
        }
    });
    if (error != nullptr) {
        *error = failure;
    } else if (!failure.isEmpty()) {
        ZA_LOG(Error, u"Datastore error: %@", failure);
    }
    return result;
}

std::unique_ptr<platform::ManagedObjectContext> ZADataStore::openStore(const QString& path,
                                                                       bool older) {
    if (path.isEmpty()) {
        return nullptr;
    }
    const auto model = older ? ZACoreDataUtil::oldModel() : ZACoreDataUtil::model();
    auto opened = platform::ManagedObjectContext::open(path, model);
    if (opened) {
        return std::move(opened.value());
    }
    // Only a damaged file is thrown away, with its hits and properties; a full disk, a lock or
    // permissions leave it, and its hits, for the next start.
    if (!opened.error() || !opened.error()->isCorruption()) {
        ZA_LOG(Error, u"Error creating database with URL %@: %@", path, describe(opened.error()));
        return nullptr;
    }
    platform::removeStoreFiles(path);
    ZA_LOG(Warning, u"Corrupted database with URL %@: %@", path, describe(opened.error()));
    auto reopened = platform::ManagedObjectContext::open(path, model);
    if (reopened) {
        return std::move(reopened.value());
    }
    ZA_LOG(Error, u"Error creating database with URL %@: %@", path, describe(reopened.error()));
    return nullptr;
}

void ZADataStore::setUpCoreData() {
    if (setUp_) {
        return;
    }
    oldContext_ = openStore(olderPath_, true);
    context_ = openStore(currentPath_, false);
    readingOlder_ = false;
    if (oldContext_) {
        const auto olderHits = countHits(*oldContext_, nullptr);
        if (olderHits && *olderHits != 0) {
            readingOlder_ = true;
            removeStaleHits(*oldContext_);
        }
        QString clientId = fetchProperty(kClientIdProperty, nullptr);
        if (clientId.isEmpty()) {
            clientId = ZAHitUtil::generateClientId();
            setClientId(clientId);
        }
        std::int64_t changeCount = 0;
        std::int64_t changeStamp = 0;
        const QString idfa = fetchProperty(kIdfaProperty, nullptr);
        fetchProperty(kChangeCountProperty, &changeCount);
        fetchProperty(kChangeStampProperty, &changeStamp);
        std::lock_guard guard(cacheLock_);
        clientId_ = clientId;
        hashedIdfa_ = idfa;
        idfaChangeCount_ = changeCount;
        lastChangeTimeStamp_ = changeStamp;
    }
    setUp_ = oldContext_ && context_;
    if (!setUp_) {
        ZA_LOG(Error, u"Can not setup Core Data stack");
    }
}

std::optional<std::uint32_t> ZADataStore::countHits(platform::ManagedObjectContext& context,
                                                    QString* error) {
    platform::FetchRequest request;
    request.entityName = kHitEntity;
    auto counted = context.count(request);
    if (!counted) {
        if (error != nullptr) {
            *error = describe(counted.error());
        }
        return std::nullopt;
    }
    return static_cast<std::uint32_t>(*counted);
}

void ZADataStore::removeStaleHits(platform::ManagedObjectContext& context) {
    platform::FetchRequest request;
    request.entityName = kHitEntity;
    request.predicate = QStringLiteral("timestamp <= $cutoff");
    request.variables = {
        {QStringLiteral("cutoff"), za::currentDate().addMSecs(-qint64(kStaleHitAge * 1000))}};
    auto stale = context.fetch(request);
    if (!stale) {
        ZA_LOG(Error, u"Datastore error: %@", describe(stale.error()));
        return;
    }
    for (const auto& hit : *stale) {
        context.deleteObject(hit);
    }
    save(nullptr);
}

void ZADataStore::addHit(const ZAHitRecord& hit) {
    perform(
        [&](QString*) {
            auto object = context_->insert(kHitEntity);
            if (!object) {
                return false;
            }
            object->setValue(u"timestamp",
                             hit.timestamp.isValid() ? hit.timestamp : za::currentDate());
            object->setValue(u"parameters", encodeParameters(hit.parameters));
            return true;
        },
        nullptr);
}

std::optional<std::vector<ZAHitRecord>> ZADataStore::fetchHits(unsigned limit, QString* error) {
    std::vector<ZAHitRecord> hits;
    const bool ok = perform(
        [&](QString* failure) {
            platform::ManagedObjectContext& context = *currentContext();
            // Unsaved hits have no lasting id yet; saving first makes every fetched hit deletable.
            if (context.hasChanges()) {
                if (auto saveError = context.save()) {
                    *failure = describe(saveError);
                    return false;
                }
            }
            auto fetched = context.fetch(hitsRequest(limit));
            if (!fetched) {
                *failure = describe(fetched.error());
                return false;
            }
            for (const auto& object : *fetched) {
                ZAHitRecord record;
                record.timestamp = object->value(u"timestamp").toDateTime();
                record.objectID = ZAHitId{readingOlder_, object->objectID().rowid};
                if (!readingOlder_) {
                    record.parameters =
                        decodeParameters(object->value(u"parameters").toByteArray());
                } else {
                    const ZAHitParameters stored =
                        decodeParameters(object->value(u"parametersData").toByteArray());
                    for (auto it = stored.cbegin(); it != stored.cend(); ++it) {
                        record.parameters.insert(QLatin1Char('&') + it.key(), it.value());
                    }
                    if (object->value(u"dispatchUrl").toString().startsWith(u"http:")) {
                        record.parameters.insert(za::kZAUseSecure(), QStringLiteral("0"));
                    }
                    record.parameters.insert(za::kZAVersionField(),
                                             object->value(u"zaVersion").toString());
                }
                hits.push_back(std::move(record));
            }
            return true;
        },
        error);
    if (!ok) {
        return std::nullopt;
    }
    return hits;
}

bool ZADataStore::deleteHitsWithIds(const std::vector<ZAHitId>& ids, QString* error) {
    return perform(
        [&](QString*) {
            platform::ManagedObjectContext& context = *currentContext();
            const auto* entity = context.model().entity(kHitEntity);
            for (const ZAHitId& id : ids) {
                if (id.olderStore != readingOlder_) {
                    continue;
                }
                if (auto object = context.existingObject(platform::ObjectID{entity, id.rowid})) {
                    context.deleteObject(object);
                }
            }
            return true;
        },
        error);
}

bool ZADataStore::deleteAllHits(QString* error) {
    return perform(
        [&](QString* failure) {
            for (auto* context : {oldContext_.get(), context_.get()}) {
                auto all = context->fetch(hitsRequest(0));
                if (!all) {
                    *failure = describe(all.error());
                    return false;
                }
                for (const auto& hit : *all) {
                    context->deleteObject(hit);
                }
            }
            return true;
        },
        error);
}

std::uint32_t ZADataStore::hitCount(QString* error) {
    std::uint32_t total = kHitCountFailed;
    perform(
        [&](QString* failure) {
            auto current = countHits(*context_, failure);
            if (!current) {
                return false;
            }
            std::uint32_t sum = *current;
            if (readingOlder_) {
                auto older = countHits(*oldContext_, failure);
                if (!older) {
                    return false;
                }
                sum += *older;
            }
            total = sum;
            return true;
        },
        error);
    return total;
}

bool ZADataStore::deleteExcessHits(QString* error) {
    const std::uint32_t limit = maxHitCount();
    if (limit == 0) {
        return true;
    }
    const std::uint32_t count = hitCount(error);
    // A failed count says nothing about the number of hits: nothing is deleted then.
    if (count == kHitCountFailed || count <= limit) {
        return count != kHitCountFailed;
    }
    ZA_LOG(Verbose, u"Deleting excess hits.");
    const auto oldest = fetchHits(count - limit, error);
    if (!oldest) {
        return false;
    }
    std::vector<ZAHitId> ids;
    for (const auto& hit : *oldest) {
        ids.push_back(*hit.objectID);
    }
    return deleteHitsWithIds(ids, error);
}

bool ZADataStore::save(QString* error) {
    return perform(
        [&](QString* failure) {
            if (!context_->hasChanges() && !oldContext_->hasChanges()) {
                return true;
            }
            deleteExcessHits(nullptr);
            if (auto saveError = context_->save()) {
                *failure = describe(saveError);
                return false;
            }
            if (auto saveError = oldContext_->save()) {
                *failure = describe(saveError);
                return false;
            }
            if (readingOlder_) {
                const auto older = countHits(*oldContext_, nullptr);
                if (older && *older == 0) {
                    readingOlder_ = false;
                }
            }
            return true;
        },
        error);
}

std::uint32_t ZADataStore::maxHitCount() const {
    std::lock_guard guard(cacheLock_);
    return maxHitCount_;
}

void ZADataStore::setMaxHitCount(std::uint32_t count) {
    std::lock_guard guard(cacheLock_);
    maxHitCount_ = count;
}

bool ZADataStore::isSetUp() {
    bool result = false;
    ZAThread::shared().performAndWait([&] { result = setUp_; });
    return result;
}

bool ZADataStore::isReadingOlderStore() {
    bool result = false;
    ZAThread::shared().performAndWait([&] { result = readingOlder_; });
    return result;
}

QString ZADataStore::fetchProperty(const QString& name, std::int64_t* number) {
    auto found = oldContext_->fetch(requestPropertyWithName(name));
    if (!found || found->empty()) {
        return QString();
    }
    if (number != nullptr) {
        *number = found->front()->value(u"number").toLongLong();
    }
    return found->front()->value(u"string").toString();
}

bool ZADataStore::setProperty(const QString& name, const QVariant& value, QString* error) {
    auto found = oldContext_->fetch(requestPropertyWithName(name));
    if (!found) {
        *error = describe(found.error());
        return false;
    }
    std::shared_ptr<platform::ManagedObject> property = found->empty() ? nullptr : found->front();
    if (!property) {
        property = oldContext_->insert(kPropertyEntity);
        property->setValue(u"name", name);
        property->setValue(u"zaVersion", za::kZAVersion());
    }
    if (value.metaType().id() == QMetaType::QString) {
        property->setValue(u"string", value);
    } else {
        property->setValue(u"number", value);
    }
    if (auto saveError = oldContext_->save()) {
        *error = describe(saveError);
        return false;
    }
    return true;
}

void ZADataStore::writeProperty(const QString& name, const QVariant& value) {
    QString error;
    ZAThread::shared().performAndWait([&] {
        if (oldContext_) {
            setProperty(name, value, &error);
        }
    });
    if (!error.isEmpty()) {
        ZA_LOG(Error, u"Datastore error: %@", error);
    }
}

QString ZADataStore::clientId() {
    {
        std::lock_guard guard(cacheLock_);
        if (!clientId_.isEmpty()) {
            return clientId_;
        }
    }
    // A pending set-up loads it.
    ZAThread::shared().waitUntilIdle();
    std::lock_guard guard(cacheLock_);
    return clientId_;
}

template <class T>
T ZADataStore::cachedAfterSetUp(const T& field) {
    ZAThread::shared().waitUntilIdle();
    std::lock_guard guard(cacheLock_);
    return field;
}

template <class T>
void ZADataStore::cacheAndWrite(T& field, const T& value, const QString& property) {
    {
        std::lock_guard guard(cacheLock_);
        field = value;
    }
    writeProperty(property, QVariant::fromValue(value));
}

void ZADataStore::setClientId(const QString& clientId) {
    cacheAndWrite(clientId_, clientId, kClientIdProperty);
}

QString ZADataStore::hashedIdfa() {
    return cachedAfterSetUp(hashedIdfa_);
}

void ZADataStore::setHashedIdfa(const QString& hashed) {
    cacheAndWrite(hashedIdfa_, hashed, kIdfaProperty);
}

std::int64_t ZADataStore::idfaChangeCount() {
    return cachedAfterSetUp(idfaChangeCount_);
}

void ZADataStore::setIdfaChangeCount(std::int64_t count) {
    cacheAndWrite(idfaChangeCount_, count, kChangeCountProperty);
}

std::int64_t ZADataStore::lastChangeTimeStamp() {
    return cachedAfterSetUp(lastChangeTimeStamp_);
}

void ZADataStore::setLastChangeTimeStamp(std::int64_t stamp) {
    cacheAndWrite(lastChangeTimeStamp_, stamp, kChangeStampProperty);
}
