#pragma once

#include <QtCore/QString>

namespace platform {

// `path` when nothing is there, else the first of "<name> 2.<ext>", "<name> 3.<ext>"… beside it
// that is free, so that a new file never replaces an earlier one of the same name.
QString freeFilePath(const QString& path);

}  // namespace platform
