#include "platform/store/ManagedObjectContext.h"
#include "platform/store/query/PendingObjectIndex.h"
#include "platform/store/sqlite/SqliteConnection.h"
#include "platform/store/sqlite/StoreSql.h"

#include <sqlite3.h>

namespace platform {

namespace {

std::shared_ptr<StoreError> rowError(detail::SqliteConnection& db, int rc, const QString& doing,
                                     const ManagedObject& object) {
    auto error = db.failure(rc, doing + QLatin1Char(' ') + object.description());
    error->setEntityName(object.entity().name());
    return error;
}

}  // namespace

std::shared_ptr<StoreError> ManagedObjectContext::save() {
    using State = ManagedObject::State;
    if (!db_) {
        return StoreError::make(StoreError::Code::Closed, QStringLiteral("the store is closed"));
    }
    // A read held open cannot become the write: another connection may have written since.
    endReading();
    if (!hasChanges()) {
        // Only objects inserted and deleted again, if any: nothing to write.
        rollback();
        return nullptr;
    }
    for (const auto& objects : pending_) {
        for (const auto& object : objects) {
            std::shared_ptr<StoreError> error;
            if (object->state_ == State::Inserted) {
                error = object->validateForInsert();
            } else if (object->state_ == State::Updated) {
                error = object->validateForUpdate();
            }
            if (error) {
                return error;
            }
        }
    }
    if (auto error = checkIntegrity()) {
        return error;
    }
    if (db_->isDamaged()) {
        // Rows written into a damaged file may be lost with it: the caller must not count on them.
        return StoreError::make(StoreError::Code::Corrupt,
                                QStringLiteral("the store file is damaged; nothing was saved"));
    }
    const QString doing = QStringLiteral("saving");
    if (auto error = db_->exec(QStringLiteral("BEGIN IMMEDIATE"), doing)) {
        return error;
    }
    auto error = writeChanges();
    if (!error) {
        error = db_->exec(QStringLiteral("COMMIT"), doing);
    }
    if (error) {
        db_->exec(QStringLiteral("ROLLBACK"), doing);
        for (const auto& objects : pending_) {
            for (const auto& object : objects) {
                object->pendingRowid_ = 0;
            }
        }
        return error;
    }
    applySavedChanges();
    return nullptr;
}

std::shared_ptr<StoreError> ManagedObjectContext::checkIntegrity() const {
    using State = ManagedObject::State;
    for (const auto& objects : pending_) {
        for (const auto& object : objects) {
            if (object->state_ != State::Inserted && object->state_ != State::Updated) {
                continue;
            }
            for (const auto* toOne : object->entity().toOneRelationships()) {
                const auto destination =
                    object->toOne_[static_cast<std::size_t>(toOne->slot)].object.lock();
                if (destination && (destination->context_ != this || destination->isDeleted())) {
                    auto error =
                        StoreError::make(StoreError::Code::Validation,
                                         QStringLiteral("the %1 of %2 is no longer in the store")
                                             .arg(toOne->name, object->description()));
                    error->setEntityName(object->entity().name()).setAttributeName(toOne->name);
                    return error;
                }
            }
        }
    }
    return nullptr;
}

std::int64_t ManagedObjectContext::toOneColumnValue(const ManagedObject& object, int slot,
                                                    bool* deferred) const {
    const auto& link = object.toOne_[static_cast<std::size_t>(slot)];
    *deferred = false;
    if (const auto destination = link.object.lock()) {
        if (destination->rowid_ != 0) {
            return destination->rowid_;
        }
        if (destination->pendingRowid_ == 0) {
            *deferred = true;
        }
        return destination->pendingRowid_;
    }
    return link.rowid;
}

std::shared_ptr<StoreError> ManagedObjectContext::writeChanges() {
    using State = ManagedObject::State;
    sqlite3* db = db_->handle();
    detail::SqliteConnection& connection = *db_;
    std::shared_ptr<StoreError> error;
    // Links to new objects that have no row yet when the linking row is written; set once they
    // do.
    std::vector<std::pair<ManagedObject*, int>> deferredLinks;

    const auto bindRow = [this, &deferredLinks](sqlite3_stmt* stmt, ManagedObject& object) {
        int parameter = 1;
        for (int index : object.entity().storedAttributes()) {
            detail::bindValue(stmt, parameter++, object.values_[static_cast<std::size_t>(index)]);
        }
        for (const auto* toOne : object.entity().toOneRelationships()) {
            bool deferred = false;
            const std::int64_t rowid = toOneColumnValue(object, toOne->slot, &deferred);
            if (deferred) {
                deferredLinks.emplace_back(&object, toOne->slot);
            }
            if (rowid == 0) {
                sqlite3_bind_null(stmt, parameter++);
            } else {
                sqlite3_bind_int64(stmt, parameter++, rowid);
            }
        }
        return parameter;
    };

    // Deletions first and insertions last, so that a key which this save frees (a row deleted or
    // renumbered) can be taken by another row of the same save.
    for (const auto& entity : model_->entities()) {
        detail::SqliteConnection::Lease remove;
        for (const auto& object : pending_[static_cast<std::size_t>(entity->index())]) {
            if (object->state_ != State::Deleted) {
                continue;
            }
            if (!remove && !(remove = db_->prepare(detail::deleteSql(*entity), &error))) {
                return error;
            }
            sqlite3_bind_int64(remove.get(), 1, object->rowid_);
            const int rc = sqlite3_step(remove.get());
            if (rc != SQLITE_DONE) {
                return rowError(connection, rc, QStringLiteral("deleting"), *object);
            }
            sqlite3_reset(remove.get());
        }
    }

    for (const auto& entity : model_->entities()) {
        detail::SqliteConnection::Lease update;
        for (const auto& object : pending_[static_cast<std::size_t>(entity->index())]) {
            if (object->state_ != State::Updated) {
                continue;
            }
            if (!update && !(update = db_->prepare(detail::updateSql(*entity), &error))) {
                return error;
            }
            const int parameter = bindRow(update.get(), *object);
            sqlite3_bind_int64(update.get(), parameter, object->rowid_);
            const int rc = sqlite3_step(update.get());
            if (rc != SQLITE_DONE) {
                return rowError(connection, rc, QStringLiteral("updating"), *object);
            }
            sqlite3_reset(update.get());
        }
    }

    for (const auto& entity : model_->entities()) {
        detail::SqliteConnection::Lease insert;
        for (const auto& object : pending_[static_cast<std::size_t>(entity->index())]) {
            if (object->state_ != State::Inserted) {
                continue;
            }
            if (!insert && !(insert = db_->prepare(detail::insertSql(*entity), &error))) {
                return error;
            }
            bindRow(insert.get(), *object);
            const int rc = sqlite3_step(insert.get());
            if (rc != SQLITE_DONE) {
                return rowError(connection, rc, QStringLiteral("inserting"), *object);
            }
            sqlite3_reset(insert.get());
            object->pendingRowid_ = sqlite3_last_insert_rowid(db);
        }
    }

    for (const auto& [object, slot] : deferredLinks) {
        const auto* toOne = object->entity().toOneRelationships()[static_cast<std::size_t>(slot)];
        bool deferred = false;
        const std::int64_t rowid = toOneColumnValue(*object, slot, &deferred);
        auto update = db_->prepare(detail::updateToOneSql(*toOne), &error);
        if (!update) {
            return error;
        }
        sqlite3_bind_int64(update.get(), 1, rowid);
        sqlite3_bind_int64(update.get(), 2,
                           object->rowid_ != 0 ? object->rowid_ : object->pendingRowid_);
        const int rc = sqlite3_step(update.get());
        if (rc != SQLITE_DONE) {
            return rowError(connection, rc, QStringLiteral("linking"), *object);
        }
    }
    return nullptr;
}

void ManagedObjectContext::applySavedChanges() {
    using State = ManagedObject::State;
    for (auto& objects : pending_) {
        for (auto& object : objects) {
            if (object->state_ == State::Inserted) {
                object->rowid_ = object->pendingRowid_;
                object->pendingRowid_ = 0;
                registered_[static_cast<std::size_t>(object->entity().index())][object->rowid_] =
                    object;
            }
        }
    }
    for (auto& objects : pending_) {
        for (auto& object : objects) {
            object->pending_ = false;
            switch (object->state_) {
                case State::Inserted:
                case State::Updated:
                    object->state_ = State::Clean;
                    object->committed_.reset();
                    for (auto& link : object->toOne_) {
                        if (const auto destination = link.object.lock()) {
                            link.rowid = destination->rowid_;
                        }
                    }
                    break;
                case State::Deleted: {
                    // The row may already stand for an object that this save inserted into it.
                    auto& registered =
                        registered_[static_cast<std::size_t>(object->entity().index())];
                    if (const auto it = registered.find(object->rowid_);
                        it != registered.end() && it->second.lock() == object) {
                        registered.erase(it);
                    }
                    object->state_ = State::Gone;
                    object->context_ = nullptr;
                    break;
                }
                case State::Gone:
                    object->context_ = nullptr;
                    break;
                default:
                    break;
            }
        }
    }
    clearPending();
}

}  // namespace platform
