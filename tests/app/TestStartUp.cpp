#include "tests/support/TestEnvironment.h"

#include "app/StartUp.h"

#include <QtCore/QByteArray>

void zvtest::startUpLibraries() {
    // The web engine's own processes refuse to run as root inside their sandbox, and the test
    // machines have no GPU (the web sign-in's pages). Read when the first page is made.
    if (qEnvironmentVariableIsEmpty("QTWEBENGINE_CHROMIUM_FLAGS")) {
        qputenv("QTWEBENGINE_CHROMIUM_FLAGS", "--no-sandbox --disable-gpu");
    }
    ZVStartUpApp();
}
