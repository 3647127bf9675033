#pragma once

#include <QtCore/QByteArray>
#include <QtCore/QDateTime>
#include <QtCore/QJsonArray>
#include <QtCore/QJsonObject>
#include <QtCore/QString>

#include <optional>

// Small helpers for building and reading the service's JSON and its identifiers.
namespace zvemu {

QByteArray toJson(const QJsonObject& object);
// The object a body holds; none when it is not JSON or not an object.
std::optional<QJsonObject> parseObject(const QByteArray& body);
QJsonArray toArray(const QList<QJsonObject>& records);

// A UUID in lower case without braces, as the service writes its ids.
QString newUuid();
bool isLowerCaseUuid(const QString& text);
// An HTTP date, "Wed, 21 Oct 2037 07:28:00 GMT".
QByteArray httpDate(const QDateTime& date);

}  // namespace zvemu
