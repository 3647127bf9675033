#pragma once

#include "platform/store/StoreValue.h"

#include <QtCore/QString>
#include <QtCore/QVariant>

namespace platform {

// Attribute types by the platform's numbers, which the data model reads from its descriptions.
// Every integer type is stored as a 64-bit integer.
enum class AttributeType : int {
    Integer16 = 100,
    Integer32 = 200,
    Integer64 = 300,
    Double = 500,
    Float = 600,
    String = 700,
    Boolean = 800,
    Date = 900,
    Binary = 1000,
};

// True for the numbers above; false for codes the store does not know.
bool isKnownAttributeType(int code);

struct AttributeOptions {
    bool optional = true;
    bool indexed = false;
    // Kept in memory with the object, never stored; changing it does not make the object updated.
    bool transient = false;
    // The value of a new object. A boolean without a default starts as false, so that a test for
    // false finds objects that never set it.
    QVariant defaultValue{};
};

struct AttributeDescription {
    QString name;
    AttributeType type = AttributeType::Integer64;
    bool optional = true;
    bool indexed = false;
    bool transient = false;
    StoreValue defaultValue;
    // Position among the entity's attributes, the index of the fast accessors.
    int index = -1;

    int typeCode() const { return static_cast<int>(type); }
};

// The value that an attribute of `type` keeps for `value`: integers for integer and boolean types
// (a boolean becomes 0 or 1), reals for floating and date types. Sets *ok to false and returns no
// value for a value of another kind (text for a number, a real with a fraction for an integer).
StoreValue coerceStoreValue(const StoreValue& value, AttributeType type, bool* ok);
// The same from a QVariant: numbers, bools, strings, QDateTime for dates (or seconds), QByteArray
// for binary data. A null or invalid QVariant is no value.
StoreValue storeValueFromVariant(const QVariant& value, AttributeType type, bool* ok);
// The value of a QVariant as it is, without an attribute: numbers, bools as 0 or 1, text, bytes and
// dates as seconds. Sets *ok to false for anything else.
StoreValue rawStoreValueFromVariant(const QVariant& value, bool* ok);
// Whether a predicate may compare an attribute of `type` with a value of `kind`: numbers with
// numeric, boolean and date attributes, text with strings, bytes with binary data, no value with
// all.
bool isComparable(StoreValue::Kind kind, AttributeType type);
// qlonglong for integers, bool, double, QString, QDateTime in UTC, QByteArray; a null QVariant for
// no value.
QVariant variantFromStoreValue(const StoreValue& value, AttributeType type);

}  // namespace platform
