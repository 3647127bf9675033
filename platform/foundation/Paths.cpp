#include "platform/foundation/Paths.h"

#include <QtCore/QDir>
#include <QtCore/QFile>
#include <QtCore/QMutex>
#include <QtCore/QStandardPaths>

namespace platform {

namespace {

QMutex rootMutex;
QString configuredRoot;

QString defaultRoot() {
    const QByteArray home = qgetenv("ZELVO_HOME");
    if (!home.isEmpty()) {
        return QString::fromLocal8Bit(home);
    }
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
           QStringLiteral("/zelvo");
}

QString ensured(const QString& path, QFile::Permissions permissions = {}) {
    QDir dir(path);
    if (!dir.exists() && !dir.mkpath(QStringLiteral("."))) {
        return {};
    }
    if (permissions) {
        QFile::setPermissions(path, permissions);
    }
    return dir.absolutePath();
}

QString under(const QString& relative, QFile::Permissions permissions = {}) {
    const QString base = Paths::root();
    if (base.isEmpty()) {
        return {};
    }
    return ensured(base + QLatin1Char('/') + relative, permissions);
}

}  // namespace

QString Paths::root() {
    QMutexLocker lock(&rootMutex);
    if (configuredRoot.isEmpty()) {
        configuredRoot = defaultRoot();
    }
    return configuredRoot;
}

void Paths::setRoot(const QString& root) {
    QMutexLocker lock(&rootMutex);
    configuredRoot = root;
}

QString Paths::libraryDirectory() {
    return under(QStringLiteral("Library"));
}

QString Paths::cachesDirectory() {
    return under(QStringLiteral("Library/Caches"));
}

QString Paths::preferencesDirectory() {
    return under(QStringLiteral("Library/Preferences"));
}

QString Paths::privateDataDirectory() {
    return under(QStringLiteral("Library/Private"),
                 QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

QString Paths::documentsDirectory() {
    return under(QStringLiteral("Documents"));
}

QString Paths::temporaryDirectory() {
    return under(QStringLiteral("tmp"));
}

QString Paths::applicationGroupContainer(const QString& groupIdentifier) {
    if (groupIdentifier.isEmpty() || groupIdentifier.contains(QLatin1Char('/')) ||
        groupIdentifier.startsWith(QLatin1Char('.'))) {
        return {};
    }
    return under(QStringLiteral("Shared/AppGroup/") + groupIdentifier);
}

}  // namespace platform
