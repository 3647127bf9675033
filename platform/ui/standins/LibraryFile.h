#pragma once

#include "platform/foundation/Paths.h"

#include <QtCore/QDir>
#include <QtCore/QString>

namespace platform {

// A file below the application's library folder; null when there is no library folder.
inline QString libraryFilePath(const QString& relativePath) {
    const QString library = Paths::libraryDirectory();
    return library.isNull() ? QString() : QDir(library).filePath(relativePath);
}

}  // namespace platform
