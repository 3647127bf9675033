#include "toolkit/richtext/StartUp.h"

#include <QtCore/QByteArray>

namespace zvtest {

void startUpLibraries() {
    // The web engine's own processes refuse to run as root inside their sandbox, and the test
    // machines have no GPU. Read when the first page is made.
    if (qEnvironmentVariableIsEmpty("QTWEBENGINE_CHROMIUM_FLAGS")) {
        qputenv("QTWEBENGINE_CHROMIUM_FLAGS", "--no-sandbox --disable-gpu");
    }
    ZVStartUpToolkitRichText();
}

}  // namespace zvtest
