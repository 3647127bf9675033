#pragma once

#include <QtCore/QByteArray>
#include <QtCore/QDateTime>
#include <QtCore/QString>

#include <cstdint>
#include <variant>

namespace platform {

// One value as the object store keeps it: nothing, a 64-bit integer, a real number, text or bytes.
// Booleans are the integers 0 and 1 and dates are real seconds since the Unix epoch; the
// attribute's type tells which meaning a value has.
class StoreValue {
public:
    enum class Kind { Null, Integer, Real, Text, Blob };

    StoreValue() = default;

    static StoreValue integer(std::int64_t value) { return StoreValue(value); }
    // NaN is stored as no value, as SQLite itself stores it.
    static StoreValue real(double value);
    // A null QString is no value; an empty one is the empty text.
    static StoreValue text(const QString& value);
    static StoreValue blob(const QByteArray& value);
    static StoreValue boolean(bool value) { return StoreValue(std::int64_t(value ? 1 : 0)); }
    // An invalid date is no value. Dates keep millisecond precision.
    static StoreValue date(const QDateTime& value);

    Kind kind() const { return static_cast<Kind>(value_.index()); }
    bool isNull() const { return kind() == Kind::Null; }

    // Numbers read as numbers, anything else as 0.
    std::int64_t toInteger() const;
    double toReal() const;
    bool toBool() const { return toInteger() != 0 || toReal() != 0.0; }
    // The text, or a null QString for anything else.
    QString toText() const;
    QByteArray toBlob() const;
    // A number read as seconds since the epoch, in UTC; an invalid date for anything else.
    QDateTime toDate() const;

    // Equal kinds and values; an integer and a real number are compared by value.
    bool operator==(const StoreValue& other) const { return compare(*this, other) == 0; }
    bool operator!=(const StoreValue& other) const { return !(*this == other); }

    // SQLite's order of values: nothing, then numbers by value, then text by code point, then
    // bytes. A strict weak ordering over all values.
    static int compare(const StoreValue& a, const StoreValue& b);

    // For logs and tests: 12, 1.5, "text", <4 bytes>, nil.
    QString description() const;

private:
    explicit StoreValue(std::int64_t value) : value_(value) {}
    explicit StoreValue(double value) : value_(value) {}
    explicit StoreValue(const QString& value) : value_(value) {}
    explicit StoreValue(const QByteArray& value) : value_(value) {}

    std::variant<std::monostate, std::int64_t, double, QString, QByteArray> value_;
};

}  // namespace platform
