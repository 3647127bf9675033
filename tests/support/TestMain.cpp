#include "tests/support/TestEnvironment.h"

#include <QtCore/QCoreApplication>
#ifdef ZV_TEST_WIDGETS
#include <QtWidgets/QApplication>
#elif defined(ZV_TEST_GUI)
#include <QtGui/QGuiApplication>
#endif

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace zvtest {
void installTestEnvironment();
}

int main(int argc, char** argv) {
    // Offscreen unless a run asks for a real display (the real-window tests under a virtual X
    // server).
    const QByteArray platform = qgetenv("ZV_TEST_QPA_PLATFORM");
    qputenv("QT_QPA_PLATFORM", platform.isEmpty() ? QByteArray("offscreen") : platform);
#ifdef ZV_TEST_WIDGETS
    QApplication app(argc, argv);
#elif defined(ZV_TEST_GUI)
    QGuiApplication app(argc, argv);
#else
    QCoreApplication app(argc, argv);
#endif
    QCoreApplication::setApplicationName(QStringLiteral("Zelvo"));
    testing::InitGoogleMock(&argc, argv);
    // No test keeps anything in the desktop's real keychain; the keychain's own tests start a
    // Secret Service of their own.
    qputenv("ZELVO_KEYCHAIN", "file");
    zvtest::startUpLibraries();
    zvtest::installTestEnvironment();
    return RUN_ALL_TESTS();
}
