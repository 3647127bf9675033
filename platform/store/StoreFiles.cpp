#include "platform/store/StoreFiles.h"

#include <QtCore/QDir>
#include <QtCore/QFile>
#include <QtCore/QFileInfo>

namespace platform {

std::vector<StoreFileFailure> removeStoreFiles(const QString& path) {
    std::vector<StoreFileFailure> failures;
    const QFileInfo store(path);
    const QString prefix = store.fileName();
    if (prefix.isEmpty()) {
        return failures;
    }
    const QDir folder = store.absoluteDir();
    const auto entries = folder.entryInfoList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot |
                                              QDir::Hidden | QDir::System);
    for (const QFileInfo& entry : entries) {
        if (!entry.fileName().startsWith(prefix)) {
            continue;
        }
        QFile file(entry.absoluteFilePath());
        if (entry.isDir() && !entry.isSymLink()) {
            failures.push_back({entry.fileName(), QStringLiteral("it is a folder")});
        } else if (!file.remove()) {
            failures.push_back({entry.fileName(), file.errorString()});
        }
    }
    return failures;
}

}  // namespace platform
