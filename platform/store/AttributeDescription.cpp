#include "platform/store/AttributeDescription.h"

#include <QtCore/QDateTime>

#include <cmath>
#include <limits>

namespace platform {

bool isKnownAttributeType(int code) {
    switch (static_cast<AttributeType>(code)) {
        case AttributeType::Integer16:
        case AttributeType::Integer32:
        case AttributeType::Integer64:
        case AttributeType::Double:
        case AttributeType::Float:
        case AttributeType::String:
        case AttributeType::Boolean:
        case AttributeType::Date:
        case AttributeType::Binary:
            return true;
    }
    return false;
}

StoreValue coerceStoreValue(const StoreValue& value, AttributeType type, bool* ok) {
    *ok = true;
    if (value.isNull()) {
        return value;
    }
    const auto kind = value.kind();
    switch (type) {
        case AttributeType::Integer16:
        case AttributeType::Integer32:
        case AttributeType::Integer64:
        case AttributeType::Boolean: {
            std::int64_t number = 0;
            if (kind == StoreValue::Kind::Integer) {
                number = value.toInteger();
            } else if (kind == StoreValue::Kind::Real &&
                       std::trunc(value.toReal()) == value.toReal() &&
                       std::fabs(value.toReal()) < 9.2e18) {
                number = value.toInteger();
            } else {
                break;
            }
            if (type == AttributeType::Boolean) {
                return StoreValue::boolean(number != 0);
            }
            return StoreValue::integer(number);
        }
        case AttributeType::Double:
        case AttributeType::Float:
        case AttributeType::Date:
            if (kind == StoreValue::Kind::Integer || kind == StoreValue::Kind::Real) {
                return StoreValue::real(value.toReal());
            }
            break;
        case AttributeType::String:
            if (kind == StoreValue::Kind::Text) {
                return value;
            }
            break;
        case AttributeType::Binary:
            if (kind == StoreValue::Kind::Blob) {
                return value;
            }
            break;
    }
    *ok = false;
    return {};
}

StoreValue rawStoreValueFromVariant(const QVariant& value, bool* ok) {
    *ok = true;
    if (!value.isValid() || value.isNull()) {
        return {};
    }
    switch (value.typeId()) {
        case QMetaType::Bool:
            return StoreValue::boolean(value.toBool());
        case QMetaType::Int:
        case QMetaType::Long:
        case QMetaType::LongLong:
        case QMetaType::Short:
        case QMetaType::Char:
        case QMetaType::SChar:
            return StoreValue::integer(value.toLongLong());
        case QMetaType::UInt:
        case QMetaType::ULong:
        case QMetaType::ULongLong:
        case QMetaType::UShort:
        case QMetaType::UChar: {
            const qulonglong number = value.toULongLong();
            if (number > static_cast<qulonglong>(std::numeric_limits<std::int64_t>::max())) {
                break;
            }
            return StoreValue::integer(static_cast<std::int64_t>(number));
        }
        case QMetaType::Double:
        case QMetaType::Float:
            return StoreValue::real(value.toDouble());
        case QMetaType::QString:
            return StoreValue::text(value.toString());
        case QMetaType::QByteArray:
            return StoreValue::blob(value.toByteArray());
        case QMetaType::QDateTime:
            return StoreValue::date(value.toDateTime());
        default:
            break;
    }
    *ok = false;
    return {};
}

bool isComparable(StoreValue::Kind kind, AttributeType type) {
    switch (kind) {
        case StoreValue::Kind::Null:
            return true;
        case StoreValue::Kind::Integer:
        case StoreValue::Kind::Real:
            return type != AttributeType::String && type != AttributeType::Binary;
        case StoreValue::Kind::Text:
            return type == AttributeType::String;
        case StoreValue::Kind::Blob:
            return type == AttributeType::Binary;
    }
    return false;
}

StoreValue storeValueFromVariant(const QVariant& value, AttributeType type, bool* ok) {
    if (value.typeId() == QMetaType::QDateTime && type != AttributeType::Date) {
        *ok = false;
        return {};
    }
    const StoreValue raw = rawStoreValueFromVariant(value, ok);
    if (!*ok) {
        return {};
    }
    return coerceStoreValue(raw, type, ok);
}

QVariant variantFromStoreValue(const StoreValue& value, AttributeType type) {
    if (value.isNull()) {
        return {};
    }
    switch (type) {
        case AttributeType::Integer16:
        case AttributeType::Integer32:
        case AttributeType::Integer64:
            return QVariant::fromValue<qlonglong>(value.toInteger());
        case AttributeType::Boolean:
            return QVariant(value.toBool());
        case AttributeType::Double:
        case AttributeType::Float:
            return QVariant(value.toReal());
        case AttributeType::String:
            return QVariant(value.toText());
        case AttributeType::Date:
            return QVariant(value.toDate());
        case AttributeType::Binary:
            return QVariant(value.toBlob());
    }
    return {};
}

}  // namespace platform
