#include "platform/store/ManagedObject.h"

#include "platform/foundation/SystemLog.h"
#include "platform/store/ManagedObjectContext.h"

#include <algorithm>

namespace platform {

namespace {

const StoreValue& nullValue() {
    static const StoreValue value;
    return value;
}

}  // namespace

QString ObjectID::description() const {
    const QString name = entity ? entity->name() : QStringLiteral("?");
    return rowid == 0 ? name + QStringLiteral("/new")
                      : QStringLiteral("%1/%2").arg(name).arg(rowid);
}

QVariant storeObjectVariant(const std::shared_ptr<ManagedObject>& object) {
    return QVariant::fromValue(object);
}

ManagedObject::ManagedObject(const EntityDescription& entity)
    : entity_(&entity),
      values_(entity.attributes().size()),
      changeStamp_(nextChangeStamp()),
      toOne_(entity.toOneRelationships().size()) {}

ManagedObject::~ManagedObject() {
    if (context_) {
        context_->forget(*this);
    }
}

std::shared_ptr<StoreError> ManagedObject::validateRequired() const {
    for (int index : entity_->requiredAttributes()) {
        if (values_[static_cast<std::size_t>(index)].isNull()) {
            const QString& name = entity_->attributes()[static_cast<std::size_t>(index)].name;
            auto error = StoreError::make(
                StoreError::Code::Validation,
                QStringLiteral("%1 needs a value for %2").arg(description(), name));
            error->setEntityName(entity_->name()).setAttributeName(name);
            return error;
        }
    }
    for (const auto* toOne : entity_->toOneRelationships()) {
        const ToOne& link = toOne_[static_cast<std::size_t>(toOne->slot)];
        if (!toOne->optional && link.rowid == 0 && !link.object.lock()) {
            auto error = StoreError::make(
                StoreError::Code::Validation,
                QStringLiteral("%1 needs an object for %2").arg(description(), toOne->name));
            error->setEntityName(entity_->name()).setAttributeName(toOne->name);
            return error;
        }
    }
    return nullptr;
}

std::shared_ptr<StoreError> ManagedObject::validateForInsert() const {
    return validateRequired();
}

std::shared_ptr<StoreError> ManagedObject::validateForUpdate() const {
    return validateRequired();
}

QString ManagedObject::description() const {
    return objectID().description();
}

bool ManagedObject::canChange() const {
    switch (state_) {
        case State::Unattached:
        case State::Inserted:
        case State::Clean:
        case State::Updated:
            return true;
        case State::Deleted:
        case State::Gone:
        case State::Invalidated:
            return false;
    }
    return false;
}

void ManagedObject::willChange() {
    if (state_ != State::Clean) {
        return;
    }
    auto snapshot = std::make_unique<Snapshot>();
    snapshot->values = values_;
    snapshot->toOne.reserve(toOne_.size());
    for (const ToOne& link : toOne_) {
        snapshot->toOne.push_back(link.rowid);
    }
    committed_ = std::move(snapshot);
    state_ = State::Updated;
    context_->registerChange(*this);
}

QVariant ManagedObject::value(QStringView key) const {
    const int index = entity_->attributeIndex(key);
    if (index < 0) {
        systemLogFormat(u"Store: %@ has no attribute \"%@\"", entity_->name(), key.toString());
        return {};
    }
    const auto& attribute = entity_->attributes()[static_cast<std::size_t>(index)];
    return variantFromStoreValue(values_[static_cast<std::size_t>(index)], attribute.type);
}

bool ManagedObject::setValue(QStringView key, const QVariant& value) {
    const int index = entity_->attributeIndex(key);
    if (index < 0) {
        systemLogFormat(u"Store: %@ has no attribute \"%@\"", entity_->name(), key.toString());
        return false;
    }
    const auto& attribute = entity_->attributes()[static_cast<std::size_t>(index)];
    bool ok = false;
    StoreValue converted = storeValueFromVariant(value, attribute.type, &ok);
    if (!ok) {
        systemLogFormat(u"Store: %@.%@ (type %ld) cannot hold %@", entity_->name(), attribute.name,
                        attribute.typeCode(), value);
        return false;
    }
    return setStoreValue(index, converted);
}

const StoreValue& ManagedObject::storeValue(int attribute) const {
    if (attribute < 0 || static_cast<std::size_t>(attribute) >= values_.size()) {
        systemLogFormat(u"Store: %@ has no attribute number %ld", entity_->name(), attribute);
        return nullValue();
    }
    return values_[static_cast<std::size_t>(attribute)];
}

bool ManagedObject::setStoreValue(int attribute, const StoreValue& value) {
    if (attribute < 0 || static_cast<std::size_t>(attribute) >= values_.size()) {
        systemLogFormat(u"Store: %@ has no attribute number %ld", entity_->name(), attribute);
        return false;
    }
    if (!canChange()) {
        return false;
    }
    const auto& description = entity_->attributes()[static_cast<std::size_t>(attribute)];
    bool ok = false;
    StoreValue coerced = coerceStoreValue(value, description.type, &ok);
    if (!ok) {
        systemLogFormat(u"Store: %@.%@ (type %ld) cannot hold %@", entity_->name(),
                        description.name, description.typeCode(), value.description());
        return false;
    }
    StoreValue& slot = values_[static_cast<std::size_t>(attribute)];
    if (slot.kind() == coerced.kind() && slot == coerced) {
        return true;
    }
    if (!description.transient) {
        willChange();
    }
    slot = std::move(coerced);
    changeStamp_ = nextChangeStamp();
    if (pending_ && context_) {
        context_->keyValueChanged(*this, attribute);
    }
    return true;
}

const StoreValue& ManagedObject::committedStoreValue(int attribute) const {
    if (committed_ && attribute >= 0 &&
        static_cast<std::size_t>(attribute) < committed_->values.size()) {
        return committed_->values[static_cast<std::size_t>(attribute)];
    }
    return storeValue(attribute);
}

std::int64_t ManagedObject::committedToOneRowid(int slot) const {
    if (committed_) {
        return committed_->toOne[static_cast<std::size_t>(slot)];
    }
    return toOne_[static_cast<std::size_t>(slot)].rowid;
}

std::vector<int> ManagedObject::changedAttributes() const {
    std::vector<int> changed;
    for (int index : entity_->storedAttributes()) {
        const StoreValue& now = values_[static_cast<std::size_t>(index)];
        if (state_ == State::Inserted) {
            if (!now.isNull()) {
                changed.push_back(index);
            }
        } else if (committed_) {
            const StoreValue& before = committed_->values[static_cast<std::size_t>(index)];
            if (before.kind() != now.kind() || before != now) {
                changed.push_back(index);
            }
        }
    }
    return changed;
}

QVariantMap ManagedObject::changedValues() const {
    QVariantMap changes;
    for (int index : changedAttributes()) {
        const auto& attribute = entity_->attributes()[static_cast<std::size_t>(index)];
        changes.insert(
            attribute.name,
            variantFromStoreValue(values_[static_cast<std::size_t>(index)], attribute.type));
    }
    return changes;
}

const RelationshipDescription* ManagedObject::relationshipNamed(QStringView name,
                                                                bool toMany) const {
    const RelationshipDescription* relationship = entity_->relationship(name);
    if (!relationship || relationship->toMany != toMany) {
        systemLogFormat(u"Store: %@ has no %@ relationship \"%@\"", entity_->name(),
                        toMany ? "to-many" : "to-one", name.toString());
        return nullptr;
    }
    return relationship;
}

std::shared_ptr<ManagedObject> ManagedObject::relatedObject(QStringView name) const {
    const RelationshipDescription* relationship = relationshipNamed(name, false);
    if (!relationship) {
        return nullptr;
    }
    ToOne& link = toOne_[static_cast<std::size_t>(relationship->slot)];
    if (auto object = link.object.lock()) {
        return object;
    }
    if (link.rowid == 0 || !context_) {
        return nullptr;
    }
    auto object = context_->objectForRow(*relationship->destination, link.rowid);
    link.object = object;
    return object;
}

bool ManagedObject::setRelatedObject(QStringView name,
                                     const std::shared_ptr<ManagedObject>& object) {
    const RelationshipDescription* relationship = relationshipNamed(name, false);
    if (!relationship || !canChange()) {
        return false;
    }
    if (object && (&object->entity() != relationship->destination || object->context_ != context_ ||
                   object->isDeleted() || object->state_ == State::Invalidated)) {
        systemLogFormat(u"Store: %@ cannot be the %@ of %@", object->description(),
                        relationship->name, description());
        return false;
    }
    ToOne& link = toOne_[static_cast<std::size_t>(relationship->slot)];
    const auto current = link.object.lock();
    const bool same =
        object ? (current == object || (object->rowid_ != 0 && link.rowid == object->rowid_))
               : (link.rowid == 0 && !current);
    if (same) {
        return true;
    }
    willChange();
    link.rowid = object ? object->rowid_ : 0;
    link.object = object;
    return true;
}

StoreResult<std::vector<std::shared_ptr<ManagedObject>>> ManagedObject::relatedObjects(
    QStringView name) const {
    const RelationshipDescription* relationship = relationshipNamed(name, true);
    if (!relationship) {
        return StoreError::make(StoreError::Code::InvalidFetch,
                                QStringLiteral("%1 has no to-many relationship \"%2\"")
                                    .arg(entity_->name(), name.toString()));
    }
    if (!context_ || state_ == State::Gone) {
        return std::vector<std::shared_ptr<ManagedObject>>{};
    }
    return context_->fetchRelated(*relationship, *this);
}

std::shared_ptr<StoreError> ManagedObject::setRelatedObjects(
    QStringView name, const std::vector<std::shared_ptr<ManagedObject>>& objects) {
    const RelationshipDescription* relationship = relationshipNamed(name, true);
    if (!relationship) {
        return StoreError::make(StoreError::Code::InvalidFetch,
                                QStringLiteral("%1 has no to-many relationship \"%2\"")
                                    .arg(entity_->name(), name.toString()));
    }
    if (!canChange() || !context_) {
        return StoreError::make(StoreError::Code::Validation,
                                QStringLiteral("%1 can no longer change").arg(description()));
    }
    for (const auto& object : objects) {
        if (!object || &object->entity() != relationship->destination ||
            object->context_ != context_ || !object->canChange()) {
            return StoreError::make(StoreError::Code::Validation,
                                    QStringLiteral("%1 cannot join %2 of %3")
                                        .arg(object ? object->description() : QStringLiteral("nil"),
                                             relationship->name, description()));
        }
    }
    auto current = relatedObjects(name);
    if (!current) {
        return current.error();
    }
    const QString& inverse = relationship->inverse->name;
    for (const auto& member : *current) {
        if (std::find(objects.begin(), objects.end(), member) != objects.end()) {
            continue;
        }
        if (relationship->deleteRule == DeleteRule::Cascade) {
            context_->deleteObject(member);
        } else {
            member->setRelatedObject(inverse, nullptr);
        }
    }
    const auto self = shared_from_this();
    for (const auto& object : objects) {
        object->setRelatedObject(inverse, self);
    }
    return nullptr;
}

}  // namespace platform
