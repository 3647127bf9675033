#include "platform/foundation/Resources.h"

#include <QtCore/QDir>
#include <QtCore/QFileInfo>

namespace platform {

namespace {

QString& overriddenDirectory() {
    static QString directory;
    return directory;
}

}  // namespace

QString Resources::directory() {
    if (!overriddenDirectory().isNull()) {
        return overriddenDirectory();
    }
    const QString fromEnvironment = qEnvironmentVariable("ZELVO_RESOURCES");
    if (!fromEnvironment.isEmpty()) {
        return fromEnvironment;
    }
    return QStringLiteral(ZV_RESOURCES_DIR);
}

void Resources::setDirectory(const QString& directory) {
    overriddenDirectory() = directory;
}

QString Resources::pathForResource(const QString& name, const QString& type) {
    const QString path =
        QDir(directory()).filePath(type.isEmpty() ? name : name + QLatin1Char('.') + type);
    return QFileInfo(path).isFile() ? path : QString();
}

}  // namespace platform
