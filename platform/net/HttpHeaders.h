#pragma once

#include <QtCore/QByteArray>
#include <QtCore/QList>
#include <QtCore/QPair>

namespace platform {

// Header fields in the order they were given, names compared without regard to case. A name may
// repeat (a response's Set-Cookie lines); value() joins repeated fields with ", " as the platform's
// HTTP responses do.
class HttpHeaders {
public:
    using Field = QPair<QByteArray, QByteArray>;

    HttpHeaders() = default;
    HttpHeaders(std::initializer_list<Field> fields);

    void append(const QByteArray& name, const QByteArray& value);
    // Replaces every field of that name by one.
    void set(const QByteArray& name, const QByteArray& value);
    void remove(QByteArrayView name);

    bool contains(QByteArrayView name) const;
    // A null array when there is no such field.
    QByteArray value(QByteArrayView name) const;
    QList<QByteArray> values(QByteArrayView name) const;

    const QList<Field>& fields() const { return fields_; }
    bool isEmpty() const { return fields_.isEmpty(); }
    qsizetype size() const { return fields_.size(); }

private:
    QList<Field> fields_;
};

}  // namespace platform
