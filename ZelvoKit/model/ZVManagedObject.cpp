#include "ZelvoKit/model/ZVManagedObject.h"

#include "ZelvoKit/ZelvoApi/api/ZVApiRequest.h"
#include "ZelvoKit/ZelvoApi/session/ZVApiSession.h"
#include "ZelvoKit/support/base/ZVJsonParser.h"
#include "ZelvoKit/support/log/ZVErrorLog.h"

namespace {

using platform::AttributeType;
using platform::StoreValue;
using JsonClass = ZVJsonParser::JsonClass;

// Errors in this range mean the service will never take the change: the field is dropped.
constexpr int kFirstRejectingStatus = 400;
constexpr int kLastRejectingStatus = 499;

JsonClass jsonClassOf(AttributeType type) {
    return type == AttributeType::String ? JsonClass::String : JsonClass::Number;
}

// The reader's required form: nothing (and error 1002 or 1003 in the parser) unless the record
// has a value of the right kind.
std::optional<StoreValue> readRequired(const QString& name, AttributeType type,
                                       ZVJsonParser& parser) {
    switch (type) {
        case AttributeType::Integer32:
        case AttributeType::Integer64:
            if (const auto number = parser.extractInt(name)) {
                return StoreValue::integer(*number);
            }
            break;
        case AttributeType::Double:
        case AttributeType::Float:
            if (const auto number = parser.extractFloat(name)) {
                return StoreValue::real(*number);
            }
            break;
        case AttributeType::String:
            if (const QString text = parser.extractString(name); !text.isNull()) {
                return StoreValue::text(text);
            }
            break;
        case AttributeType::Boolean:
            if (const auto flag = parser.extractBool(name)) {
                return StoreValue::boolean(*flag);
            }
            break;
        case AttributeType::Date:
            if (const QDateTime date = parser.extractDate(name); date.isValid()) {
                return StoreValue::date(date);
            }
            break;
        default:
            break;
    }
    return std::nullopt;
}

bool isReadableType(AttributeType type) {
    switch (type) {
        case AttributeType::Integer32:
        case AttributeType::Integer64:
        case AttributeType::Double:
        case AttributeType::Float:
        case AttributeType::String:
        case AttributeType::Boolean:
        case AttributeType::Date:
            return true;
        default:
            return false;
    }
}

}  // namespace

ZVManagedObject::ZVManagedObject(const platform::EntityDescription& entity)
    : ManagedObject(entity),
      uncommittedFieldsIndex_(entity.attributeIndex(kUncommittedFieldsAttribute)) {}

ZVManagedObject::~ZVManagedObject() {
    notification_.cancel();
}

void ZVManagedObject::addBaseAttributes(platform::EntityDescription& entity) {
    // 64 bits, so that a mask with bit 31 set stays positive and "uncommitted_fields > 0" finds it.
    entity.addAttribute(kUncommittedFieldsAttribute.toString(), AttributeType::Integer64);
}

const QStringList& ZVManagedObject::keyFields() const {
    static const QStringList none;
    return none;
}

const QStringList& ZVManagedObject::propertyNotificationOrder() const {
    static const QStringList none;
    return none;
}

QString ZVManagedObject::guid() const {
    return QString();
}

std::shared_ptr<ZVApiRequest> ZVManagedObject::getSyncRequestForField(int) {
    return nullptr;
}

// --- filling from a record ---

void ZVManagedObject::setField(const QString& name, ZVJsonParser& parser) {
    const int index = entity().attributeIndex(name);
    if (index < 0) {
        ZVLogError(u"No attribute \"%@\" in entity \"%@\"", name, entity().name());
        return;
    }
    const platform::AttributeDescription& attribute =
        entity().attributes()[static_cast<std::size_t>(index)];
    if (!isReadableType(attribute.type)) {
        // The stored value is kept: the record cannot say what it should become.
        ZVLogError(u"Unexpected type (%ld) of attribute \"%@\" of entity \"%@\"",
                   attribute.typeCode(), name, entity().name());
        return;
    }
    const StoreValue& stored = storeValue(index);
    const StoreValue& current = stored.isNull() ? attribute.defaultValue : stored;

    std::optional<StoreValue> incoming;
    if (attribute.type == AttributeType::Boolean) {
        // A boolean without a value reads as false, so a missing key stores false.
        const bool flag = current.isNull() ? false : current.toBool();
        if ((current.isNull() || readingNewObject_) && !attribute.optional) {
            incoming = readRequired(name, attribute.type, parser);
        } else {
            incoming = StoreValue::boolean(parser.extractBool(name, flag));
        }
    } else if (current.isNull() && !attribute.optional) {
        incoming = readRequired(name, attribute.type, parser);
    } else {
        incoming = readOptional(name, attribute.type, parser);
    }
    if (!incoming || incoming->isNull()) {
        return;
    }
    // A boolean read from nothing is still written, so that no stored boolean stays without a
    // value for "= 0" fetches to miss.
    const StoreValue& compared = attribute.type == AttributeType::Boolean ? stored : current;
    if (!compared.isNull() && *incoming == compared) {
        return;
    }
    applyRecordValue(index, *incoming);
}

void ZVManagedObject::setFields(const QStringList& names, ZVJsonParser& parser) {
    for (const QString& name : names) {
        setField(name, parser);
    }
}

std::optional<StoreValue> ZVManagedObject::readOptional(const QString& name, AttributeType type,
                                                        ZVJsonParser& parser) {
    // Absent, null and wrong kind all keep the current value; only the last leaves an error.
    if (parser.extractValue(name, false, jsonClassOf(type)).isUndefined()) {
        return std::nullopt;
    }
    return readRequired(name, type, parser);
}

void ZVManagedObject::applyRecordValue(int attribute, const StoreValue& value) {
    if (isDeleted()) {
        return;
    }
    willChangeProperty(entity().attributes()[static_cast<std::size_t>(attribute)].name);
    setStoreValue(attribute, value);
}

void ZVManagedObject::updateIntField(const QString& name, ZVJsonParser& parser) {
    updateField(name, AttributeType::Integer64, parser);
}

void ZVManagedObject::updateStringField(const QString& name, ZVJsonParser& parser) {
    updateField(name, AttributeType::String, parser);
}

void ZVManagedObject::updateDateField(const QString& name, ZVJsonParser& parser) {
    updateField(name, AttributeType::Date, parser);
}

void ZVManagedObject::updateField(const QString& name, AttributeType readAs, ZVJsonParser& parser) {
    const int index = entity().attributeIndex(name);
    if (index < 0) {
        ZVLogError(u"No attribute \"%@\" in entity \"%@\"", name, entity().name());
        return;
    }
    const auto incoming = readOptional(name, readAs, parser);
    const StoreValue& current = storeValue(index);
    if (incoming && (current.isNull() || current != *incoming)) {
        applyRecordValue(index, *incoming);
    }
}

// --- dirty fields ---

std::uint32_t ZVManagedObject::uncommittedFields() const {
    if (uncommittedFieldsIndex_ < 0) {
        return 0;
    }
    const StoreValue& value = storeValue(uncommittedFieldsIndex_);
    return value.isNull() ? 0 : static_cast<std::uint32_t>(value.toInteger());
}

void ZVManagedObject::setUncommittedFields(std::uint32_t mask) {
    if (uncommittedFieldsIndex_ < 0) {
        ZVLogError(u"No attribute \"%@\" in entity \"%@\"", kUncommittedFieldsAttribute.toString(),
                   entity().name());
        return;
    }
    if (mask == 0) {
        setNull(uncommittedFieldsIndex_);
    } else {
        setInteger(uncommittedFieldsIndex_, mask);
    }
}

bool ZVManagedObject::isFieldDirty(int field) const {
    return field >= 0 && field < kFieldCount &&
           (uncommittedFields() & (std::uint32_t{1} << field)) != 0;
}

void ZVManagedObject::setField(int field, bool dirty) {
    storeDirtyBit(field, dirty);
}

void ZVManagedObject::storeDirtyBit(int field, bool dirty) {
    if (field < 0 || field >= kFieldCount) {
        return;
    }
    const std::uint32_t mask = uncommittedFields();
    const std::uint32_t bit = std::uint32_t{1} << field;
    const std::uint32_t changed = dirty ? (mask | bit) : (mask & ~bit);
    if (changed != mask) {
        setUncommittedFields(changed);
    }
}

std::weak_ptr<ZVManagedObject> ZVManagedObject::weakSelf() {
    return std::static_pointer_cast<ZVManagedObject>(weak_from_this().lock());
}

std::shared_ptr<ZVApiRequest> ZVManagedObject::getSyncRequest() {
    for (int field = 0; field < kFieldCount; ++field) {
        if (!isFieldDirty(field)) {
            continue;
        }
        std::shared_ptr<ZVApiRequest> request = getSyncRequestForField(field);
        if (!request) {
            storeDirtyBit(field, false);
            continue;
        }
        const std::weak_ptr<ZVManagedObject> weak = weakSelf();
        if (!request->errorHandler()) {
            request->setErrorHandler([weak, field](const ZVErrorPtr& error) {
                const auto self = weak.lock();
                if (self && isRefusal(error)) {
                    self->setField(field, false);
                }
            });
        }
        if (!request->handler()) {
            request->setHandler([weak, field](ZVJsonParser&) -> ZVErrorPtr {
                if (const auto self = weak.lock()) {
                    self->setField(field, false);
                }
                return nullptr;
            });
        }
        return request;
    }
    return nullptr;
}

// --- batched change notification ---

void ZVManagedObject::willChangeProperties(const QStringList& keys) {
    if (!hasObservers()) {
        return;
    }
    for (const QString& key : keys) {
        if (!changedProperties_.contains(key)) {
            willChangeValueForKey(key);
            changedProperties_.append(key);
        }
    }
}

void ZVManagedObject::willChangeProperty(const QString& key) {
    willChangeProperties(QStringList{key});
}

void ZVManagedObject::scheduleNotifyPropertyChanges() {
    if (changedProperties_.isEmpty() || notification_.isValid()) {
        return;
    }
    const std::weak_ptr<ZVManagedObject> weak = weakSelf();
    notification_ = platform::Scheduler::main().after(kNotificationDelay, [weak] {
        if (const auto self = weak.lock()) {
            self->notifyPropertyChanges();
        }
    });
}

void ZVManagedObject::notifyPropertyChanges() {
    notification_.cancel();
    notification_ = {};
    if (changedProperties_.isEmpty()) {
        return;
    }
    // Keys recorded by observers during the delivery belong to the next one.
    QStringList remaining;
    remaining.swap(changedProperties_);
    QStringList ordered;
    ordered.reserve(remaining.size());
    for (const QString& key : propertyNotificationOrder()) {
        if (remaining.removeOne(key)) {
            ordered.append(key);
        }
    }
    ordered.append(remaining);
    // An observer may let go of the last reference to the object.
    const auto keepAlive = weak_from_this().lock();
    for (const QString& key : ordered) {
        didChangeValueForKey(key);
    }
}

QString ZVManagedObject::desc() const {
    return platform::format(u"%@: %x", entity().name(), reinterpret_cast<quintptr>(this));
}

bool ZVManagedObject::isRefusal(const ZVErrorPtr& error) {
    return error && error->code() >= kFirstRejectingStatus && error->code() <= kLastRejectingStatus;
}
