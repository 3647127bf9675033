#pragma once

#include "platform/store/FetchRequest.h"
#include "platform/store/ManagedObject.h"
#include "platform/store/ManagedObjectModel.h"
#include "platform/store/StoreError.h"

#include <QtCore/QHash>
#include <QtCore/QString>

#include <cstdint>
#include <memory>
#include <unordered_map>
#include <vector>

struct sqlite3;
struct sqlite3_stmt;

namespace platform {

namespace detail {
class SqliteConnection;
class CompiledPredicate;
class PendingObjectIndex;
struct BoundParam;
struct FetchShape;
}  // namespace detail

struct StoreStatistics {
    // SQLite statements prepared so far; a shape used again reuses its statement.
    std::size_t statementsPrepared = 0;
    std::size_t statementsCached = 0;
    std::size_t shapesCompiled = 0;
    // Fetches that read the file; a fetch answered by unsaved objects alone does not.
    std::size_t fileFetches = 0;
};

// The objects of one store file (or of memory) as one unit of work, for one thread.
//
// One in-memory object per row: fetching a row that an object already stands for returns that
// object. The context holds objects weakly, so objects nobody uses are released, except those with
// unsaved changes, which it keeps until save() or rollback(). Fetches see unsaved changes: new
// objects that match, changed objects by their new values, and no deleted ones.
//
// save() writes every change in one transaction. When an object fails validation or the file
// refuses a row, nothing is written, the error is returned and the changes stay, to be mended and
// saved again, or rolled back.
class ManagedObjectContext {
public:
    using Objects = std::vector<std::shared_ptr<ManagedObject>>;

    // Opens the store file at `path`, creating it when missing, in WAL mode with
    // synchronous=NORMAL, and brings it to the model's version. The file and its side files are
    // the user's alone (0600). Only a file that is proven damaged gives a Corrupt error (not a
    // store, a failed quick check, or one that an earlier connection found malformed): the caller
    // may then remove it (removeStoreFiles) and open again. Every other failure (a full disk, no
    // descriptors left, a lock, permissions) leaves the file as it was, for a later try.
    static StoreResult<std::unique_ptr<ManagedObjectContext>> open(
        const QString& path, std::shared_ptr<const ManagedObjectModel> model);
    // A context whose store lives in memory only, for temporary objects.
    static StoreResult<std::unique_ptr<ManagedObjectContext>> openInMemory(
        std::shared_ptr<const ManagedObjectModel> model);

    ~ManagedObjectContext();
    ManagedObjectContext(const ManagedObjectContext&) = delete;
    ManagedObjectContext& operator=(const ManagedObjectContext&) = delete;

    const ManagedObjectModel& model() const { return *model_; }
    // The file's path; empty for a context in memory.
    const QString& path() const { return path_; }
    bool isOpen() const { return db_ != nullptr; }
    // Whether the file held no store before this open (missing, empty or 0 bytes long).
    bool wasCreated() const { return created_; }
    // Whether a statement found the file damaged ("malformed"). Saves then fail, and the file is
    // refused as Corrupt when it is opened again.
    bool isDamaged() const;
    // Drops unsaved changes and closes the file. The context's objects stay readable but inert.
    void close();

    // A new object of the entity, with its defaults; null (and logged) for an unknown entity.
    std::shared_ptr<ManagedObject> insert(QStringView entityName);
    template <class T>
    std::shared_ptr<T> insert(QStringView entityName) {
        return std::dynamic_pointer_cast<T>(insert(entityName));
    }
    // Marks the object deleted and applies the delete rules of its to-many relationships. A new
    // object is simply dropped.
    void deleteObject(const std::shared_ptr<ManagedObject>& object);

    StoreResult<Objects> fetch(const FetchRequest& request);
    template <class T>
    StoreResult<std::vector<std::shared_ptr<T>>> fetch(const FetchRequest& request);
    // The number of objects fetch() would return.
    StoreResult<std::int64_t> count(const FetchRequest& request);
    // The object of a saved row, or null when the row is gone.
    std::shared_ptr<ManagedObject> existingObject(const ObjectID& id);

    bool hasChanges() const;
    // Null on success. Ends a read transaction that is held.
    std::shared_ptr<StoreError> save();
    // Holds one read transaction for the fetches that follow, until endReading() or the next
    // save(): a batch of look-ups then pays SQLite's begin and end of a read (the log's shared
    // locks) once instead of per statement, and sees one state of the file. For one batch of work
    // at a time; nothing else writes to the file meanwhile.
    void beginReading();
    void endReading();
    bool isReading() const { return reading_; }
    // Forgets every unsaved change: new objects become inert, changed and deleted ones return to
    // their saved values.
    void rollback();

    // Objects in memory that stand for saved rows.
    std::size_t registeredObjectCount() const;
    StoreStatistics statistics() const;
    // The SQLite connection, for tools and tests; null once closed.
    sqlite3* database() const;

private:
    friend class ManagedObject;

    ManagedObjectContext(std::shared_ptr<const ManagedObjectModel> model, QString path,
                         std::unique_ptr<detail::SqliteConnection> db, bool created);
    static StoreResult<std::unique_ptr<ManagedObjectContext>> openAt(
        const QString& path, bool inMemory, std::shared_ptr<const ManagedObjectModel> model);

    // Called by objects.
    void registerChange(ManagedObject& object);
    void keyValueChanged(ManagedObject& object, int attribute);
    void forget(ManagedObject& object);
    std::shared_ptr<ManagedObject> objectForRow(const EntityDescription& entity,
                                                std::int64_t rowid);
    StoreResult<Objects> fetchRelated(const RelationshipDescription& toMany,
                                      const ManagedObject& owner);

    // Fetching (ManagedObjectContext+Fetch.cpp).
    StoreResult<std::shared_ptr<const detail::FetchShape>> shapeFor(const FetchRequest& request);
    StoreResult<Objects> run(const detail::FetchShape& shape,
                             const std::vector<detail::BoundParam>& params, std::int64_t limit,
                             std::int64_t offset);
    std::shared_ptr<ManagedObject> materialise(const EntityDescription& entity, sqlite3_stmt* stmt,
                                               Objects& awakened);
    bool hasPendingObjects(const EntityDescription& entity) const;
    // The unsaved objects that can match a fetch of `shape`: all of the entity's, or those filed
    // under the fetch's key values.
    const Objects& pendingCandidates(const detail::FetchShape& shape,
                                     const std::vector<detail::BoundParam>& params, Objects& filed);
    void addPending(ManagedObject& object);
    // Empties the lists of unsaved objects, once they have been dealt with.
    void clearPending();

    // Saving (ManagedObjectContext+Save.cpp).
    std::shared_ptr<StoreError> checkIntegrity() const;
    std::shared_ptr<StoreError> writeChanges();
    void applySavedChanges();
    std::int64_t toOneColumnValue(const ManagedObject& object, int slot, bool* deferred) const;

    void detachAll();

    std::shared_ptr<const ManagedObjectModel> model_;
    QString path_;
    std::unique_ptr<detail::SqliteConnection> db_;
    bool created_ = false;
    // Per entity: row -> the object that stands for it.
    std::vector<std::unordered_map<std::int64_t, std::weak_ptr<ManagedObject>>> registered_;
    // Per entity: objects with unsaved changes, kept alive until save() or rollback().
    std::vector<Objects> pending_;
    // Per entity: the unsaved objects by the values that fetches look them up by.
    std::vector<detail::PendingObjectIndex> pendingIndexes_;
    std::uint64_t nextInsertSequence_ = 1;
    std::uint64_t nextPendingSequence_ = 1;
    std::size_t fileFetches_ = 0;
    bool reading_ = false;
    QHash<QString, std::shared_ptr<const detail::FetchShape>> shapes_;
    std::unordered_map<const RelationshipDescription*, std::shared_ptr<const detail::FetchShape>>
        relationshipShapes_;
};

template <class T>
StoreResult<std::vector<std::shared_ptr<T>>> ManagedObjectContext::fetch(
    const FetchRequest& request) {
    auto result = fetch(request);
    if (!result) {
        return result.error();
    }
    std::vector<std::shared_ptr<T>> typed;
    typed.reserve(result->size());
    for (auto& object : *result) {
        auto cast = std::dynamic_pointer_cast<T>(object);
        if (!cast) {
            return StoreError::make(StoreError::Code::InvalidFetch,
                                    QStringLiteral("objects of %1 are not of the class asked for")
                                        .arg(request.entityName));
        }
        typed.push_back(std::move(cast));
    }
    return typed;
}

}  // namespace platform
