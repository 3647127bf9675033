#pragma once

#include "ZelvoKit/support/base/ZVError.h"
#include "platform/foundation/Observable.h"
#include "platform/foundation/Scheduler.h"
#include "platform/store/ManagedObject.h"
#include "platform/store/ManagedObjectModel.h"

#include <QtCore/QDateTime>
#include <QtCore/QString>
#include <QtCore/QStringList>
#include <QtCore/QStringView>

#include <cstdint>
#include <memory>
#include <optional>
#include <type_traits>

class ZVApiRequest;
class ZVApiSession;
class ZVJsonParser;

// The base of the stored entities of an account (Contact, Conversation, Message, File, Label, Hook,
// Organisation). It adds to a stored object:
//  - filling attributes from a service record by attribute name, strictly for attributes that must
//    have a value and have none yet, leniently otherwise;
//  - the mask of fields changed locally and not yet confirmed by the service, and the request that
//    sends the lowest of them;
//  - property-change notifications that are recorded as changes happen and delivered together.
//
// Observers register with observe() (platform::Observable); nothing is announced automatically.
// Main thread only.
class ZVManagedObject : public platform::ManagedObject, public platform::Observable {
public:
    static constexpr QStringView kUncommittedFieldsAttribute{u"uncommitted_fields"};
    // Field numbers of the dirty mask.
    static constexpr int kFieldCount = 32;
    // Changes recorded within this many seconds reach observers as one notification per key.
    static constexpr platform::TimeInterval kNotificationDelay = 0.1;

    explicit ZVManagedObject(const platform::EntityDescription& entity);
    ~ZVManagedObject() override;

    // Adds an entity whose objects are made as T, with the attributes every entity of this base
    // carries. The caller adds the entity's own attributes.
    template <class T>
    static platform::EntityDescription& addEntity(platform::ManagedObjectModel& model,
                                                  const QString& name);
    static void addBaseAttributes(platform::EntityDescription& entity);

    // --- what entities override ---

    // The attributes that identify an object of the entity; the same for every object.
    virtual const QStringList& keyFields() const;
    // Keys whose change notifications go before the others, in this order.
    virtual const QStringList& propertyNotificationOrder() const;
    // The name under which the object's sync requests are queued; null for none.
    virtual QString guid() const;
    // The request that sends dirty field `field`; null when the entity has none for it.
    virtual std::shared_ptr<ZVApiRequest> getSyncRequestForField(int field);

    // --- filling from a record (the JSON key is the attribute name) ---

    // Reads the attribute by its type. A missing or null key, or one of the wrong kind, keeps the
    // current value, except for an attribute that must have a value and has none, which leaves
    // error 1002 in the parser. A value equal to the current one is no change. A missing key on an
    // optional boolean with no value stores false.
    void setField(const QString& name, ZVJsonParser& parser);
    void setFields(const QStringList& names, ZVJsonParser& parser);
    // While set, the object is being made from a record: every attribute that must have a value
    // is read strictly, a boolean too, whose value from the store's defaults would otherwise hide
    // that the record lacks it. The upsert sets it around the first reading.
    void setReadingNewObject(bool reading) { readingNewObject_ = reading; }
    bool isReadingNewObject() const { return readingNewObject_; }
    // Sets the value when the record has one that differs from the current one.
    void updateIntField(const QString& name, ZVJsonParser& parser);
    void updateStringField(const QString& name, ZVJsonParser& parser);
    void updateDateField(const QString& name, ZVJsonParser& parser);

    // --- dirty fields ---

    // The mask of `uncommitted_fields`, 0 when it has no value (it never holds 0).
    std::uint32_t uncommittedFields() const;
    // 0 removes the value.
    void setUncommittedFields(std::uint32_t mask);
    virtual bool needsSync() const { return uncommittedFields() != 0; }
    bool isFieldDirty(int field) const;
    // Sets or clears the bit of `field`; a field outside the mask changes nothing. Overriders add
    // `using ZVManagedObject::setField;` so that the record form stays visible.
    virtual void setField(int field, bool dirty);
    // The request for the lowest dirty field that has one; dirty fields below it without a request
    // are dropped. Unless the request brings its own, it gets an answer handler that clears the
    // field and an error handler that clears it for errors 400 to 499 and keeps it otherwise; both
    // clear it through setField(int, bool), so that an entity's override sees it.
    virtual std::shared_ptr<ZVApiRequest> getSyncRequest();
    // An error by which the service says it will never take the change (400 to 499).
    static bool isRefusal(const ZVErrorPtr& error);

    // --- batched change notification ---

    // Records the keys for the next notification, sending their will-change now. Nothing is
    // recorded while no one observes the object.
    virtual void willChangeProperties(const QStringList& keys);
    void willChangeProperty(const QString& key);
    // Delivers the recorded keys kNotificationDelay seconds from now, unless a delivery is pending.
    void scheduleNotifyPropertyChanges();
    // Delivers the recorded keys now: those of propertyNotificationOrder() first, then the others
    // in the order they were recorded, one did-change per key.
    void notifyPropertyChanges();
    bool hasPendingPropertyChanges() const { return !changedProperties_.isEmpty(); }

    // --- the owning session ---

    std::shared_ptr<ZVApiSession> session() const { return session_.lock(); }
    void setSession(const std::shared_ptr<ZVApiSession>& session) { session_ = session; }

    // "<entity>: <address in hex>", for logs.
    QString desc() const;

private:
    // The reader's optional form, or nothing when the record has no value of the right kind.
    std::optional<platform::StoreValue> readOptional(const QString& name,
                                                     platform::AttributeType type,
                                                     ZVJsonParser& parser);
    void updateField(const QString& name, platform::AttributeType readAs, ZVJsonParser& parser);
    void applyRecordValue(int attribute, const platform::StoreValue& value);
    // The mask without the virtual hook, for the base's own bookkeeping.
    void storeDirtyBit(int field, bool dirty);
    std::weak_ptr<ZVManagedObject> weakSelf();

    int uncommittedFieldsIndex_ = -1;
    QStringList changedProperties_;
    platform::TimerHandle notification_;
    std::weak_ptr<ZVApiSession> session_;
    bool readingNewObject_ = false;
};

template <class T>
platform::EntityDescription& ZVManagedObject::addEntity(platform::ManagedObjectModel& model,
                                                        const QString& name) {
    static_assert(std::is_base_of_v<ZVManagedObject, T>);
    platform::EntityDescription& entity = model.addEntity(name);
    entity.setObjectClass<T>();
    addBaseAttributes(entity);
    return entity;
}
