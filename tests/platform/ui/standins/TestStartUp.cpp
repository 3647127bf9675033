#include "tests/support/TestEnvironment.h"

#include "platform/ui/StartUp.h"

#include <QtCore/QByteArray>

void zvtest::startUpLibraries() {
    // The web engine's own processes refuse to run as root inside their sandbox, and the test
    // machines have no GPU. Read when the first page is made.
    if (qEnvironmentVariableIsEmpty("QTWEBENGINE_CHROMIUM_FLAGS")) {
        qputenv("QTWEBENGINE_CHROMIUM_FLAGS", "--no-sandbox --disable-gpu");
    }
    platform::startUpUi();
}
