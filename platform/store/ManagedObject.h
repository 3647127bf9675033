#pragma once

#include "platform/foundation/ChangeStamp.h"
#include "platform/store/EntityDescription.h"
#include "platform/store/StoreError.h"
#include "platform/store/StoreValue.h"

#include <QtCore/QVariant>

#include <cstdint>
#include <memory>
#include <vector>

namespace platform {

class ManagedObjectContext;
class ManagedObjectModel;

namespace detail {
class CompiledPredicate;
class PendingObjectIndex;
}  // namespace detail

// Names one object of a store: its entity and row. The row is 0 until the object's first save.
struct ObjectID {
    const EntityDescription* entity = nullptr;
    std::int64_t rowid = 0;

    bool isTemporary() const { return rowid == 0; }
    bool operator==(const ObjectID&) const = default;
    // "Message/42", "Message/new".
    QString description() const;
};

// One object of an entity: its attribute values, its to-one relationships and what changed since it
// was last saved. The store makes objects through the entity's registered class, so the model's own
// subclasses come back from fetches.
//
// A deleted object stays safe to use until its last holder lets go: it keeps answering the values
// it had, ignores changes, and isDeleted() stays true. Objects of a closed context behave the same
// way but are not deleted.
class ManagedObject : public std::enable_shared_from_this<ManagedObject> {
public:
    explicit ManagedObject(const EntityDescription& entity);
    virtual ~ManagedObject();
    ManagedObject(const ManagedObject&) = delete;
    ManagedObject& operator=(const ManagedObject&) = delete;

    const EntityDescription& entity() const { return *entity_; }
    // The context the object lives in; none once its deletion is saved, its insertion rolled back,
    // or its context closed.
    ManagedObjectContext* context() const { return context_; }
    ObjectID objectID() const { return {entity_, rowid_}; }

    bool isInserted() const { return state_ == State::Inserted; }
    bool isUpdated() const { return state_ == State::Updated; }
    bool isDeleted() const { return state_ == State::Deleted || state_ == State::Gone; }
    bool hasChanges() const { return isInserted() || isUpdated() || state_ == State::Deleted; }

    // --- hooks for subclasses ---

    // After the object was read from its row (once per object, not per fetch).
    virtual void awakeFromFetch() {}
    // After the object was inserted and given its defaults.
    virtual void awakeFromInsert() {}
    // Run by save(); the base checks that every required attribute and to-one relationship has a
    // value. Overrides add their own rules and call the base.
    virtual std::shared_ptr<StoreError> validateForInsert() const;
    virtual std::shared_ptr<StoreError> validateForUpdate() const;
    virtual QString description() const;

    // --- values by attribute name ---

    // A null QVariant for no value; an unknown name is logged.
    QVariant value(QStringView key) const;
    // False (and logged) for an unknown name or a value of the wrong kind; false without a log for
    // an object that can no longer change (deleted, closed).
    bool setValue(QStringView key, const QVariant& value);

    // --- values by attribute index (EntityDescription::attributeIndex), the fast path ---

    const StoreValue& storeValue(int attribute) const;
    bool setStoreValue(int attribute, const StoreValue& value);

    // Fresh whenever a value changes (set, rolled back, read again from the store), never repeated
    // in the process: with the object's address it names one state of its values.
    std::uint64_t changeStamp() const { return changeStamp_; }

    bool isNull(int attribute) const { return storeValue(attribute).isNull(); }
    std::int64_t integerValue(int attribute) const { return storeValue(attribute).toInteger(); }
    double doubleValue(int attribute) const { return storeValue(attribute).toReal(); }
    bool boolValue(int attribute) const { return storeValue(attribute).toBool(); }
    // A null QString for no value.
    QString stringValue(int attribute) const { return storeValue(attribute).toText(); }
    // An invalid date for no value.
    QDateTime dateValue(int attribute) const { return storeValue(attribute).toDate(); }
    QByteArray dataValue(int attribute) const { return storeValue(attribute).toBlob(); }

    bool setInteger(int attribute, std::int64_t value) {
        return setStoreValue(attribute, StoreValue::integer(value));
    }
    bool setDouble(int attribute, double value) {
        return setStoreValue(attribute, StoreValue::real(value));
    }
    bool setBool(int attribute, bool value) {
        return setStoreValue(attribute, StoreValue::boolean(value));
    }
    bool setString(int attribute, const QString& value) {
        return setStoreValue(attribute, StoreValue::text(value));
    }
    bool setDate(int attribute, const QDateTime& value) {
        return setStoreValue(attribute, StoreValue::date(value));
    }
    bool setData(int attribute, const QByteArray& value) {
        return setStoreValue(attribute, StoreValue::blob(value));
    }
    bool setNull(int attribute) { return setStoreValue(attribute, StoreValue()); }

    // --- changes ---

    // The value as last saved (the current one for an object that has not changed).
    const StoreValue& committedStoreValue(int attribute) const;
    // Stored attributes whose value differs from the saved one; every attribute with a value for an
    // inserted object.
    std::vector<int> changedAttributes() const;
    // The same, by name, with the new values.
    QVariantMap changedValues() const;

    // --- relationships ---

    // The destination of a to-one relationship, read from the store when needed; null for none.
    std::shared_ptr<ManagedObject> relatedObject(QStringView relationship) const;
    // Sets a to-one relationship (which also moves the object between to-many sets). The object
    // must belong to the same context and not be deleted.
    bool setRelatedObject(QStringView relationship, const std::shared_ptr<ManagedObject>& object);
    // The objects of a to-many relationship, unsaved changes included.
    StoreResult<std::vector<std::shared_ptr<ManagedObject>>> relatedObjects(
        QStringView relationship) const;
    // Makes `objects` the set of a to-many relationship; objects that leave it are deleted under
    // the Cascade rule and released under Nullify.
    std::shared_ptr<StoreError> setRelatedObjects(
        QStringView relationship, const std::vector<std::shared_ptr<ManagedObject>>& objects);

private:
    friend class ManagedObjectContext;
    friend class detail::CompiledPredicate;
    friend class detail::PendingObjectIndex;

    enum class State : std::uint8_t {
        Unattached,   // made but never inserted: a plain holder of values
        Inserted,     // new, not yet saved
        Clean,        // as saved
        Updated,      // saved, then changed
        Deleted,      // saved, then deleted; the row goes at the next save
        Gone,         // deleted and saved, or an insertion undone: inert
        Invalidated,  // its context closed: inert
    };

    struct ToOne {
        std::int64_t rowid = 0;
        // Set while the destination is known in memory; the only link to an unsaved destination.
        std::weak_ptr<ManagedObject> object;
    };

    struct Snapshot {
        std::vector<StoreValue> values;
        std::vector<std::int64_t> toOne;
    };

    bool canChange() const;
    // Before the first change of a saved object: remember its saved state and tell the context.
    void willChange();
    const RelationshipDescription* relationshipNamed(QStringView name, bool toMany) const;
    std::int64_t committedToOneRowid(int slot) const;
    std::shared_ptr<StoreError> validateRequired() const;

    const EntityDescription* entity_;
    // Given by the context: the object may outlive the context and every other holder of the
    // model that describes it.
    std::shared_ptr<const ManagedObjectModel> model_;
    ManagedObjectContext* context_ = nullptr;
    std::int64_t rowid_ = 0;
    // Given by a save in progress; becomes rowid_ only when the save commits.
    std::int64_t pendingRowid_ = 0;
    std::uint64_t insertSequence_ = 0;
    // When the object joined the context's unsaved objects, the order fetches list them in.
    std::uint64_t pendingSequence_ = 0;
    State state_ = State::Unattached;
    bool pending_ = false;
    // Waiting to be filed again in the context's index of unsaved objects.
    bool keyChangeNoted_ = false;
    std::vector<StoreValue> values_;
    std::uint64_t changeStamp_;
    mutable std::vector<ToOne> toOne_;
    std::unique_ptr<Snapshot> committed_;
};

// Wraps an object for the variables of a fetch ("conversation = $owner").
QVariant storeObjectVariant(const std::shared_ptr<ManagedObject>& object);

}  // namespace platform

Q_DECLARE_METATYPE(std::shared_ptr<platform::ManagedObject>)
