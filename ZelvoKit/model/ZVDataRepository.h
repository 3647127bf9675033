#pragma once

#include "ZelvoKit/model/ZVDataModel.h"
#include "ZelvoKit/support/base/ZVError.h"

#include "platform/store/ManagedObjectContext.h"
#include "platform/store/StoreError.h"
#include "platform/store/StoreLock.h"

#include <QtCore/QLatin1StringView>
#include <QtCore/QString>
#include <QtCore/QUrl>
#include <QtCore/QVariantMap>

#include <memory>
#include <optional>
#include <vector>

class ZVApiSession;

// The local store of one signed-in account: the file "Zelvo.sqlite" in a folder named by the
// account's uuid under the caches directory, the main context in which every entity of the
// account lives, and a context in memory for temporary objects that are never stored.
//
// Only a store that is proven damaged is deleted and made again empty; a store that cannot be
// opened for a reason that may pass (a full disk, no descriptors left, a lock, permissions) is kept
// as it is for a later start, and "ZelvoFatalError" is posted. A store that is made again, or
// found empty, starts the account's event horizon at 0 so that the next poll brings the whole
// stream. One process per account: the repository holds an advisory lock beside the store for its
// whole life, and a second process is refused with the data kept. Everything of the store is the
// user's alone (folder 0700, files 0600). The store never ends the process: when even a new store
// cannot be made, or a save fails, "ZelvoFatalError" is posted (object: the ZVError) and the
// repository goes on without what it lost. Created and owned by the account's session. Main
// thread only.
class ZVDataRepository {
public:
    using Objects = platform::ManagedObjectContext::Objects;

    static constexpr QLatin1StringView kStoreFileName{"Zelvo.sqlite"};
    static constexpr QLatin1StringView kFatalErrorNotification{"ZelvoFatalError"};
    // The domain of the ZVErrors made from the store's own errors.
    static constexpr QLatin1StringView kStoreErrorDomain{"ObjectStore"};

    // Opens (or, when damaged, recreates) the store of the session's account. Null when no usable
    // store can be had now; "ZelvoFatalError" has then been posted and the session cannot start.
    // An inconsistent model is refused before the file is touched.
    static std::shared_ptr<ZVDataRepository> create(
        const std::shared_ptr<ZVApiSession>& session,
        std::shared_ptr<const platform::ManagedObjectModel> model = ZVDataModel::shared().model());

    ~ZVDataRepository();
    ZVDataRepository(const ZVDataRepository&) = delete;
    ZVDataRepository& operator=(const ZVDataRepository&) = delete;

    const std::shared_ptr<const platform::ManagedObjectModel>& managedObjectModel() const {
        return model_;
    }
    // Null after a deletion whose store could not be made again.
    platform::ManagedObjectContext* managedObjectContext() const { return context_.get(); }
    platform::ManagedObjectContext* memoryContext() const { return memoryContext_.get(); }
    std::shared_ptr<ZVApiSession> session() const { return session_.lock(); }

    // <caches>/<session id>/Zelvo.sqlite, or <caches>/Zelvo.sqlite for a null id.
    static QUrl repositoryURLWithSessionId(const QString& sessionId);
    QUrl repositoryURL() const { return storeURL_; }

    // Opens the store file as the main context; a missing or empty file sets the event horizon
    // to 0.
    std::shared_ptr<platform::StoreError> createPersistentStoreCoordinator();

    // The objects of the entity that match the predicate with the variables substituted (every
    // object for an empty predicate), each with the session set; the error (and a log line) on a
    // failure. The context keeps one compiled predicate and prepared statement per format, so only
    // the variables change from one fetch to the next.
    platform::StoreResult<Objects> fetchObjects(const QString& entityName,
                                                const QString& predicateFormat = QString(),
                                                const QVariantMap& arguments = {});
    template <class T>
    platform::StoreResult<std::vector<std::shared_ptr<T>>> fetchObjects(
        const QString& entityName, const QString& predicateFormat = QString(),
        const QVariantMap& arguments = {});

    // A new object in the main context, with the session set; null when there is no store.
    std::shared_ptr<platform::ManagedObject> createObjectOfClass(const QString& entityName);
    template <class T>
    std::shared_ptr<T> createObjectOfClass(const QString& entityName) {
        return std::dynamic_pointer_cast<T>(createObjectOfClass(entityName));
    }
    // The same in the context in memory.
    std::shared_ptr<platform::ManagedObject> createMemoryObjectOfClass(const QString& entityName);
    template <class T>
    std::shared_ptr<T> createMemoryObjectOfClass(const QString& entityName) {
        return std::dynamic_pointer_cast<T>(createMemoryObjectOfClass(entityName));
    }
    void deleteObject(const std::shared_ptr<platform::ManagedObject>& object);
    void deleteMemoryObject(const std::shared_ptr<platform::ManagedObject>& object);

    // Saves the main context's changes in one transaction, then the user defaults and the error
    // log. A failed save is rolled back, logged and posted as "ZelvoFatalError"; its error is
    // returned. A store found damaged refuses every save and is made again at the next start.
    std::shared_ptr<platform::StoreError> saveContext();

    // Closes the store, sets the event horizon to 0, removes the file with its side files and
    // makes a new, empty store. Returns the error when that fails ("ZelvoFatalError" posted).
    std::shared_ptr<platform::StoreError> deleteDatastore();

    // One line per main entity: "<entity> : <n> rows".
    QString techInfo() const;

    static ZVErrorPtr errorFromStoreError(const platform::StoreError& error);

private:
    ZVDataRepository(const std::shared_ptr<ZVApiSession>& session,
                     std::shared_ptr<const platform::ManagedObjectModel> model);

    QString storePath() const { return storeURL_.toLocalFile(); }
    void adopt(const Objects& objects) const;
    void adopt(const std::shared_ptr<platform::ManagedObject>& object) const;
    void postFatalError(const platform::StoreError& error);
    void startFromTheBeginning();
    static std::shared_ptr<platform::StoreError> wrongClassError(const QString& entityName);

    std::shared_ptr<const platform::ManagedObjectModel> model_;
    std::unique_ptr<platform::StoreLock> lock_;
    std::unique_ptr<platform::ManagedObjectContext> context_;
    std::unique_ptr<platform::ManagedObjectContext> memoryContext_;
    std::weak_ptr<ZVApiSession> session_;
    QUrl storeURL_;
};

template <class T>
platform::StoreResult<std::vector<std::shared_ptr<T>>> ZVDataRepository::fetchObjects(
    const QString& entityName, const QString& predicateFormat, const QVariantMap& arguments) {
    auto objects = fetchObjects(entityName, predicateFormat, arguments);
    if (!objects) {
        return objects.error();
    }
    std::vector<std::shared_ptr<T>> typed;
    typed.reserve(objects->size());
    for (auto& object : *objects) {
        auto cast = std::dynamic_pointer_cast<T>(object);
        if (!cast) {
            return wrongClassError(entityName);
        }
        typed.push_back(std::move(cast));
    }
    return typed;
}
