#pragma once

#include <QtCore/QString>

namespace platform {

// The one place where the application's own resources (the markup syntax, the colour table,
// images) are found: one folder, $ZELVO_RESOURCES when set, else the source tree's resources/ that
// the build was made from.
class Resources {
public:
    static QString directory();
    // Tests point it elsewhere; a null string restores the default.
    static void setDirectory(const QString& directory);
    // "<directory>/<name>.<type>" when that file exists, else a null string.
    static QString pathForResource(const QString& name, const QString& type);
};

}  // namespace platform
