#include "platform/foundation/FreeFileName.h"

#include <QtCore/QDir>
#include <QtCore/QFileInfo>

namespace platform {

QString freeFilePath(const QString& path) {
    const QFileInfo info(path);
    if (!info.exists() && !info.isSymLink()) {
        return path;
    }
    const QDir folder = info.dir();
    // "archive.tar.gz" keeps its whole extension; a name without a dot has none.
    const QString name = info.fileName();
    const qsizetype dot = name.indexOf(u'.', 1);
    const QString base = dot < 0 ? name : name.left(dot);
    const QString extension = dot < 0 ? QString() : name.mid(dot);
    for (int number = 2;; ++number) {
        const QString candidate =
            folder.filePath(base + u' ' + QString::number(number) + extension);
        const QFileInfo taken(candidate);
        if (!taken.exists() && !taken.isSymLink()) {
            return candidate;
        }
    }
}

}  // namespace platform
