#include "platform/foundation/Paths.h"

#include "platform/foundation/OwnerOnly.h"

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

// Every folder below the root is the user's alone, also one that an earlier version left open.
QString under(const QString& relative) {
    QString path = Paths::root();
    if (path.isEmpty()) {
        return {};
    }
    for (const QString& part : relative.split(QLatin1Char('/'))) {
        path += QLatin1Char('/') + part;
        if (!makeOwnerOnlyFolder(path)) {
            return {};
        }
    }
    return QDir(path).absolutePath();
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
    return under(QStringLiteral("Library/Private"));
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
