#include "tests/emulator/EmulatorJson.h"

#include <QtCore/QJsonDocument>
#include <QtCore/QLocale>
#include <QtCore/QRegularExpression>
#include <QtCore/QUuid>

namespace zvemu {

QByteArray toJson(const QJsonObject& object) {
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}

std::optional<QJsonObject> parseObject(const QByteArray& body) {
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(body, &error);
    if (error.error != QJsonParseError::NoError || !document.isObject()) {
        return std::nullopt;
    }
    return document.object();
}

QJsonArray toArray(const QList<QJsonObject>& records) {
    QJsonArray array;
    for (const QJsonObject& record : records) {
        array.append(record);
    }
    return array;
}

QString newUuid() {
    return QUuid::createUuid().toString(QUuid::WithoutBraces).toLower();
}

bool isLowerCaseUuid(const QString& text) {
    static const QRegularExpression pattern(
        QStringLiteral("^[0-9a-f]{8}-[0-9a-f]{4}-[0-9a-f]{4}-[0-9a-f]{4}-[0-9a-f]{12}$"));
    return pattern.match(text).hasMatch();
}

QByteArray httpDate(const QDateTime& date) {
    return QLocale::c()
        .toString(date.toUTC(), QStringLiteral("ddd, dd MMM yyyy hh:mm:ss 'GMT'"))
        .toLatin1();
}

}  // namespace zvemu
