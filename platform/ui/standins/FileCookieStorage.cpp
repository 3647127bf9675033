#include "platform/ui/standins/FileCookieStorage.h"

#include "platform/foundation/AtomicFile.h"
#include "platform/foundation/SystemLog.h"
#include "platform/ui/standins/LibraryFile.h"

#include <QtCore/QDir>
#include <QtCore/QFile>
#include <QtCore/QFileInfo>
#include <QtCore/QJsonArray>
#include <QtCore/QJsonDocument>
#include <QtCore/QJsonObject>

namespace platform {

namespace {

const QString kName = QStringLiteral("name");
const QString kValue = QStringLiteral("value");
const QString kDomain = QStringLiteral("domain");
const QString kPath = QStringLiteral("path");
const QString kExpires = QStringLiteral("expires");
const QString kSecure = QStringLiteral("secure");
const QString kHttpOnly = QStringLiteral("httpOnly");

// Cookie bytes need not be UTF-8; percent-encoding keeps every byte and leaves text readable.
QString encodeBytes(const QByteArray& bytes) {
    return QString::fromLatin1(bytes.toPercentEncoding(" !\"#$&'()*+,/:;<=>?@[]^`{|}~"));
}

QByteArray decodeBytes(const QString& text) {
    return QByteArray::fromPercentEncoding(text.toLatin1());
}

QJsonObject toJson(const QNetworkCookie& cookie) {
    QJsonObject object{{kName, encodeBytes(cookie.name())}, {kValue, encodeBytes(cookie.value())},
                       {kDomain, cookie.domain()},          {kPath, cookie.path()},
                       {kSecure, cookie.isSecure()},        {kHttpOnly, cookie.isHttpOnly()}};
    if (!cookie.isSessionCookie()) {
        object.insert(kExpires, cookie.expirationDate().toUTC().toString(Qt::ISODateWithMs));
    }
    return object;
}

std::optional<QNetworkCookie> fromJson(const QJsonObject& object) {
    QNetworkCookie cookie(decodeBytes(object.value(kName).toString()),
                          decodeBytes(object.value(kValue).toString()));
    cookie.setDomain(object.value(kDomain).toString());
    cookie.setPath(object.value(kPath).toString());
    cookie.setSecure(object.value(kSecure).toBool());
    cookie.setHttpOnly(object.value(kHttpOnly).toBool());
    if (object.contains(kExpires)) {
        const QDateTime expires =
            QDateTime::fromString(object.value(kExpires).toString(), Qt::ISODateWithMs);
        if (!expires.isValid()) {
            return std::nullopt;
        }
        cookie.setExpirationDate(expires);
    }
    if (cookie.name().isEmpty() || cookie.domain().isEmpty()) {
        return std::nullopt;
    }
    return cookie;
}

}  // namespace

FileCookieStorage::FileCookieStorage(QString path) : path_(std::move(path)) {
    QFile file(path_);
    if (path_.isEmpty() || !file.exists()) {
        return;
    }
    QJsonParseError error;
    const QJsonDocument document = file.open(QIODevice::ReadOnly)
                                       ? QJsonDocument::fromJson(file.readAll(), &error)
                                       : QJsonDocument();
    if (!document.isArray()) {
        systemLog(QStringLiteral("Cookie store %1 is unreadable and starts empty").arg(path_));
        return;
    }
    QList<QNetworkCookie> cookies;
    for (const QJsonValue& value : document.array()) {
        if (const auto cookie = fromJson(value.toObject())) {
            cookies.append(*cookie);
        }
    }
    restore(std::move(cookies));
}

QString FileCookieStorage::defaultPath() {
    return libraryFilePath(QStringLiteral("Cookies/Cookies.json"));
}

void FileCookieStorage::cookiesChanged() {
    if (path_.isEmpty()) {
        return;
    }
    QJsonArray array;
    for (const QNetworkCookie& cookie : cookies()) {
        array.append(toJson(cookie));
    }
    QDir().mkpath(QFileInfo(path_).absolutePath());
    QString error;
    if (!writeFileAtomically(path_, QJsonDocument(array).toJson(QJsonDocument::Compact),
                             QFileDevice::ReadOwner | QFileDevice::WriteOwner, &error)) {
        systemLog(QStringLiteral("Cookie store %1 cannot be written: %2").arg(path_, error));
    }
}

}  // namespace platform
