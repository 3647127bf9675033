#include "platform/foundation/SystemLog.h"
#include "platform/store/ManagedObjectContext.h"
#include "platform/store/query/CompiledPredicate.h"
#include "platform/store/query/FetchShape.h"
#include "platform/store/query/PendingObjectIndex.h"
#include "platform/store/sqlite/SqliteConnection.h"
#include "platform/store/sqlite/StoreSql.h"

#include <sqlite3.h>

#include <algorithm>

namespace platform {

namespace {

using detail::BoundParam;
using detail::FetchShape;

std::shared_ptr<StoreError> closedError() {
    return StoreError::make(StoreError::Code::Closed, QStringLiteral("the store is closed"));
}

StoreValue::Kind expectedKind(AttributeType type) {
    switch (type) {
        case AttributeType::Double:
        case AttributeType::Float:
        case AttributeType::Date:
            return StoreValue::Kind::Real;
        case AttributeType::String:
            return StoreValue::Kind::Text;
        case AttributeType::Binary:
            return StoreValue::Kind::Blob;
        default:
            return StoreValue::Kind::Integer;
    }
}

QString shapeKey(const FetchRequest& request) {
    QString key = request.entityName + QLatin1Char('\n') + request.predicate + QLatin1Char('\n');
    for (const auto& sort : request.sortDescriptors) {
        key += sort.key + (sort.ascending ? QStringLiteral(" a,") : QStringLiteral(" d,"));
    }
    return key;
}

}  // namespace

StoreResult<std::shared_ptr<const FetchShape>> ManagedObjectContext::shapeFor(
    const FetchRequest& request) {
    const QString key = shapeKey(request);
    if (const auto it = shapes_.constFind(key); it != shapes_.cend()) {
        return *it;
    }
    const EntityDescription* entity = model_->entity(request.entityName);
    if (!entity) {
        return StoreError::make(StoreError::Code::InvalidFetch,
                                QStringLiteral("no entity \"%1\"").arg(request.entityName));
    }
    auto predicate = detail::CompiledPredicate::compile(request.predicate, *entity);
    if (!predicate) {
        return predicate.error();
    }
    auto shape = std::make_shared<FetchShape>();
    shape->entity = entity;
    shape->predicate = *predicate;
    QStringList orderBy;
    for (const auto& sort : request.sortDescriptors) {
        const AttributeDescription* attribute = entity->attribute(sort.key);
        if (!attribute || attribute->transient) {
            return StoreError::make(
                StoreError::Code::InvalidFetch,
                QStringLiteral("%1 cannot be sorted by \"%2\"").arg(entity->name(), sort.key));
        }
        shape->sort.emplace_back(attribute->index, sort.ascending);
        orderBy << detail::quoted(attribute->name) +
                       (sort.ascending ? QStringLiteral(" ASC") : QStringLiteral(" DESC"));
    }
    if (!orderBy.isEmpty()) {
        // Equal keys keep one order, the same in SQL and in memory.
        orderBy << detail::quoted(detail::kRowidColumn);
    }
    const QString& where = shape->predicate->whereSql();
    shape->selectSql = detail::selectSql(*entity, where, orderBy.join(QStringLiteral(", ")),
                                         shape->predicate->slotCount() + 1);
    shape->countSql = detail::countSql(*entity, where);
    if (const auto& equalities = shape->predicate->equalityKey(); !equalities.empty()) {
        std::vector<int> attributes;
        for (const auto& [attribute, slot] : equalities) {
            attributes.push_back(attribute);
            shape->pendingKeySlots.push_back(slot);
        }
        shape->pendingKey = pendingIndexes_[static_cast<std::size_t>(entity->index())].keyFor(
            attributes, pending_[static_cast<std::size_t>(entity->index())]);
        shape->uniqueKey = std::any_of(
            entity->indexes().begin(), entity->indexes().end(), [&](const IndexDescription& index) {
                return index.unique && std::all_of(index.attributes.begin(), index.attributes.end(),
                                                   [&](const QString& name) {
                                                       return std::binary_search(
                                                           attributes.begin(), attributes.end(),
                                                           entity->attributeIndex(name));
                                                   });
            });
    }
    shapes_.insert(key, shape);
    return std::shared_ptr<const FetchShape>(shape);
}

StoreResult<ManagedObjectContext::Objects> ManagedObjectContext::fetch(
    const FetchRequest& request) {
    if (!db_) {
        return closedError();
    }
    if (request.fetchLimit < 0 || request.fetchOffset < 0) {
        return StoreError::make(StoreError::Code::InvalidFetch,
                                QStringLiteral("a fetch limit and offset cannot be negative"));
    }
    auto shape = shapeFor(request);
    if (!shape) {
        systemLogFormat(u"Store: %@", shape.error());
        return shape.error();
    }
    std::vector<BoundParam> params;
    if (auto error = (*shape)->predicate->bindVariables(request.variables, params)) {
        systemLogFormat(u"Store: %@", error);
        return error;
    }
    return run(**shape, params, request.fetchLimit, request.fetchOffset);
}

StoreResult<std::int64_t> ManagedObjectContext::count(const FetchRequest& request) {
    if (!db_) {
        return closedError();
    }
    auto shape = shapeFor(request);
    if (!shape) {
        systemLogFormat(u"Store: %@", shape.error());
        return shape.error();
    }
    const FetchShape& s = **shape;
    std::vector<BoundParam> params;
    if (auto error = s.predicate->bindVariables(request.variables, params)) {
        systemLogFormat(u"Store: %@", error);
        return error;
    }
    std::shared_ptr<StoreError> error;
    auto lease = db_->prepare(s.countSql, &error);
    if (!lease) {
        return error;
    }
    s.predicate->bind(lease.get(), params);
    const int rc = sqlite3_step(lease.get());
    if (rc != SQLITE_ROW) {
        return db_->failure(rc, QStringLiteral("counting %1").arg(s.entity->name()));
    }
    std::int64_t total = sqlite3_column_int64(lease.get(), 0);
    lease.release();
    // The file knows the saved rows; unsaved changes correct the count.
    for (const auto& object : pending_[static_cast<std::size_t>(s.entity->index())]) {
        const auto state = object->state_;
        const bool saved =
            state == ManagedObject::State::Updated || state == ManagedObject::State::Deleted;
        const bool present =
            state == ManagedObject::State::Inserted || state == ManagedObject::State::Updated;
        if (saved && s.predicate->matches(*object, params, true)) {
            --total;
        }
        if (present && s.predicate->matches(*object, params, false)) {
            ++total;
        }
    }
    total = std::max<std::int64_t>(0, total - request.fetchOffset);
    if (request.fetchLimit > 0) {
        total = std::min(total, request.fetchLimit);
    }
    return total;
}

bool ManagedObjectContext::hasPendingObjects(const EntityDescription& entity) const {
    for (const auto& object : pending_[static_cast<std::size_t>(entity.index())]) {
        if (object->state_ != ManagedObject::State::Gone) {
            return true;
        }
    }
    return false;
}

const ManagedObjectContext::Objects& ManagedObjectContext::pendingCandidates(
    const FetchShape& shape, const std::vector<BoundParam>& params, Objects& filed) {
    const auto entity = static_cast<std::size_t>(shape.entity->index());
    if (shape.pendingKey < 0) {
        return pending_[entity];
    }
    for (ManagedObject* object :
         pendingIndexes_[entity].candidates(shape.pendingKey, params, shape.pendingKeySlots)) {
        filed.push_back(object->shared_from_this());
    }
    // In the order the objects became unsaved, as a look at all of them would list them.
    std::sort(filed.begin(), filed.end(), [](const auto& a, const auto& b) {
        return a->pendingSequence_ < b->pendingSequence_;
    });
    return filed;
}

StoreResult<ManagedObjectContext::Objects> ManagedObjectContext::run(
    const FetchShape& shape, const std::vector<BoundParam>& params, std::int64_t limit,
    std::int64_t offset) {
    const EntityDescription& entity = *shape.entity;
    // With unsaved changes of the entity, the file's rows are merged with them before the limit.
    const bool merge = hasPendingObjects(entity);
    Objects results;
    if (merge) {
        Objects filed;
        for (const auto& object : pendingCandidates(shape, params, filed)) {
            const auto state = object->state_;
            if ((state == ManagedObject::State::Inserted ||
                 state == ManagedObject::State::Updated) &&
                shape.predicate->matches(*object, params, false)) {
                results.push_back(object);
            }
        }
    }
    // Under a unique key an unsaved object that matches is the answer: any row of the file with
    // the same values belongs to an object whose values have changed since, or the save would
    // fail. Not so for a key with no value, which a unique index lets many rows share.
    const bool readFile =
        !shape.uniqueKey || results.empty() ||
        std::any_of(shape.pendingKeySlots.begin(), shape.pendingKeySlots.end(), [&](int slot) {
            return params[static_cast<std::size_t>(slot)].value.isNull();
        });
    Objects awakened;
    if (readFile) {
        std::shared_ptr<StoreError> error;
        auto lease = db_->prepare(shape.selectSql, &error);
        if (!lease) {
            return error;
        }
        sqlite3_stmt* stmt = lease.get();
        shape.predicate->bind(stmt, params);
        const int limitParameter = shape.predicate->slotCount() + 1;
        sqlite3_bind_int64(stmt, limitParameter, merge || limit == 0 ? -1 : limit);
        sqlite3_bind_int64(stmt, limitParameter + 1, merge ? 0 : offset);
        ++fileFetches_;

        Objects saved;
        int rc = SQLITE_OK;
        while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) {
            auto object = materialise(entity, stmt, awakened);
            if (merge && object->pending_) {
                continue;
            }
            saved.push_back(std::move(object));
        }
        if (rc != SQLITE_DONE) {
            return db_->failure(rc, QStringLiteral("fetching %1").arg(entity.name()));
        }
        // Hand the statement back before any hook runs: a hook may fetch with the same shape.
        lease.release();
        // The file's rows come first, as the order below expects of unsorted fetches.
        saved.insert(saved.end(), std::make_move_iterator(results.begin()),
                     std::make_move_iterator(results.end()));
        results = std::move(saved);
    }

    if (merge) {
        if (!shape.sort.empty()) {
            const auto less = [&shape](const std::shared_ptr<ManagedObject>& a,
                                       const std::shared_ptr<ManagedObject>& b) {
                for (const auto& [attribute, ascending] : shape.sort) {
                    const int c =
                        StoreValue::compare(a->values_[static_cast<std::size_t>(attribute)],
                                            b->values_[static_cast<std::size_t>(attribute)]);
                    if (c != 0) {
                        return ascending ? c < 0 : c > 0;
                    }
                }
                // Saved rows by row id, then new objects in the order they were made.
                const bool aNew = a->rowid_ == 0;
                const bool bNew = b->rowid_ == 0;
                if (aNew != bNew) {
                    return bNew;
                }
                return aNew ? a->insertSequence_ < b->insertSequence_ : a->rowid_ < b->rowid_;
            };
            std::sort(results.begin(), results.end(), less);
        }
        const auto size = static_cast<std::int64_t>(results.size());
        const std::int64_t begin = std::min(offset, size);
        const std::int64_t end = limit > 0 ? std::min(size, begin + limit) : size;
        if (begin > 0 || end < size) {
            results = Objects(results.begin() + begin, results.begin() + end);
        }
    }
    for (const auto& object : awakened) {
        object->awakeFromFetch();
    }
    return results;
}

std::shared_ptr<ManagedObject> ManagedObjectContext::materialise(const EntityDescription& entity,
                                                                 sqlite3_stmt* stmt,
                                                                 Objects& awakened) {
    const std::int64_t rowid = sqlite3_column_int64(stmt, 0);
    auto& registered = registered_[static_cast<std::size_t>(entity.index())];
    auto [it, inserted] = registered.try_emplace(rowid);
    if (!inserted) {
        if (auto existing = it->second.lock()) {
            return existing;
        }
    }
    auto object = entity.makeObject();
    int column = 1;
    for (int index : entity.storedAttributes()) {
        const auto& attribute = entity.attributes()[static_cast<std::size_t>(index)];
        StoreValue value = detail::columnValue(stmt, column++);
        if (!value.isNull() && value.kind() != expectedKind(attribute.type)) {
            bool ok = false;
            StoreValue coerced = coerceStoreValue(value, attribute.type, &ok);
            if (ok) {
                value = std::move(coerced);
            }
        }
        object->values_[static_cast<std::size_t>(index)] = std::move(value);
    }
    for (const auto& attribute : entity.attributes()) {
        if (attribute.transient) {
            object->values_[static_cast<std::size_t>(attribute.index)] = attribute.defaultValue;
        }
    }
    object->changeStamp_ = nextChangeStamp();
    for (std::size_t slot = 0; slot < object->toOne_.size(); ++slot) {
        object->toOne_[slot].rowid = sqlite3_column_int64(stmt, column++);
    }
    object->model_ = model_;
    object->context_ = this;
    object->rowid_ = rowid;
    object->state_ = ManagedObject::State::Clean;
    it->second = object;
    awakened.push_back(object);
    return object;
}

std::shared_ptr<ManagedObject> ManagedObjectContext::objectForRow(const EntityDescription& entity,
                                                                  std::int64_t rowid) {
    const auto& registered = registered_[static_cast<std::size_t>(entity.index())];
    if (const auto it = registered.find(rowid); it != registered.end()) {
        if (auto object = it->second.lock()) {
            return object;
        }
    }
    if (!db_ || rowid == 0) {
        return nullptr;
    }
    std::shared_ptr<StoreError> error;
    auto lease = db_->prepare(detail::selectByRowidSql(entity), &error);
    if (!lease) {
        systemLogFormat(u"Store: %@", error);
        return nullptr;
    }
    sqlite3_bind_int64(lease.get(), 1, rowid);
    Objects awakened;
    std::shared_ptr<ManagedObject> object;
    const int rc = sqlite3_step(lease.get());
    if (rc == SQLITE_ROW) {
        object = materialise(entity, lease.get(), awakened);
    } else if (rc != SQLITE_DONE) {
        systemLogFormat(u"Store: %@",
                        db_->failure(rc, QStringLiteral("reading %1").arg(entity.name())));
    }
    lease.release();
    for (const auto& fresh : awakened) {
        fresh->awakeFromFetch();
    }
    return object;
}

std::shared_ptr<ManagedObject> ManagedObjectContext::existingObject(const ObjectID& id) {
    if (!id.entity || id.rowid == 0) {
        return nullptr;
    }
    const auto index = static_cast<std::size_t>(id.entity->index());
    if (index >= model_->entities().size() || model_->entities()[index].get() != id.entity) {
        return nullptr;
    }
    return objectForRow(*id.entity, id.rowid);
}

StoreResult<ManagedObjectContext::Objects> ManagedObjectContext::fetchRelated(
    const RelationshipDescription& toMany, const ManagedObject& owner) {
    if (!db_) {
        return closedError();
    }
    auto& shape = relationshipShapes_[&toMany];
    if (!shape) {
        auto created = std::make_shared<FetchShape>();
        created->entity = toMany.destination;
        created->predicate = detail::CompiledPredicate::toOneEquals(*toMany.inverse);
        const QString& where = created->predicate->whereSql();
        created->selectSql =
            detail::selectSql(*toMany.destination, where, {}, created->predicate->slotCount() + 1);
        created->countSql = detail::countSql(*toMany.destination, where);
        shape = created;
    }
    std::vector<BoundParam> params(1);
    params[0].object = &owner;
    return run(*shape, params, 0, 0);
}

}  // namespace platform
