#pragma once

#include <QtCore/QString>

namespace platform {

// Where the application keeps its files, laid out as on the phone platform under one root folder:
//   <root>/Library/Caches, <root>/Library/Preferences, <root>/Library/Private, <root>/Documents,
//   <root>/tmp, <root>/Shared/AppGroup/<group id>.
// The root is $ZELVO_HOME, else the user's data folder; tests point it at a temporary folder.
// Every accessor creates its folder when missing, readable by the user alone (0700), and returns a
// null string when it cannot.
class Paths {
public:
    static QString root();
    static void setRoot(const QString& root);

    static QString libraryDirectory();
    static QString cachesDirectory();
    static QString preferencesDirectory();
    // The keychain's file lives here.
    static QString privateDataDirectory();
    static QString documentsDirectory();
    static QString temporaryDirectory();
    // The container shared with the application's extensions; null when it is not available.
    static QString applicationGroupContainer(const QString& groupIdentifier);
};

}  // namespace platform
