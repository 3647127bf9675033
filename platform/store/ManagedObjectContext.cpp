#include "platform/store/ManagedObjectContext.h"

#include "platform/foundation/OwnerOnly.h"
#include "platform/foundation/SystemLog.h"
#include "platform/store/query/CompiledPredicate.h"
#include "platform/store/query/FetchShape.h"
#include "platform/store/query/PendingObjectIndex.h"
#include "platform/store/sqlite/SqliteConnection.h"
#include "platform/store/sqlite/StoreSchema.h"
#include "platform/store/sqlite/StoreSql.h"

#include <QtCore/QFileInfo>

#include <sqlite3.h>

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <unistd.h>

namespace platform {

namespace {

const QString kMemoryPath = QStringLiteral(":memory:");
// The side files that SQLite keeps beside a store; it gives new ones the store file's mode.
const char* const kSideFileSuffixes[] = {"-wal", "-shm", "-journal"};

std::shared_ptr<StoreError> systemError(StoreError::Code code, const QString& doing, int error) {
    return StoreError::make(
        code, QStringLiteral("%1: %2").arg(doing, QString::fromLocal8Bit(std::strerror(error))));
}

// Before SQLite sees the file: refuse one found damaged before, and create it (or bring it) to
// owner-only, so that the side files SQLite makes beside it are owner-only too.
std::shared_ptr<StoreError> prepareFile(const QString& path) {
    if (path.isEmpty()) {
        return StoreError::make(StoreError::Code::CannotOpen, QStringLiteral("no store path"));
    }
    const QString marker = detail::SqliteConnection::damageMarkerPath(path);
    if (QFileInfo::exists(marker)) {
        return StoreError::make(StoreError::Code::Corrupt,
                                QStringLiteral("%1 was found damaged while in use").arg(path));
    }
    const int fd = openOwnerOnly(path, O_RDWR);
    if (fd < 0) {
        const int error = errno;
        return systemError(
            error == ENOSPC ? StoreError::Code::DiskFull : StoreError::Code::CannotOpen,
            QStringLiteral("cannot open %1").arg(path), error);
    }
    ::close(fd);
    for (const char* suffix : kSideFileSuffixes) {
        if (!restrictToOwner(path + QLatin1String(suffix))) {
            return systemError(StoreError::Code::CannotOpen,
                               QStringLiteral("cannot restrict %1%2").arg(path, suffix), errno);
        }
    }
    return nullptr;
}

}  // namespace

ManagedObjectContext::ManagedObjectContext(std::shared_ptr<const ManagedObjectModel> model,
                                           QString path,
                                           std::unique_ptr<detail::SqliteConnection> db,
                                           bool created)
    : model_(std::move(model)),
      path_(std::move(path)),
      db_(std::move(db)),
      created_(created),
      registered_(model_->entities().size()),
      pending_(model_->entities().size()),
      pendingIndexes_(model_->entities().size()) {}

ManagedObjectContext::~ManagedObjectContext() {
    close();
}

StoreResult<std::unique_ptr<ManagedObjectContext>> ManagedObjectContext::open(
    const QString& path, std::shared_ptr<const ManagedObjectModel> model) {
    return openAt(path, false, std::move(model));
}

StoreResult<std::unique_ptr<ManagedObjectContext>> ManagedObjectContext::openInMemory(
    std::shared_ptr<const ManagedObjectModel> model) {
    return openAt(kMemoryPath, true, std::move(model));
}

StoreResult<std::unique_ptr<ManagedObjectContext>> ManagedObjectContext::openAt(
    const QString& path, bool inMemory, std::shared_ptr<const ManagedObjectModel> model) {
    if (!model) {
        return StoreError::make(StoreError::Code::InvalidModel, QStringLiteral("no model"));
    }
    if (auto error = model->validate()) {
        return error;
    }
    if (!inMemory) {
        if (auto error = prepareFile(path)) {
            return error;
        }
    }
    auto connection = detail::SqliteConnection::open(path);
    if (!connection) {
        return connection.error();
    }
    bool created = false;
    if (auto error = detail::prepareStore(**connection, *model, inMemory, &created)) {
        if (inMemory) {
            return error;
        }
        auto named =
            StoreError::make(error->code(), path + QStringLiteral(": ") + error->message());
        named->setSqliteCode(error->sqliteCode());
        return named;
    }
    return std::unique_ptr<ManagedObjectContext>(new ManagedObjectContext(
        std::move(model), inMemory ? QString() : path, std::move(*connection), created));
}

bool ManagedObjectContext::isDamaged() const {
    return db_ && db_->isDamaged();
}

void ManagedObjectContext::beginReading() {
    if (!db_ || reading_) {
        return;
    }
    // Deferred: the first fetch takes the read lock, and holds it to the end.
    reading_ = db_->exec(QStringLiteral("BEGIN"), QStringLiteral("beginning a read")) == nullptr;
}

void ManagedObjectContext::endReading() {
    if (!reading_) {
        return;
    }
    reading_ = false;
    if (db_) {
        db_->exec(QStringLiteral("COMMIT"), QStringLiteral("ending a read"));
    }
}

void ManagedObjectContext::close() {
    if (!db_) {
        return;
    }
    endReading();
    detachAll();
    shapes_.clear();
    relationshipShapes_.clear();
    db_.reset();
}

void ManagedObjectContext::detachAll() {
    const auto detach = [](ManagedObject& object) {
        object.context_ = nullptr;
        object.pending_ = false;
        if (object.state_ != ManagedObject::State::Gone) {
            object.state_ = ManagedObject::State::Invalidated;
        }
    };
    for (auto& objects : registered_) {
        for (auto& [rowid, weak] : objects) {
            if (auto object = weak.lock()) {
                detach(*object);
            }
        }
    }
    for (auto& objects : pending_) {
        for (auto& object : objects) {
            detach(*object);
        }
    }
    // Objects released here no longer reach back into the maps being cleared.
    clearPending();
    for (auto& objects : registered_) {
        objects.clear();
    }
}

std::shared_ptr<ManagedObject> ManagedObjectContext::insert(QStringView entityName) {
    const EntityDescription* entity = model_->entity(entityName);
    if (!entity) {
        systemLogFormat(u"Store: cannot insert into the unknown entity \"%@\"",
                        entityName.toString());
        return nullptr;
    }
    if (!db_) {
        systemLogFormat(u"Store: cannot insert a %@ into a closed store", entity->name());
        return nullptr;
    }
    auto object = entity->makeObject();
    if (!object || &object->entity() != entity) {
        systemLogFormat(u"Store: the class registered for %@ made no object of it", entity->name());
        return nullptr;
    }
    for (const auto& attribute : entity->attributes()) {
        object->values_[static_cast<std::size_t>(attribute.index)] = attribute.defaultValue;
    }
    object->model_ = model_;
    object->context_ = this;
    object->state_ = ManagedObject::State::Inserted;
    object->insertSequence_ = nextInsertSequence_++;
    addPending(*object);
    object->awakeFromInsert();
    return object;
}

void ManagedObjectContext::deleteObject(const std::shared_ptr<ManagedObject>& object) {
    if (!object) {
        return;
    }
    if (object->context_ != this) {
        systemLogFormat(u"Store: %@ is not an object of this store", object->description());
        return;
    }
    switch (object->state_) {
        case ManagedObject::State::Inserted:
            object->state_ = ManagedObject::State::Gone;
            break;
        case ManagedObject::State::Clean:
        case ManagedObject::State::Updated:
            object->willChange();
            object->state_ = ManagedObject::State::Deleted;
            break;
        default:
            return;
    }
    for (const auto& relationship : object->entity().relationships()) {
        if (!relationship->toMany) {
            continue;
        }
        auto members = fetchRelated(*relationship, *object);
        if (!members) {
            systemLogFormat(u"Store: deleting %@: %@", object->description(), members.error());
            continue;
        }
        for (const auto& member : *members) {
            if (relationship->deleteRule == DeleteRule::Cascade) {
                deleteObject(member);
            } else {
                member->setRelatedObject(relationship->inverse->name, nullptr);
            }
        }
    }
}

bool ManagedObjectContext::hasChanges() const {
    for (const auto& objects : pending_) {
        for (const auto& object : objects) {
            if (object->hasChanges()) {
                return true;
            }
        }
    }
    return false;
}

void ManagedObjectContext::rollback() {
    for (auto& objects : pending_) {
        for (auto& object : objects) {
            object->pending_ = false;
            switch (object->state_) {
                case ManagedObject::State::Inserted:
                case ManagedObject::State::Gone:
                    object->state_ = ManagedObject::State::Gone;
                    object->context_ = nullptr;
                    break;
                case ManagedObject::State::Updated:
                case ManagedObject::State::Deleted: {
                    const auto& snapshot = *object->committed_;
                    for (int index : object->entity().storedAttributes()) {
                        object->values_[static_cast<std::size_t>(index)] =
                            snapshot.values[static_cast<std::size_t>(index)];
                    }
                    object->changeStamp_ = nextChangeStamp();
                    for (std::size_t slot = 0; slot < object->toOne_.size(); ++slot) {
                        object->toOne_[slot] = ManagedObject::ToOne{snapshot.toOne[slot], {}};
                    }
                    object->committed_.reset();
                    object->state_ = ManagedObject::State::Clean;
                    break;
                }
                default:
                    break;
            }
        }
    }
    clearPending();
}

void ManagedObjectContext::registerChange(ManagedObject& object) {
    if (object.pending_) {
        return;
    }
    addPending(object);
}

void ManagedObjectContext::addPending(ManagedObject& object) {
    const auto entity = static_cast<std::size_t>(object.entity().index());
    object.pending_ = true;
    object.pendingSequence_ = nextPendingSequence_++;
    pending_[entity].push_back(object.shared_from_this());
    pendingIndexes_[entity].noteChanged(object);
}

void ManagedObjectContext::keyValueChanged(ManagedObject& object, int attribute) {
    auto& index = pendingIndexes_[static_cast<std::size_t>(object.entity().index())];
    if (index.usesAttribute(attribute)) {
        index.noteChanged(object);
    }
}

void ManagedObjectContext::clearPending() {
    for (auto& index : pendingIndexes_) {
        index.clear();
    }
    for (auto& objects : pending_) {
        objects.clear();
    }
}

void ManagedObjectContext::forget(ManagedObject& object) {
    if (object.rowid_ == 0) {
        return;
    }
    auto& objects = registered_[static_cast<std::size_t>(object.entity().index())];
    const auto it = objects.find(object.rowid_);
    if (it != objects.end() && it->second.expired()) {
        objects.erase(it);
    }
}

std::size_t ManagedObjectContext::registeredObjectCount() const {
    std::size_t count = 0;
    for (const auto& objects : registered_) {
        for (const auto& [rowid, weak] : objects) {
            count += weak.expired() ? 0 : 1;
        }
    }
    return count;
}

StoreStatistics ManagedObjectContext::statistics() const {
    StoreStatistics statistics;
    if (db_) {
        statistics.statementsPrepared = db_->preparedCount();
        statistics.statementsCached = db_->cachedCount();
    }
    statistics.shapesCompiled =
        static_cast<std::size_t>(shapes_.size()) + relationshipShapes_.size();
    statistics.fileFetches = fileFetches_;
    return statistics;
}

sqlite3* ManagedObjectContext::database() const {
    return db_ ? db_->handle() : nullptr;
}

}  // namespace platform
