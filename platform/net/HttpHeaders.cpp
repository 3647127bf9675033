#include "platform/net/HttpHeaders.h"

namespace platform {

namespace {
bool sameName(QByteArrayView a, QByteArrayView b) {
    return a.compare(b, Qt::CaseInsensitive) == 0;
}
}  // namespace

HttpHeaders::HttpHeaders(std::initializer_list<Field> fields) : fields_(fields) {}

void HttpHeaders::append(const QByteArray& name, const QByteArray& value) {
    fields_.append({name, value});
}

void HttpHeaders::set(const QByteArray& name, const QByteArray& value) {
    remove(name);
    append(name, value);
}

void HttpHeaders::remove(QByteArrayView name) {
    fields_.removeIf([name](const Field& field) { return sameName(field.first, name); });
}

bool HttpHeaders::contains(QByteArrayView name) const {
    for (const Field& field : fields_) {
        if (sameName(field.first, name)) {
            return true;
        }
    }
    return false;
}

QByteArray HttpHeaders::value(QByteArrayView name) const {
    QByteArray joined;
    bool found = false;
    for (const Field& field : fields_) {
        if (!sameName(field.first, name)) {
            continue;
        }
        if (found) {
            joined += ", ";
        }
        joined += field.second;
        found = true;
    }
    if (found && joined.isNull()) {
        joined = QByteArray("");
    }
    return joined;
}

QList<QByteArray> HttpHeaders::values(QByteArrayView name) const {
    QList<QByteArray> result;
    for (const Field& field : fields_) {
        if (sameName(field.first, name)) {
            result.append(field.second);
        }
    }
    return result;
}

}  // namespace platform
